#pragma once
// What the program asks of the desktop shell: open a document with its default
// application (the help file in the user's browser).  The Qt front end, the command
// line and the tests each provide one.
#include <string>

class IShell {
  public:
    virtual ~IShell() = default;
    // The result is not examined: a missing document shows whatever the desktop shows.
    virtual void OpenDocument(const std::string& path) = 0;
};

// Opens "Help.htm" of the start folder through the shell.
void OpenHelp(IShell& shell, const std::string& startFolder);
