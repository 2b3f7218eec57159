#include "app/MainDialog.h"

#include <algorithm>
#include <filesystem>

#include "app/DiscFilling.h"
#include "base/DisplayText.h"
#include "base/FileIo.h"
#include "base/OutputFile.h"
#include "base/Version.h"
#include "disc/DiscImage.h"
#include "recording/AudioExport.h"
#include "recording/GaplessSetting.h"
#include "recording/Normalization.h"
#include "recording/RecordRunSetup.h"
#include "songlist/FolderScan.h"
#include "songlist/SongListFiles.h"
#include "ui/LanguageTable.h"
#include "ui/TextFormat.h"

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

constexpr int32_t kSaveChangesText = 4000;
constexpr int32_t kRefusedText = 4001;
constexpr int32_t kRefusedMoreText = 4002;
constexpr int32_t kNoRecorderText = 4005;
constexpr int32_t kEmptyListText = 4006;
constexpr int32_t kHelpMissingText = 4009;
constexpr int32_t kSavedText = 4010;
constexpr int32_t kCannotReadText = 4021;
// A message names this many refused songs; the rest are counted.
constexpr size_t kRefusedNamed = 10;

std::string FileName(const std::string& path) {
    size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}
}  // namespace

CMainDialog::CMainDialog(IMainWindowUi& ui, IShell& shell, CBurnerApp& app)
    : ui_(ui),
      shell_(shell),
      app_(app),
      driverExists_(app.Driver() != nullptr),
      folders_(app.StartFolder()) {
    songs_.SetGapless(GaplessChosen());
    songs_.ClearSongs();
    folders_.LoadFolderMemory();
}

bool CMainDialog::GaplessChosen() const {
    return LoadGaplessSetting(app_.StartFolder()) && GaplessRefusal(app_.Driver()).empty();
}

bool CMainDialog::IsCommandEnabled(int32_t controlId) const {
    if (controlId == kDeleteControl)
        return deleteEnabled_;
    if (controlId == kRecordControl)
        return recordEnabled_;
    return true;
}

std::string CMainDialog::DisabledReason(int32_t controlId) const {
    if (IsCommandEnabled(controlId))
        return "";
    if (controlId == kRecordControl && !driverExists_)
        return Text(kNoRecorderText);
    return Text(kEmptyListText);
}

void CMainDialog::UpdateAvailability(bool tellAlways) {
    bool any = songs_.RowCount() > 0;
    if (any != deleteEnabled_ || tellAlways) {
        deleteEnabled_ = any;
        ui_.SetCommandEnabled(kDeleteControl, any, DisabledReason(kDeleteControl));
    }
    bool record = any && driverExists_;
    if (record != recordEnabled_ || tellAlways) {
        recordEnabled_ = record;
        ui_.SetCommandEnabled(kRecordControl, record, DisabledReason(kRecordControl));
    }
}

bool CMainDialog::ListChanged() const {
    // An empty list holds no work to lose.
    return songs_.RowCount() > 0 && songs_.Revision() != savedRevision_;
}

bool CMainDialog::MayDiscardList() {
    if (!ListChanged())
        return true;
    switch (ui_.AskSaveChanges(Text(kSaveChangesText))) {
        case SaveChangesAnswer::kSave:
            return SaveProjectFile();
        case SaveChangesAnswer::kDiscard:
            return true;
        case SaveChangesAnswer::kCancel:
            break;
    }
    return false;
}

void CMainDialog::Add(const std::string& file) {
    if (songs_.AddSong(file) == AddSongResult::kOverBudget)
        refused_.push_back(file);
}

void CMainDialog::Import(const std::string& playlist) {
    std::vector<CSkippedEntry> skipped;
    const bool read = IsM3uPlaylist(playlist) ? ImportM3u(songs_, playlist, &skipped)
                                              : ImportPls(songs_, playlist, &skipped);
    if (!read) {
        ui_.ShowMessage(tunevarn::kProgramName,
                        FormatText(kCannotReadText, {DisplayText(playlist)}));
        return;
    }
    for (const CSkippedEntry& entry : skipped)
        if (entry.why == PlaylistSkip::kOverBudget)
            refused_.push_back(entry.entry);
}

void CMainDialog::TellRefused() {
    if (refused_.empty())
        return;
    std::string text = Text(kRefusedText);
    for (size_t i = 0; i < refused_.size() && i < kRefusedNamed; ++i)
        text += "\n" + DisplayText(FileName(refused_[i]));
    if (refused_.size() > kRefusedNamed)
        text += "\n" + FormatText(kRefusedMoreText,
                                  {static_cast<int32_t>(refused_.size() - kRefusedNamed)});
    refused_.clear();
    ui_.ShowMessage(tunevarn::kProgramName, text);
}

void CMainDialog::NoteSaved(const std::string& path) {
    ui_.ShowStatusNote(FormatText(kSavedText, {DisplayText(path)}));
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
    for (const std::string& file : files) Add(file);
    songs_.UpdateStatusLine();
    UpdateAvailability();
    TellRefused();
}

void CMainDialog::DeleteSongs() {
    if (!deleteEnabled_)
        return;
    songs_.DeleteSelectedSongs();
    UpdateAvailability();
}

void CMainDialog::NewList() {
    if (!MayDiscardList())
        return;
    songs_.ClearSongs();
    savedRevision_ = songs_.Revision();
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
            for (const std::string& file : found) Add(file);
        } else if (HasExtension(name, ".mp3")) {
            Add(name);
        } else if (IsM3uPlaylist(name) || HasExtension(name, ".pls")) {
            Import(name);
        }
    }
    UpdateAvailability();
    TellRefused();
}

void CMainDialog::OpenProject() {
    CFileDialogRequest request{kOpenProjectFilter, "MPJ",
                               folders_.EnterFolderMemory(FolderKind::kMpj), ""};
    std::vector<std::string> files = ui_.AskFilesToOpen(request, false);
    if (files.empty())
        return;
    const std::string& path = files.front();
    folders_.SaveFolderMemory(FolderKind::kMpj, FolderOf(path));
    if (IsM3uPlaylist(path) || HasExtension(path, ".pls")) {
        // A playlist adds to the list; into an empty list it is the list as loaded.
        const bool fresh = songs_.RowCount() == 0;
        Import(path);
        if (fresh)
            savedRevision_ = songs_.Revision();
    } else {
        // A project replaces the list.
        if (!MayDiscardList())
            return;
        if (ReadProjectFile(songs_, path))
            savedRevision_ = songs_.Revision();
        else
            ui_.ShowMessage(tunevarn::kProgramName,
                            FormatText(kCannotReadText, {DisplayText(path)}));
    }
    songs_.UpdateStatusLine();
    UpdateAvailability();
    TellRefused();
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

std::string CMainDialog::Export(FolderKind kind, const char* filter, const char* extension,
                                OutputKind output,
                                bool (*write)(const CSongList&, const std::string&)) {
    std::string path = AskSave(kind, filter, extension);
    if (path.empty())
        return path;
    // A song of the list, or any file that is not of this kind, is never written over.
    if (OutputRefusal refusal = CheckOutputFile(path, output, songs_.FullPaths());
        refusal != OutputRefusal::kNone) {
        ui_.ShowMessage("Warning", OutputRefusalText(path, output, refusal));
        return "";
    }
    if (!write(songs_, path)) {
        ui_.ShowMessage("Error", "The file \"" + DisplayText(path) +
                                     "\" could not be written. Nothing was saved.");
        return "";
    }
    NoteSaved(path);
    return path;
}

bool CMainDialog::SaveProjectFile() {
    const uint64_t revision = songs_.Revision();
    if (Export(FolderKind::kMpj, kSaveProjectFilter, "MPJ", OutputKind::kProject, WriteProjectFile)
            .empty())
        return false;
    savedRevision_ = revision;
    return true;
}

void CMainDialog::SaveProject() {
    SaveProjectFile();
}
void CMainDialog::ExportM3u() {
    (void)Export(FolderKind::kPls, kM3uFilter, "M3U", OutputKind::kPlaylist, WriteM3uFile);
}
void CMainDialog::ExportPls() {
    (void)Export(FolderKind::kPls, kPlsFilter, "PLS", OutputKind::kPlaylist, WritePlsFile);
}
void CMainDialog::ExportSongText() {
    (void)Export(FolderKind::kPls, kTextFilter, "TXT", OutputKind::kSongText, WriteSongTextFile);
}

void CMainDialog::ExportWav() {
    std::string path;
    if (::ExportWav(songs_, folders_, ui_, &path) == ExportResult::kWritten)
        NoteSaved(path);
}

void CMainDialog::ExportRawTrack() {
    std::string path;
    if (::ExportRawTrack(songs_, folders_, ui_, &path) == ExportResult::kWritten)
        NoteSaved(path);
}

void CMainDialog::Record() {
    if (!recordEnabled_)
        return;
    int32_t normalize = LoadNormalizeDefault(app_.StartFolder(), ui_);
    app_.NewCdTextBuilder();
    // The disc takes what it can: at most 99 tracks within its own budget; songs that no
    // longer inspect are left out.  The song list itself is not changed by recording.
    int32_t padded = 0;
    app_.DiscImage().SetGapless(songs_.Gapless() ? 1 : 0);
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
    ui_.RunRecordDialog(CRecordDialogRequest{app_, normalize, folders_});
    app_.DeleteCdTextBuilder();
    // The dialog may have changed how songs are laid: the totals follow.
    songs_.SetGapless(GaplessChosen());
}

void CMainDialog::Help() {
    const std::string path = HelpFile(app_.StartFolder());
    CFile file;
    if (!file.OpenForReading(path.c_str())) {
        ui_.ShowMessage(tunevarn::kProgramName, FormatText(kHelpMissingText, {DisplayText(path)}));
        return;
    }
    // Without a browser the page opens in the program's own help window.
    if (!shell_.OpenDocument(path))
        ui_.ShowHelpPage(path);
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
    UpdateAvailability(true);  // the reasons of disabled controls, in the new language
    return true;
}

void CMainDialog::Minimize() {
    ui_.Minimize();
}
void CMainDialog::Exit() {
    if (MayDiscardList())
        ui_.CloseMainWindow();
}
