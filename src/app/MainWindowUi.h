#pragma once
// What the main window's commands ask of the window they run in.  The Qt front end,
// the command line and the tests' scripted fake each implement it.
#include <cstdint>
#include <string>
#include <vector>

// A file dialog: the filter in the form "Text {*.ext}|*.ext||" (pairs of display text
// and pattern separated by "|", ended by "||"), the extension added to a typed name
// without one, and the folder it opens in.
struct CFileDialogRequest {
    std::string filter;
    std::string defaultExtension;
    std::string folder;
};

// The songs handed to the player: up to 80, and the one to start with.
struct CPlayerSongs {
    std::vector<std::string> paths;
    std::vector<std::string> titles;
    int32_t current = 0;
};

class IMainWindowUi {
  public:
    virtual ~IMainWindowUi() = default;

    // A message box with the information icon.
    virtual void ShowWarning(const std::string& text, const std::string& title) = 0;
    // A message box for a failure the user must know about (a file not written).
    virtual void ShowError(const std::string& text) = 0;

    // Open dialogs: the chosen files (one, or several when allowed), empty when the
    // user cancelled.  Files must exist.
    virtual std::vector<std::string> AskFilesToOpen(const CFileDialogRequest& request,
                                                    bool several) = 0;
    // Save dialog, asking before an existing file is overwritten: the chosen path, or ""
    // when the user cancelled.
    virtual std::string AskFileToSave(const CFileDialogRequest& request) = 0;

    // The rename dialog, showing title; true with the edited title on OK.
    virtual bool AskNewTitle(std::string& title) = 0;

    // Modal windows of other parts of the program.
    virtual void RunPlayer(const CPlayerSongs& songs) = 0;
    virtual void RunCoverDialog() = 0;
    virtual void ShowTipOfTheDay() = 0;

    // Enable or disable a command's control (Record 1008, Delete 1011).
    virtual void SetCommandEnabled(int32_t controlId, bool enabled) = 0;
    // Re-read every language-dependent text of the window.
    virtual void RefreshTexts() = 0;
    virtual void Minimize() = 0;
    // Ends the main window (Exit).
    virtual void CloseMainWindow() = 0;
};
