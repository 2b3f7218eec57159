#pragma once
// The main window's commands, free of any toolkit: each acts on the song list and hands
// work to the part of the program that owns it.  The window (Qt or the command line)
// only binds clicks, keys, menus and drops to these operations.
#include <cstdint>
#include <string>
#include <vector>

#include "app/BurnerApp.h"
#include "app/FolderMemory.h"
#include "app/MainWindowUi.h"
#include "app/OutputFile.h"
#include "app/Shell.h"
#include "songlist/SongList.h"

class CMainDialog {
  public:
    // Control ids of the commands whose availability changes.
    static constexpr int32_t kRecordControl = 1008;
    static constexpr int32_t kDeleteControl = 1011;
    static constexpr int32_t kMaxPlayerSongs = 80;

    // Constructed when start-up has found the recorders: Record can be enabled only
    // when the application has a driver.
    CMainDialog(IMainWindowUi& ui, IShell& shell, CBurnerApp& app);

    CSongList& SongList() { return songs_; }
    CFolderMemory& FolderMemory() { return folders_; }
    const std::string& StartFolder() const { return app_.StartFolder(); }
    bool IsCommandEnabled(int32_t controlId) const;

    // Commands.
    void InsertFiles();
    void DeleteSongs();  // the Delete command: DeleteSelectedSongs when enabled
    void NewList();
    void MoveTop();
    void MoveUp();
    void MoveDown();
    void MoveBottom();
    void RenameSong();
    void PlaySong();
    void DropFiles(const std::vector<std::string>& names);
    void OpenProject();
    void SaveProject();
    void ExportWav();
    void ExportRawTrack();
    void Record();
    void ExportM3u();
    void ExportPls();
    void ExportSongText();
    void Help();
    void TipsOfTheDay();
    void PrintCover();
    // A command from the language menu; false when the id is not one of its ids.
    bool LanguageCommand(int32_t commandId);
    void Minimize();
    void Exit();

  private:
    // Warns when no row has the focus; true when one has.
    bool NeedFocus();
    void Warn(MoveResult result);
    // Runs a save dialog of a kind and remembers its folder; "" when cancelled.
    std::string AskSave(FolderKind kind, const char* filter, const char* extension);
    void Export(FolderKind kind, const char* filter, const char* extension, OutputKind output,
                bool (*write)(const CSongList&, const std::string&));
    // Enables Delete and Record when the list holds songs, disables them when empty.
    void UpdateAvailability();

    IMainWindowUi& ui_;
    IShell& shell_;
    CBurnerApp& app_;
    bool driverExists_;
    CSongList songs_;
    CFolderMemory folders_;
    bool deleteEnabled_ = false;
    bool recordEnabled_ = false;
};
