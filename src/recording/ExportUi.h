#pragma once
// What the export commands ask of the user interface: a save-file dialog, a message box,
// and something to show while a song is being written (the wait cursor in the window,
// a progress bar on a terminal).  The Qt front end, the command line and the tests each
// provide one.
#include <cstdint>
#include <string>

#include "ui/FileDialogRequest.h"

class IExportUi {
  public:
    virtual ~IExportUi() = default;
    // True with the chosen full path, false when the user cancels.
    virtual bool AskSaveFile(const CFileDialogRequest& question, std::string& chosenPath) = 0;
    // A message box with a title and a text, acknowledged before the call returns.
    virtual void ShowMessage(const std::string& title, const std::string& text) = 0;
    // Writing has started, has reached done of total bytes, has ended.
    virtual void ExportStarted() {}
    virtual void ExportProgress(int64_t done, int64_t total) {
        (void)done;
        (void)total;
    }
    virtual void ExportEnded() {}
    // Asked between blocks: true ends the export with nothing written (a signal on a
    // terminal, say).
    virtual bool ExportStopRequested() { return false; }
};
