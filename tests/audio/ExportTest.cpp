// Exporting one song: the WAV header to the byte, files of exactly the track's length,
// the commands with their save dialog, and failures that must leave no file behind.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "audio/Mp3Source.h"
#include "audio/WavHeader.h"
#include "base/FolderMemory.h"
#include "recording/AudioExport.h"
#include "songlist/SongList.h"
#include "support/Mp3Craft.h"
#include "support/TestPaths.h"
#include "ui/LanguageTable.h"

namespace {
namespace fs = std::filesystem;
using testpaths::FilesIn;
using testpaths::Fixture;

// The export's view of a user: answers the save dialog from a script, keeps messages.
class CScriptedExportUi : public IExportUi {
  public:
    std::string answer;  // the chosen path; empty = cancel
    std::vector<CFileDialogRequest> questions;
    std::vector<std::pair<std::string, std::string>> messages;  // title, text
    int64_t lastDone = -1, lastTotal = -1;
    int started = 0, ended = 0;

    bool AskSaveFile(const CFileDialogRequest& question, std::string& chosenPath) override {
        questions.push_back(question);
        chosenPath = answer;
        return !answer.empty();
    }
    void ShowMessage(const std::string& title, const std::string& text) override {
        messages.emplace_back(title, text);
    }
    void ExportStarted() override {
        ++started;
        lastDone = -1;
    }
    void ExportProgress(int64_t done, int64_t total) override {
        EXPECT_GE(done, lastDone);
        lastDone = done, lastTotal = total;
    }
    void ExportEnded() override { ++ended; }
};

TEST(WavHeader, AllFortyFourBytes) {
    WavHeader header;
    WriteWavHeader(header, 529200);
    const uint8_t expected[44] = {
        'R',  'I',  'F',  'F', 0x54, 0x13, 0x08, 0x00,  // 529236
        'W',  'A',  'V',  'E', 'f',  'm',  't',  ' ',  16,   0,    0,    0,
        1,    0,    2,    0,   0x44, 0xAC, 0,    0,                             // 44100
        0x10, 0xB1, 0x02, 0,                                                    // 176400
        4,    0,    16,   0,   'd',  'a',  't',  'a',  0x30, 0x13, 0x08, 0x00,  // 529200
    };
    EXPECT_EQ(std::vector<uint8_t>(header.bytes.begin(), header.bytes.end()),
              std::vector<uint8_t>(expected, expected + 44));
}

TEST(ExportSong, ThreeSecondSongAsWavAndAsRawTrack) {
    std::string dir = testpaths::TempDir("export3");
    std::string song = dir + "/three.mp3";
    mp3craft::WriteSeconds(song, 3);
    CScriptedExportUi ui;
    ASSERT_EQ(ExportSongFile(ExportFormat::kWav, song, dir + "/out.wav", ui),
              ExportResult::kWritten);
    std::vector<uint8_t> wav = mp3craft::ReadBytes(dir + "/out.wav");
    ASSERT_EQ(wav.size(), 44u + 529200u);
    WavHeader header;
    WriteWavHeader(header, 529200);
    EXPECT_TRUE(std::equal(header.bytes.begin(), header.bytes.end(), wav.begin()));
    EXPECT_EQ(ui.lastDone, 529200);
    EXPECT_EQ(ui.lastTotal, 529200);
    EXPECT_EQ(ui.started, 1);
    EXPECT_EQ(ui.ended, 1);
    EXPECT_TRUE(ui.messages.empty());

    ASSERT_EQ(ExportSongFile(ExportFormat::kRawTrack, song, dir + "/Track01.bin", ui),
              ExportResult::kWritten);
    std::vector<uint8_t> raw = mp3craft::ReadBytes(dir + "/Track01.bin");
    ASSERT_EQ(raw.size(), 529200u);
    EXPECT_TRUE(std::equal(raw.begin(), raw.end(), wav.begin() + 44));
    EXPECT_EQ(FilesIn(dir), (std::vector<std::string>{"Track01.bin", "out.wav", "three.mp3"}));
}

TEST(ExportSong, UnreadableSongWritesNothing) {
    std::string dir = testpaths::TempDir("export-gone");
    CScriptedExportUi ui;
    EXPECT_EQ(ExportSongFile(ExportFormat::kWav, dir + "/gone.mp3", dir + "/out.wav", ui),
              ExportResult::kUnreadable);
    EXPECT_EQ(ExportSongFile(ExportFormat::kRawTrack, Fixture("garbage.mp3"), dir + "/out.bin", ui),
              ExportResult::kUnreadable);
    ASSERT_EQ(ui.messages.size(), 2u);
    EXPECT_EQ(ui.messages[0].first, "Warning");
    EXPECT_NE(ui.messages[0].second.find("gone.mp3"), std::string::npos);
    EXPECT_EQ(ui.started, 0);
    EXPECT_TRUE(FilesIn(dir).empty());
}

TEST(ExportSong, WriteFailureKeepsTheOldFileAndLeavesNoPartialOne) {
    // The disk "fills up" after 100000 bytes (a file size limit in a child process):
    // the target keeps its old contents and no temporary file remains.
    std::string dir = testpaths::TempDir("export-full");
    std::string out = dir + "/out.wav";
    const std::vector<uint8_t> old = {'R', 'I', 'F', 'F', 4, 0, 0, 0, 'W', 'A', 'V', 'E'};
    mp3craft::WriteBytes(out, old);
    pid_t pid = ::fork();
    if (pid == 0) {
        ::signal(SIGXFSZ, SIG_IGN);
        rlimit limit{100000, 100000};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        CScriptedExportUi ui;
        ExportResult result =
            ExportSongFile(ExportFormat::kWav, Fixture("m1_44100_stereo.mp3"), out, ui);
        bool told = ui.messages.size() == 1 && ui.messages[0].first == "trace" &&
                    ui.messages[0].second.find("file write error!") == 0;
        ::_exit(result == ExportResult::kWriteFailed && told ? 0 : 1);
    }
    ASSERT_GT(pid, 0);
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(mp3craft::ReadBytes(out), old);
    EXPECT_EQ(FilesIn(dir), std::vector<std::string>{"out.wav"});
}

TEST(ExportCommands, NoFocusWarnsAndCancelWritesNothing) {
    std::string start = testpaths::TempDir("export-cmd-start");
    CFolderMemory memory(start);
    memory.LoadFolderMemory();
    CSongList list;
    ASSERT_EQ(list.AddSong(Fixture("id3v1_space.mp3")), AddSongResult::kAdded);
    list.SetFocusedRow(-1);
    CScriptedExportUi ui;
    EXPECT_EQ(ExportWav(list, memory, ui), ExportResult::kNoFocus);
    EXPECT_EQ(ExportRawTrack(list, memory, ui), ExportResult::kNoFocus);
    ASSERT_EQ(ui.messages.size(), 2u);
    EXPECT_EQ(ui.messages[0].first, "Warning");
    EXPECT_EQ(ui.messages[0].second, CLanguageTable::BuiltInText(1001));
    EXPECT_TRUE(ui.questions.empty());

    list.SetFocusedRow(0);
    EXPECT_EQ(ExportWav(list, memory, ui), ExportResult::kCancelled);
    EXPECT_EQ(memory.Remembered(FolderKind::kWav), "");
    EXPECT_TRUE(FilesIn(start).empty()) << "no WAV.dir, no file";
}

}  // namespace
