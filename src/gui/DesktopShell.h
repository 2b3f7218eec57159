#pragma once
// Opening a document with the desktop's default application (the help page in the
// user's browser).  A desktop that has no browser for a web page says so (false), and
// the program then shows the page itself.
#include "app/Shell.h"

class CDesktopShell : public IShell {
  public:
    bool OpenDocument(const std::string& path) override;
    // True when the desktop names an application for web pages.
    static bool HasBrowser();
};
