#include "recording/AudioExport.h"

#include <cerrno>
#include <cstring>
#include <memory>
#include <vector>

#include "audio/WavHeader.h"
#include "base/DisplayText.h"
#include "base/FileIo.h"
#include "base/OutputFile.h"
#include "base/ReplacingFile.h"
#include "disc/DiscImage.h"
#include "songlist/SongList.h"
#include "ui/LanguageTable.h"

namespace {
constexpr int32_t kReadBlock = 4096;       // bytes asked of the disc image at a time
constexpr size_t kWriteBlock = 64 * 4096;  // bytes gathered before each write
constexpr size_t kMaxFileName = 255;

const char kWavFilter[] = "Wave audio files  {*.wav}|*.wav|All files {*.*}|*.*||";
const char kRawFilter[] = "Raw CD audio track data {*.bin}|*.bin|All files {*.*}|*.*||";

ExportResult ExportFocused(ExportFormat format, const CSongList& list, CFolderMemory& memory,
                           IExportUi& ui, std::string* written) {
    int32_t row = list.FocusedRow();
    if (row < 0 || row >= list.RowCount()) {
        ui.ShowMessage("Warning", Text(1001));
        return ExportResult::kNoFocus;
    }
    CFileDialogRequest question;
    if (format == ExportFormat::kWav) {
        question.defaultExtension = "WAV";
        question.filter = kWavFilter;
        question.suggestedName = SuggestedWavName(list.Title(row));
    } else {
        question.defaultExtension = "bin";
        question.filter = kRawFilter;
        question.suggestedName = "Track01.bin";
    }
    question.folder = memory.EnterFolderMemory(FolderKind::kWav);
    std::string chosen;
    if (!ui.AskSaveFile(question, chosen) || chosen.empty())
        return ExportResult::kCancelled;
    memory.SaveFolderMemory(FolderKind::kWav, FolderOf(chosen));
    ExportResult result = ExportSongFile(format, list.FullPath(row), chosen, ui);
    if (result == ExportResult::kWritten && written != nullptr)
        *written = chosen;
    return result;
}
}  // namespace

std::string SuggestedWavName(const std::string& title) {
    std::string name = title;
    for (char& c : name)
        if (c == '/')
            c = '_';
    name.resize(CutLength(name, kMaxFileName - 4));
    return name + ".WAV";
}

ExportResult ExportSongFile(ExportFormat format, const std::string& songPath,
                            const std::string& outPath, IExportUi& ui) {
    // Never over the song itself (it is being read), nor over a file of another kind.
    const OutputKind kind = format == ExportFormat::kWav ? OutputKind::kWav : OutputKind::kRawAudio;
    if (OutputRefusal refusal = CheckOutputFile(outPath, kind, {songPath});
        refusal != OutputRefusal::kNone) {
        ui.ShowMessage("Warning", OutputRefusalText(outPath, kind, refusal));
        return ExportResult::kRefused;
    }
    // The song is checked before anything is created: a song that no longer opens
    // leaves no file behind, not even an empty one.
    auto disc = std::make_unique<CDiscImage>();
    if (disc->AddTrack(songPath.c_str(), songPath.c_str()) != 1 || disc->OpenTrack(0) != 1) {
        ui.ShowMessage("Warning", "Cannot read the song \"" + DisplayText(songPath) +
                                      "\": the file is missing or is no longer an MP3 file "
                                      "that can be recorded.  Nothing was written.");
        return ExportResult::kUnreadable;
    }
    const int64_t audioBytes = disc->trackBytes[0];

    CReplacingFile file;
    if (!file.Create(outPath)) {
        ui.ShowMessage("trace", "file create error! " + DisplayText(outPath) + ": " +
                                    std::strerror(file.Error()));
        return ExportResult::kCreateFailed;
    }

    std::vector<uint8_t> block(kWriteBlock);
    size_t fill = 0;
    int64_t written = 0;
    bool ok = true;
    if (format == ExportFormat::kWav) {
        WavHeader header;
        WriteWavHeader(header, static_cast<uint32_t>(audioBytes));
        ok = file.Write(header.bytes.data(), header.bytes.size());
    }

    ui.ExportStarted();
    ui.ExportProgress(0, audioBytes);
    bool stopped = false;
    for (int32_t got = kReadBlock; ok && got == kReadBlock;) {
        if (ui.ExportStopRequested()) {
            stopped = true;
            break;
        }
        got = disc->Read(block.data() + fill, kReadBlock);
        fill += static_cast<size_t>(got);
        if (fill + kReadBlock > block.size() || got < kReadBlock) {
            ok = file.Write(block.data(), fill);
            written += static_cast<int64_t>(fill);
            fill = 0;
            ui.ExportProgress(written, audioBytes);
        }
    }
    disc->CloseTrack();
    // Every byte of the track, or the export failed: a short file is never a success.
    ok = !stopped && ok && written == audioBytes && file.Commit();
    ui.ExportEnded();
    if (stopped) {
        file.Abandon();
        return ExportResult::kStopped;
    }
    if (!ok) {
        int error = file.Error();
        file.Abandon();
        ui.ShowMessage("trace", std::string("file write error! ") +
                                    (error != 0 ? std::strerror(error) : "incomplete audio") +
                                    ".  Nothing was saved.");
        return ExportResult::kWriteFailed;
    }
    return ExportResult::kWritten;
}

ExportResult ExportWav(const CSongList& list, CFolderMemory& memory, IExportUi& ui,
                       std::string* written) {
    return ExportFocused(ExportFormat::kWav, list, memory, ui, written);
}

ExportResult ExportRawTrack(const CSongList& list, CFolderMemory& memory, IExportUi& ui,
                            std::string* written) {
    return ExportFocused(ExportFormat::kRawTrack, list, memory, ui, written);
}
