// Folder memory: the 256-byte files, one per kind of dialog, and where dialogs open.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "base/FolderMemory.h"
#include "support/Mp3Craft.h"
#include "support/TestPaths.h"

namespace {
namespace fs = std::filesystem;

std::vector<uint8_t> SlotBytes(const std::string& text, size_t size = 256) {
    std::vector<uint8_t> b(size, 0);
    std::copy(text.begin(), text.end(), b.begin());
    return b;
}

// Each kind of dialog has its file, read on the next run; a kind with nothing remembered
// opens where the last dialog was, or where the program started.
TEST(FolderMemory, EachKindReadsItsOwnFile) {
    std::string start = testpaths::TempDir("fm-kinds");
    std::string wavDir = testpaths::TempDir("fm-wav");
    std::string plsDir = testpaths::TempDir("fm-pls");
    {
        CFolderMemory run1(start);
        run1.LoadFolderMemory();
        EXPECT_EQ(run1.EnterFolderMemory(FolderKind::kMpj), start);
        run1.SaveFolderMemory(FolderKind::kWav, wavDir);
        EXPECT_EQ(mp3craft::ReadBytes(start + "/WAV.dir"), SlotBytes(wavDir));
        run1.SaveFolderMemory(FolderKind::kPls, plsDir);
        EXPECT_EQ(run1.EnterFolderMemory(FolderKind::kMpj), plsDir);
    }
    CFolderMemory run2(start);
    run2.LoadFolderMemory();
    EXPECT_EQ(run2.EnterFolderMemory(FolderKind::kWav), wavDir);
    EXPECT_EQ(run2.EnterFolderMemory(FolderKind::kPls), plsDir);
    EXPECT_EQ(run2.Remembered(FolderKind::kMp3), "");
    EXPECT_FALSE(fs::exists(start + "/MPJ.dir"));
}

TEST(FolderMemory, VanishedFoldersAndUnstorableOnes) {
    std::string start = testpaths::TempDir("fm-gone");
    std::string gone = testpaths::TempDir("fm-soon-gone");
    CFolderMemory memory(start);
    memory.LoadFolderMemory();
    memory.SaveFolderMemory(FolderKind::kMp3, gone);
    fs::remove_all(gone);
    CFolderMemory next(start);
    next.LoadFolderMemory();
    EXPECT_EQ(next.Remembered(FolderKind::kMp3), gone);
    EXPECT_EQ(next.EnterFolderMemory(FolderKind::kMp3), start);

    // A folder that does not fit the slot is not remembered at all, never cut.
    std::string tooLong = "/" + std::string(255, 'l');
    next.SaveFolderMemory(FolderKind::kMp3, tooLong);
    EXPECT_EQ(next.Remembered(FolderKind::kMp3), gone);
    EXPECT_EQ(mp3craft::ReadBytes(start + "/MP3.dir"), SlotBytes(gone));

    // An unwritable start folder: the slot still serves this run.
    CFolderMemory nowhere(start + "/no/such/folder");
    nowhere.LoadFolderMemory();
    nowhere.SaveFolderMemory(FolderKind::kWav, start);
    EXPECT_EQ(nowhere.Remembered(FolderKind::kWav), start);
    EXPECT_EQ(nowhere.EnterFolderMemory(FolderKind::kWav), start);
}

}  // namespace
