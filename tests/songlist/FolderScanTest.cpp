// Songs found in a dropped folder.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "songlist/FolderScan.h"
#include "support/TestPaths.h"

namespace {
void Touch(const std::string& path) {
    testpaths::WriteText(path, "x");
}

std::vector<std::string> Relative(const std::string& root, const std::vector<std::string>& paths) {
    std::vector<std::string> out;
    for (const auto& p : paths) out.push_back(p.substr(root.size() + 1));
    return out;
}

TEST(FolderScan, RecursiveMp3FilesInNameOrder) {
    std::string root = testpaths::TempDir("scan");
    Touch(root + "/b.MP3");
    Touch(root + "/notes.txt");
    Touch(root + "/A.mp3");
    Touch(root + "/c/d.Mp3");
    Touch(root + "/c/e.wav");
    Touch(root + "/C2.mp3");
    Touch(root + "/.hidden/h.mp3");
    Touch(root + "/x.mp3.txt");
    std::filesystem::create_directories(root + "/folder.mp3");  // a folder is not a song

    std::vector<std::string> found;
    CollectMp3Files(root, found);
    std::vector<std::string> expected = {"A.mp3", "b.MP3", "c/d.Mp3", "C2.mp3"};
    EXPECT_EQ(Relative(root, found), expected);
}

TEST(FolderScan, LinkLoopsAndUnreadableFoldersEndTheWalk) {
    std::string root = testpaths::TempDir("loop");
    Touch(root + "/a/song.mp3");
    ASSERT_EQ(::symlink("..", (root + "/a/up").c_str()), 0);
    ASSERT_EQ(::symlink(root.c_str(), (root + "/a/again").c_str()), 0);
    std::vector<std::string> found;
    CollectMp3Files(root, found);
    EXPECT_EQ(Relative(root, found), std::vector<std::string>{"a/song.mp3"});

    found.clear();
    CollectMp3Files(root + "/missing", found);
    CollectMp3Files(root + "/a/song.mp3", found);  // not a folder
    EXPECT_TRUE(found.empty());
}

}  // namespace
