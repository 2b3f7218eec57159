#pragma once
// The main window's commands, free of any toolkit: each acts on the song list and hands
// work to the part of the program that owns it.  The window (Qt or the command line)
// only binds clicks, keys, menus and drops to these operations.
#include <cstdint>
#include <string>
#include <vector>

#include "app/BurnerApp.h"
#include "app/MainWindowUi.h"
#include "app/Shell.h"
#include "base/FolderMemory.h"
#include "base/OutputFile.h"
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
    // Why a command's control is disabled ("" while it is enabled).
    std::string DisabledReason(int32_t controlId) const;
    // True when the list holds songs that changed since it was last saved or loaded.
    bool ListChanged() const;
    // Before the list goes (Exit, New, opening a project, the end of the session): asks
    // whether to save it when it changed, and saves it when the user says so.  False
    // when the list must stay: the user cancelled, or the save did not happen.
    bool MayDiscardList();

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
    // The list counts its songs as the Record dialog last laid them: gapless when its
    // box was ticked and the recorder's driver can write so.
    bool GaplessChosen() const;
    // Warns when no row has the focus; true when one has.
    bool NeedFocus();
    // Adds a song or a playlist's songs; what the disc budget refuses is noted.
    void Add(const std::string& file);
    void Import(const std::string& playlist);
    // Names the songs refused for the disc budget since the last call, if any.
    void TellRefused();
    // The project saved through the save dialog: true when it was written.
    bool SaveProjectFile();
    void NoteSaved(const std::string& path);
    void Warn(MoveResult result);
    // Runs a save dialog of a kind and remembers its folder; "" when cancelled.
    std::string AskSave(FolderKind kind, const char* filter, const char* extension);
    // The song-list exports and the project: the path written, "" when nothing was.
    std::string Export(FolderKind kind, const char* filter, const char* extension,
                       OutputKind output, bool (*write)(const CSongList&, const std::string&));
    // Enables Delete and Record when the list holds songs, disables them when empty;
    // always tells the window when told, as after a change of language.
    void UpdateAvailability(bool tellAlways = false);

    IMainWindowUi& ui_;
    IShell& shell_;
    CBurnerApp& app_;
    bool driverExists_;
    CSongList songs_;
    CFolderMemory folders_;
    bool deleteEnabled_ = false;
    bool recordEnabled_ = false;
    // The list's revision when it was last saved or loaded.
    uint64_t savedRevision_ = 0;
    std::vector<std::string> refused_;
};
