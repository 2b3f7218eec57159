#pragma once
// What the main window's commands ask of the window they run in.  The Qt front end,
// the command line and the tests' scripted fake each implement it.
#include <cstdint>
#include <string>
#include <vector>

#include "recording/ExportUi.h"
#include "recording/NormalizeQuestion.h"
#include "ui/FileDialogRequest.h"

class CBurnerApp;
class CFolderMemory;

// The songs handed to the player: up to 80, and the one to start with.
struct CPlayerSongs {
    std::vector<std::string> paths;
    std::vector<std::string> titles;
    int32_t current = 0;
};

// What the Record dialog starts from: the disc image filled from the song list, a
// fresh CD-TEXT builder and the driver (all in the application), whether normalization
// starts switched on, and the folder memory (for where an image file goes).
struct CRecordDialogRequest {
    CBurnerApp& app;
    int32_t normalizeOn;
    CFolderMemory& folders;
};

// The answer to "Save the changes to the song list?".
enum class SaveChangesAnswer { kSave, kDiscard, kCancel };

// Message boxes (ShowMessage), the save dialog and the export progress come with the
// export interface; the "Normalizing info" question with its own.
class IMainWindowUi : public IExportUi, public INormalizeQuestion {
  public:
    // Open dialogs: the chosen files (one, or several when allowed), empty when the
    // user cancelled.  Files must exist.
    virtual std::vector<std::string> AskFilesToOpen(const CFileDialogRequest& request,
                                                    bool several) = 0;

    // The rename dialog, showing title; true with the edited title on OK.
    virtual bool AskNewTitle(std::string& title) = 0;

    // Asks whether unsaved changes to the list are saved first (Save, Discard, Cancel).
    virtual SaveChangesAnswer AskSaveChanges(const std::string& question) = 0;
    // Shows a text in the status line for a while (what an export wrote); the next
    // change to the list shows its totals again.
    virtual void ShowStatusNote(const std::string& text) = 0;
    // Shows the help page in a window of the program's own, for a desktop without a
    // browser.
    virtual void ShowHelpPage(const std::string& path) = 0;

    // Modal windows of other parts of the program.
    virtual void RunPlayer(const CPlayerSongs& songs) = 0;
    virtual void RunRecordDialog(const CRecordDialogRequest& request) = 0;
    virtual void RunCoverDialog() = 0;
    virtual void ShowTipOfTheDay() = 0;

    // Enable or disable a command's control (Record 1008, Delete 1011); whyNot says why
    // a disabled one is disabled.
    virtual void SetCommandEnabled(int32_t controlId, bool enabled, const std::string& whyNot) = 0;
    // Re-read every language-dependent text of the window.
    virtual void RefreshTexts() = 0;
    virtual void Minimize() = 0;
    // Ends the main window (Exit).
    virtual void CloseMainWindow() = 0;
};
