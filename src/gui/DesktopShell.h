#pragma once
// Opening a document with the desktop's default application (the help page in the
// user's browser).
#include "app/Shell.h"

class CDesktopShell : public IShell {
  public:
    void OpenDocument(const std::string& path) override;
};
