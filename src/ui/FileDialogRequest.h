#pragma once
// A file dialog as the commands ask for it.  The filter has the form
// "Display {*.ext}|*.ext|...||": pairs of display text and pattern separated by "|",
// ended by "||".  The front end adds the default extension to a name typed without
// one, hides any read-only option and, for a save dialog, asks before overwriting.
#include <string>

struct CFileDialogRequest {
    std::string filter;
    std::string defaultExtension;
    std::string folder;         // where the dialog opens
    std::string suggestedName;  // file name shown at first, if any
};
