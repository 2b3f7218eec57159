#include "app/MainDialog.h"

#include <algorithm>
#include <filesystem>

#include "app/DiscFilling.h"
#include "app/FileIo.h"
#include "app/OutputFile.h"
#include "audio/AudioExport.h"
#include "disc/DiscImage.h"
#include "recording/Normalization.h"
#include "songlist/FolderScan.h"
#include "songlist/SongListFiles.h"
#include "ui/DisplayText.h"
#include "ui/LanguageTable.h"

namespace {
constexpr const char kMp3Filter[] = "MP3 Files {*.mp3}|*.mp3||";
constexpr const char kOpenProjectFilter[] =
    "Recording Project{*.MPJ}|*.MPJ|M3U PalyList{*.M3U}(used by WinAmp)|*.M3U|PLS "
    "PlayList{*.PLS}(used by "
    "Sonique)|*.PLS||";
constexpr const char kSaveProjectFilter[] = "Recording Project{*.MPJ}|*.MPJ||";
constexpr const char kM3uFilter[] = "M3U Play List, for WinAmp{*.M3U}|*.M3U||";
constexpr const char kPlsFilter[] = "PLS Play List, for Sonique{*.PLS}|*.PLS||";
constexpr const char kTextFilter[] = "Text file, for CD label printing{*.TXT}|*.TXT||";

}  // namespace

CMainDialog::CMainDialog(IMainWindowUi& ui, IShell& shell, CBurnerApp& app)
    : ui_(ui),
      shell_(shell),
      app_(app),
      driverExists_(app.Driver() != nullptr),
      folders_(app.StartFolder()) {
    songs_.ClearSongs();
    folders_.LoadFolderMemory();
}

bool CMainDialog::IsCommandEnabled(int32_t controlId) const {
    if (controlId == kDeleteControl)
        return deleteEnabled_;
    if (controlId == kRecordControl)
        return recordEnabled_;
    return true;
}

void CMainDialog::UpdateAvailability() {
    bool any = songs_.RowCount() > 0;
    if (any != deleteEnabled_) {
        deleteEnabled_ = any;
        ui_.SetCommandEnabled(kDeleteControl, any);
    }
    bool record = any && driverExists_;
    if (record != recordEnabled_) {
        recordEnabled_ = record;
        ui_.SetCommandEnabled(kRecordControl, record);
    }
}

bool CMainDialog::NeedFocus() {
    if (songs_.FocusedRow() >= 0)
        return true;
    Warn(MoveResult::kNoFocus);
    return false;
}

void CMainDialog::Warn(MoveResult result) {
    if (result == MoveResult::kNoFocus)
        ui_.ShowMessage("Warning", Text(1001));
}

void CMainDialog::InsertFiles() {
    CFileDialogRequest request{kMp3Filter, "mp3", folders_.EnterFolderMemory(FolderKind::kMp3), ""};
    std::vector<std::string> files = ui_.AskFilesToOpen(request, true);
    if (files.empty())
        return;
    folders_.SaveFolderMemory(FolderKind::kMp3, FolderOf(files.front()));
    for (const std::string& file : files) songs_.AddSong(file);
    songs_.UpdateStatusLine();
    UpdateAvailability();
}

void CMainDialog::DeleteSongs() {
    if (!deleteEnabled_)
        return;
    songs_.DeleteSelectedSongs();
    UpdateAvailability();
}

void CMainDialog::NewList() {
    songs_.ClearSongs();
    UpdateAvailability();
}

void CMainDialog::MoveTop() {
    Warn(songs_.MoveTop());
}
void CMainDialog::MoveUp() {
    Warn(songs_.MoveUp());
}
void CMainDialog::MoveDown() {
    Warn(songs_.MoveDown());
}
void CMainDialog::MoveBottom() {
    Warn(songs_.MoveBottom());
}

void CMainDialog::RenameSong() {
    if (!NeedFocus())
        return;
    int32_t row = songs_.FocusedRow();
    std::string title = songs_.Title(row);
    if (ui_.AskNewTitle(title))
        songs_.SetTitle(row, title);
}

void CMainDialog::PlaySong() {
    if (!NeedFocus())
        return;
    // The player holds 80 songs: the 80 rows from the first one on, or, for a focused
    // row further down, the 80 rows that start with it (fewer at the end of the list).
    int32_t focused = songs_.FocusedRow();
    int32_t count = std::min(songs_.RowCount(), kMaxPlayerSongs);
    int32_t first = focused < kMaxPlayerSongs ? 0 : std::min(focused, songs_.RowCount() - count);
    CPlayerSongs play;
    for (int32_t i = first; i < first + count; ++i) {
        play.paths.push_back(songs_.FullPath(i));
        play.titles.push_back(songs_.Title(i));
    }
    play.current = focused - first;
    ui_.RunPlayer(play);
}

void CMainDialog::DropFiles(const std::vector<std::string>& names) {
    for (const std::string& name : names) {
        if (IsFolder(name)) {
            std::vector<std::string> found;
            CollectMp3Files(name, found);
            for (const std::string& file : found) songs_.AddSong(file);
        } else if (HasExtension(name, ".mp3")) {
            songs_.AddSong(name);
        } else if (IsM3uPlaylist(name)) {
            ImportM3u(songs_, name);
        } else if (HasExtension(name, ".pls")) {
            ImportPls(songs_, name);
        }
    }
    UpdateAvailability();
}

void CMainDialog::OpenProject() {
    CFileDialogRequest request{kOpenProjectFilter, "MPJ",
                               folders_.EnterFolderMemory(FolderKind::kMpj), ""};
    std::vector<std::string> files = ui_.AskFilesToOpen(request, false);
    if (files.empty())
        return;
    const std::string& path = files.front();
    folders_.SaveFolderMemory(FolderKind::kMpj, FolderOf(path));
    if (IsM3uPlaylist(path))
        ImportM3u(songs_, path);
    else if (HasExtension(path, ".pls"))
        ImportPls(songs_, path);
    else
        ReadProjectFile(songs_, path);
    songs_.UpdateStatusLine();
    UpdateAvailability();
}

std::string CMainDialog::AskSave(FolderKind kind, const char* filter, const char* extension) {
    CFileDialogRequest request{filter, extension, folders_.EnterFolderMemory(kind), ""};
    std::string path;
    if (!ui_.AskSaveFile(request, path))
        path.clear();
    if (!path.empty())
        folders_.SaveFolderMemory(kind, FolderOf(path));
    return path;
}

void CMainDialog::Export(FolderKind kind, const char* filter, const char* extension,
                         OutputKind output, bool (*write)(const CSongList&, const std::string&)) {
    std::string path = AskSave(kind, filter, extension);
    if (path.empty())
        return;
    // A song of the list, or any file that is not of this kind, is never written over.
    if (OutputRefusal refusal = CheckOutputFile(path, output, songs_.FullPaths());
        refusal != OutputRefusal::kNone) {
        ui_.ShowMessage("Warning", OutputRefusalText(path, output, refusal));
        return;
    }
    if (!write(songs_, path))
        ui_.ShowMessage("Error", "The file \"" + DisplayText(path) +
                                     "\" could not be written. Nothing was saved.");
}

void CMainDialog::SaveProject() {
    Export(FolderKind::kMpj, kSaveProjectFilter, "MPJ", OutputKind::kProject, WriteProjectFile);
}
void CMainDialog::ExportM3u() {
    Export(FolderKind::kPls, kM3uFilter, "M3U", OutputKind::kPlaylist, WriteM3uFile);
}
void CMainDialog::ExportPls() {
    Export(FolderKind::kPls, kPlsFilter, "PLS", OutputKind::kPlaylist, WritePlsFile);
}
void CMainDialog::ExportSongText() {
    Export(FolderKind::kPls, kTextFilter, "TXT", OutputKind::kSongText, WriteSongTextFile);
}

void CMainDialog::ExportWav() {
    ::ExportWav(songs_, folders_, ui_);
}

void CMainDialog::ExportRawTrack() {
    ::ExportRawTrack(songs_, folders_, ui_);
}

void CMainDialog::Record() {
    if (!recordEnabled_)
        return;
    int32_t normalize = LoadNormalizeDefault(app_.StartFolder(), ui_);
    app_.NewCdTextBuilder();
    // The disc takes what it can: at most 99 tracks within its own budget; songs that no
    // longer inspect are left out.  The song list itself is not changed by recording.
    int32_t padded = 0;
    FillDiscImage(songs_, app_.DiscImage(), {}, [&padded](int32_t) { ++padded; });
    if (padded > 0) {
        const std::string least = std::to_string(CDiscImage::kMinTrackSeconds) + " seconds";
        ui_.ShowMessage("Warning", std::to_string(padded) +
                                       (padded == 1 ? " song is" : " songs are") +
                                       " shorter than " + least +
                                       ", the shortest track a CD allows: silence will make "
                                       "up the " +
                                       least + ".");
    }
    ui_.RunRecordDialog(CRecordDialogRequest{app_, normalize});
    app_.DeleteCdTextBuilder();
}

void CMainDialog::Help() {
    OpenHelp(shell_, app_.StartFolder());
}
void CMainDialog::TipsOfTheDay() {
    ui_.ShowTipOfTheDay();
}
void CMainDialog::PrintCover() {
    ui_.RunCoverDialog();
}

bool CMainDialog::LanguageCommand(int32_t commandId) {
    if (!LanguageTable().OnLanguageCommand(commandId))
        return false;
    songs_.UpdateStatusLine();
    ui_.RefreshTexts();
    return true;
}

void CMainDialog::Minimize() {
    ui_.Minimize();
}
void CMainDialog::Exit() {
    ui_.CloseMainWindow();
}
