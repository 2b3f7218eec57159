// The start folder of a program started from the desktop's menu: made and seeded with the
// installed data on the first start, the user's changes kept on every later one.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>

#include "app/DesktopStartFolder.h"
#include "support/TestPaths.h"

namespace fs = std::filesystem;

namespace {
using testpaths::ReadText;
using testpaths::WriteText;

// The installed data of these tests.
void PutShipped(const fs::path& shipped) {
    WriteText(shipped / "tips.txt", "Shipped tip\r\n");
    WriteText(shipped / "Help.htm", "<p>help</p>");
    WriteText(shipped / "driver.lst", "VENDOR MODEL MMC\r\n");
    WriteText(shipped / "Language/Deutsch.txt", "1 Datei\r\n");
}
}  // namespace

TEST(DesktopStartFolderTest, SeedsOnceThenKeepsWhatTheUserChanged) {
    fs::path root = testpaths::TempDir("seed");
    fs::path shipped = root / "usr/share/tunevarn";
    PutShipped(shipped);
    WriteText(shipped / "cover/sample.jpg", std::string("\xff\xd8\xff\0\x01", 5));
    fs::path home = root / "home/.local/share/tunevarn";  // none of it exists yet

    // First start: the folder is made and holds every shipped file, byte for byte.
    std::string problem, leftAlone;
    ASSERT_TRUE(SeedStartFolder(shipped.string(), home.string(), problem, leftAlone)) << problem;
    for (const char* name :
         {"tips.txt", "Help.htm", "driver.lst", "Language/Deutsch.txt", "cover/sample.jpg"})
        EXPECT_EQ(ReadText(home / name), ReadText(shipped / name)) << name;

    // The user edits the tips and the drive list, deletes the help page, and keeps
    // settings of their own next to them.
    WriteText(home / "tips.txt", "My own tip\r\n");
    WriteText(home / "driver.lst", "MINE\r\n");
    fs::remove(home / "Help.htm");
    WriteText(home / "language.set", "Deutsch\r\nDeutsch.txt\r\n");

    // Second start: changes survive, the missing file comes back, nothing else moves.
    ASSERT_TRUE(SeedStartFolder(shipped.string(), home.string(), problem, leftAlone)) << problem;
    EXPECT_EQ(ReadText(home / "tips.txt"), "My own tip\r\n");
    EXPECT_EQ(ReadText(home / "driver.lst"), "MINE\r\n");
    EXPECT_EQ(ReadText(home / "Help.htm"), "<p>help</p>");
    EXPECT_EQ(ReadText(home / "language.set"), "Deutsch\r\nDeutsch.txt\r\n");

    // A newer installed version: files the user never touched follow it, changed ones
    // stay the user's, and a new shipped file arrives.
    WriteText(shipped / "tips.txt", "Shipped tip, revised\r\n");
    WriteText(shipped / "Language/Deutsch.txt", "1 Datei, neu\r\n");
    WriteText(shipped / "Language/Francais.txt", "1 fichier\r\n");
    ASSERT_TRUE(SeedStartFolder(shipped.string(), home.string(), problem, leftAlone)) << problem;
    EXPECT_EQ(ReadText(home / "tips.txt"), "My own tip\r\n");
    EXPECT_EQ(ReadText(home / "Language/Deutsch.txt"), "1 Datei, neu\r\n");
    EXPECT_EQ(ReadText(home / "Language/Francais.txt"), "1 fichier\r\n");

    // A file the user changed stays theirs through every later version.
    WriteText(home / "Language/Deutsch.txt", "1 Datei, von mir\r\n");
    WriteText(shipped / "Language/Deutsch.txt", "1 Datei, noch neuer\r\n");
    ASSERT_TRUE(SeedStartFolder(shipped.string(), home.string(), problem, leftAlone)) << problem;
    EXPECT_EQ(ReadText(home / "Language/Deutsch.txt"), "1 Datei, von mir\r\n");
}

// Links, read-only files and whatever else the user put in the folder are theirs: never
// written through, named in one line.  A folder that cannot be made says why.
TEST(DesktopStartFolderTest, NeverWritesThroughALinkNorOverWhatTheUserMadeReadOnly) {
    fs::path root = testpaths::TempDir("seed-links");
    fs::path shipped = root / "share/tunevarn";
    PutShipped(shipped);
    WriteText(root / "elsewhere/precious.txt", "keep me");
    fs::create_directories(root / "elsewhere/folder");
    fs::path home = root / "home";
    fs::create_directories(home);
    fs::create_symlink(root / "elsewhere/precious.txt", home / ".shipped");
    fs::create_symlink(root / "elsewhere/precious.txt", home / "Help.htm");
    fs::create_symlink(root / "elsewhere/folder", home / "Language");
    WriteText(home / "driver.lst", "MINE\r\n");
    fs::permissions(home / "driver.lst", fs::perms::owner_read | fs::perms::group_read);

    for (int start = 0; start < 2; ++start) {
        std::string problem, leftAlone;
        EXPECT_TRUE(SeedStartFolder(shipped.string(), home.string(), problem, leftAlone))
            << problem;
        EXPECT_EQ(std::count(leftAlone.begin(), leftAlone.end(), '\n'), 0) << leftAlone;
        for (const char* name : {".shipped", "Help.htm", "Language", "driver.lst"})
            EXPECT_NE(leftAlone.find(name), std::string::npos) << name << ": " << leftAlone;
        EXPECT_EQ(ReadText(home / "tips.txt"), "Shipped tip\r\n");
        EXPECT_EQ(ReadText(root / "elsewhere/precious.txt"), "keep me");
        EXPECT_TRUE(fs::is_empty(root / "elsewhere/folder"));
        EXPECT_TRUE(fs::is_symlink(home / "Help.htm"));
        EXPECT_EQ(ReadText(home / "driver.lst"), "MINE\r\n");
    }

    // Made below a file, the folder cannot be: the reason is the real one.
    WriteText(root / "file", "");
    std::string problem, leftAlone;
    EXPECT_FALSE(
        SeedStartFolder(shipped.string(), (root / "file/tunevarn").string(), problem, leftAlone));
    EXPECT_NE(problem.find((root / "file/tunevarn").string() + ": Not a directory"),
              std::string::npos)
        << problem;
}
