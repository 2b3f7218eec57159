#pragma once
// What the program asks of the desktop shell: open a document with its default
// application (the help file in the user's browser).  The Qt front end and the tests
// each provide one.
#include <string>

class IShell {
  public:
    virtual ~IShell() = default;
    // False when the desktop has no application to open it with.
    virtual bool OpenDocument(const std::string& path) = 0;
};

// "Help.htm" of the start folder.
std::string HelpFile(const std::string& startFolder);
