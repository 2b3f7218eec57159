// tunevarn-cli with playlists and projects, save-project, export-list and --lang.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "support/Mp3Craft.h"
#include "support/RunCommand.h"
#include "support/TestPaths.h"

namespace {
using testpaths::Cli;
using testpaths::RunProgram;

std::string ReadText(const std::string& path) {
    auto b = mp3craft::ReadBytes(path);
    return std::string(b.begin(), b.end());
}

class CliSongFiles : public ::testing::Test {
  protected:
    void SetUp() override {
        dir = testpaths::TempDir("cli-files");
        mp3craft::WriteSeconds(dir + "/a.mp3", 61);
        mp3craft::WriteSeconds(dir + "/b.mp3", 122);
    }
    std::string dir;
};

TEST_F(CliSongFiles, SaveProjectThenListItWithPlaylists) {
    auto r = RunProgram({Cli(), "save-project", dir + "/p.mpj", dir + "/b.mp3", dir + "/a.mp3"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadText(dir + "/p.mpj"), "b\r\n" + dir + "/b.mp3\r\na\r\n" + dir + "/a.mp3\r\n");

    std::ofstream(dir + "/l.m3u") << "a.mp3\n";
    r = RunProgram({Cli(), "list", "l.m3u", "p.mpj"}, dir);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("3 songs, total time: 04:04,"), std::string::npos) << r.out;
}

TEST_F(CliSongFiles, PlaylistEntriesThatAreNotListedAreNamedWithTheReason) {
    std::filesystem::create_directories(dir + "/folder");
    std::ofstream(dir + "/notes.txt") << "notes\n";
    std::ofstream(dir + "/l.m3u8") << "\xEF\xBB\xBF#EXTM3U\n#EXTINF:61,Listed Title\na.mp3\n"
                                      "gone.mp3\nfolder\nnotes.txt\nhttp://radio/x.mp3\n";
    auto r = RunProgram({Cli(), "list", "l.m3u8"}, dir);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("Listed Title"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("1 song, total time: 01:01,"), std::string::npos) << r.out;
    const std::string in = " in " + dir + "/l.m3u8: ";
    EXPECT_EQ(r.err, "tunevarn-cli: skipped gone.mp3" + in + "no such file\n" +
                         "tunevarn-cli: skipped folder" + in + "a folder, not a song\n" +
                         "tunevarn-cli: skipped notes.txt" + in + "not an MP3 file\n" +
                         "tunevarn-cli: skipped http://radio/x.mp3" + in +
                         "not a file on this computer\n");
}

TEST_F(CliSongFiles, ExportListFormats) {
    ASSERT_EQ(RunProgram({Cli(), "export-list", "m3u", dir + "/l.m3u", dir}).status, 0);
    EXPECT_EQ(ReadText(dir + "/l.m3u"), dir + "/a.mp3\r\n" + dir + "/b.mp3\r\n");
    ASSERT_EQ(RunProgram({Cli(), "export-list", "pls", dir + "/l.pls", dir + "/a.mp3"}).status, 0);
    EXPECT_EQ(ReadText(dir + "/l.pls"),
              "[playlist]\r\nFile1=" + dir + "/a.mp3\r\nNumberOfEntries=1\r\n");
    ASSERT_EQ(RunProgram({Cli(), "export-list", "txt", dir + "/l.txt", dir + "/b.mp3"}).status, 0);
    EXPECT_NE(ReadText(dir + "/l.txt").find(" 01     02:02     b\r\n"), std::string::npos);

    EXPECT_EQ(RunProgram({Cli(), "export-list", "xml", dir + "/l.xml", dir}).status, 2);
    auto r = RunProgram({Cli(), "export-list", "m3u", dir + "/missing/l.m3u", dir});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("cannot write"), std::string::npos);
}

TEST_F(CliSongFiles, LanguageForOneRun) {
    std::string start = testpaths::TempDir("cli-lang");
    std::filesystem::create_directories(start + "/Language");
    std::ofstream(start + "/Language/de.txt")
        << "[Info]\nLanguage=Deutsch\n[String]\nMP3 Title=Titel\nTime=Zeit\n"
           "%d songs, total time: %02d:%02d, time left:<74min disc>%02d:%02d <80min disc>%02d:%02d="
           "%d Lieder, Spielzeit %02d:%02d, frei: %02d:%02d (74) %02d:%02d (80)\n";
    std::ofstream(start + "/Language/bad.txt")
        << "[Info]\nLanguage=Bad\n[String]\n"
           "%d songs, total time: %02d:%02d, time left:<74min disc>%02d:%02d <80min "
           "disc>%02d:%02d=%s %s %n\n";

    auto r = RunProgram({Cli(), "--lang", "deutsch", "list", dir + "/a.mp3"}, start);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.substr(0, 5), "Titel");
    EXPECT_NE(r.out.find("1 Lieder, Spielzeit 01:01, frei: 72:59 (74) 78:59 (80)"),
              std::string::npos)
        << r.out;
    EXPECT_FALSE(std::filesystem::exists(start + "/language.set"));

    // A translation whose conversions do not fit the values falls back to English.
    r = RunProgram({Cli(), "--lang", "Bad", "list", dir + "/a.mp3"}, start);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("1 song, total time: 01:01"), std::string::npos) << r.out;

    r = RunProgram({Cli(), "--lang", "Klingon", "list", dir}, start);
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("Deutsch"), std::string::npos) << r.err;
}
}  // namespace
