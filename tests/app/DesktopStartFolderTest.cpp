// The start folder of a program started from the desktop's menu: made and seeded with the
// installed data on the first start, the user's changes kept on every later one.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "app/DesktopStartFolder.h"
#include "support/TestPaths.h"

namespace fs = std::filesystem;

namespace {
void Put(const fs::path& path, const std::string& text) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
}
std::string Get(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}
// The installed data of these tests.
void PutShipped(const fs::path& shipped) {
    Put(shipped / "tips.txt", "Shipped tip\r\n");
    Put(shipped / "Help.htm", "<p>help</p>");
    Put(shipped / "driver.lst", "VENDOR MODEL MMC\r\n");
    Put(shipped / "Language/Deutsch.txt", "1 Datei\r\n");
}
}  // namespace

TEST(DesktopStartFolderTest, SeedsOnceThenKeepsWhatTheUserChanged) {
    fs::path root = testpaths::TempDir("seed");
    fs::path shipped = root / "usr/share/tunevarn";
    PutShipped(shipped);
    Put(shipped / "cover/sample.jpg", std::string("\xff\xd8\xff\0\x01", 5));
    fs::path home = root / "home/.local/share/tunevarn";  // none of it exists yet

    // First start: the folder is made and holds every shipped file, byte for byte.
    std::string problem, leftAlone;
    ASSERT_TRUE(SeedStartFolder(shipped.string(), home.string(), problem, leftAlone)) << problem;
    for (const char* name :
         {"tips.txt", "Help.htm", "driver.lst", "Language/Deutsch.txt", "cover/sample.jpg"})
        EXPECT_EQ(Get(home / name), Get(shipped / name)) << name;

    // The user edits the tips and the drive list, deletes the help page, and keeps
    // settings of their own next to them.
    Put(home / "tips.txt", "My own tip\r\n");
    Put(home / "driver.lst", "MINE\r\n");
    fs::remove(home / "Help.htm");
    Put(home / "language.set", "Deutsch\r\nDeutsch.txt\r\n");

    // Second start: changes survive, the missing file comes back, nothing else moves.
    ASSERT_TRUE(SeedStartFolder(shipped.string(), home.string(), problem, leftAlone)) << problem;
    EXPECT_EQ(Get(home / "tips.txt"), "My own tip\r\n");
    EXPECT_EQ(Get(home / "driver.lst"), "MINE\r\n");
    EXPECT_EQ(Get(home / "Help.htm"), "<p>help</p>");
    EXPECT_EQ(Get(home / "language.set"), "Deutsch\r\nDeutsch.txt\r\n");

    // A newer installed version: files the user never touched follow it, changed ones
    // stay the user's, and a new shipped file arrives.
    Put(shipped / "tips.txt", "Shipped tip, revised\r\n");
    Put(shipped / "Language/Deutsch.txt", "1 Datei, neu\r\n");
    Put(shipped / "Language/Francais.txt", "1 fichier\r\n");
    ASSERT_TRUE(SeedStartFolder(shipped.string(), home.string(), problem, leftAlone)) << problem;
    EXPECT_EQ(Get(home / "tips.txt"), "My own tip\r\n");
    EXPECT_EQ(Get(home / "Language/Deutsch.txt"), "1 Datei, neu\r\n");
    EXPECT_EQ(Get(home / "Language/Francais.txt"), "1 fichier\r\n");

    // A file the user changed stays theirs through every later version.
    Put(home / "Language/Deutsch.txt", "1 Datei, von mir\r\n");
    Put(shipped / "Language/Deutsch.txt", "1 Datei, noch neuer\r\n");
    ASSERT_TRUE(SeedStartFolder(shipped.string(), home.string(), problem, leftAlone)) << problem;
    EXPECT_EQ(Get(home / "Language/Deutsch.txt"), "1 Datei, von mir\r\n");
}

// Links, read-only files and whatever else the user put in the folder are theirs: never
// written through, named in one line.  A folder that cannot be made says why.
TEST(DesktopStartFolderTest, NeverWritesThroughALinkNorOverWhatTheUserMadeReadOnly) {
    fs::path root = testpaths::TempDir("seed-links");
    fs::path shipped = root / "share/tunevarn";
    PutShipped(shipped);
    Put(root / "elsewhere/precious.txt", "keep me");
    fs::create_directories(root / "elsewhere/folder");
    fs::path home = root / "home";
    fs::create_directories(home);
    fs::create_symlink(root / "elsewhere/precious.txt", home / ".shipped");
    fs::create_symlink(root / "elsewhere/precious.txt", home / "Help.htm");
    fs::create_symlink(root / "elsewhere/folder", home / "Language");
    Put(home / "driver.lst", "MINE\r\n");
    fs::permissions(home / "driver.lst", fs::perms::owner_read | fs::perms::group_read);

    for (int start = 0; start < 2; ++start) {
        std::string problem, leftAlone;
        EXPECT_TRUE(SeedStartFolder(shipped.string(), home.string(), problem, leftAlone))
            << problem;
        EXPECT_EQ(std::count(leftAlone.begin(), leftAlone.end(), '\n'), 0) << leftAlone;
        for (const char* name : {".shipped", "Help.htm", "Language", "driver.lst"})
            EXPECT_NE(leftAlone.find(name), std::string::npos) << name << ": " << leftAlone;
        EXPECT_EQ(Get(home / "tips.txt"), "Shipped tip\r\n");
        EXPECT_EQ(Get(root / "elsewhere/precious.txt"), "keep me");
        EXPECT_TRUE(fs::is_empty(root / "elsewhere/folder"));
        EXPECT_TRUE(fs::is_symlink(home / "Help.htm"));
        EXPECT_EQ(Get(home / "driver.lst"), "MINE\r\n");
    }

    // Made below a file, the folder cannot be: the reason is the real one.
    Put(root / "file", "");
    std::string problem, leftAlone;
    EXPECT_FALSE(
        SeedStartFolder(shipped.string(), (root / "file/tunevarn").string(), problem, leftAlone));
    EXPECT_NE(problem.find((root / "file/tunevarn").string() + ": Not a directory"),
              std::string::npos)
        << problem;
}
