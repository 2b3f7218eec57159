// Projects and playlists: exact bytes out, tolerant reading in.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "songlist/SongListFiles.h"
#include "support/Mp3Craft.h"
#include "support/TestPaths.h"

namespace {
using testpaths::ReadText;
using testpaths::WriteText;
namespace fs = std::filesystem;

class SongFiles : public ::testing::Test {
  protected:
    void SetUp() override {
        dir = testpaths::TempDir("files");
        for (int i = 1; i <= 4; ++i) mp3craft::WriteSeconds(Song(i), 60 * i);
    }
    std::string Song(int i) const { return dir + "/song" + std::to_string(i) + ".mp3"; }

    std::string dir;
};

TEST_F(SongFiles, ProjectRoundTripKeepsRenamedTitles) {
    CSongList list;
    list.AddSong(Song(1));
    list.AddSong(Song(2));
    list.SetTitle(1, "Renamed \xE9 title");
    ASSERT_TRUE(WriteProjectFile(list, dir + "/p.mpj"));
    EXPECT_EQ(ReadText(dir + "/p.mpj"),
              "song1\r\n" + Song(1) + "\r\nRenamed \xE9 title\r\n" + Song(2) + "\r\n");

    CSongList loaded;
    loaded.AddSong(Song(4));  // replaced by the project
    ASSERT_TRUE(ReadProjectFile(loaded, dir + "/p.mpj"));
    ASSERT_EQ(loaded.RowCount(), 2);
    for (int32_t i = 0; i < 2; ++i) {
        EXPECT_EQ(loaded.Title(i), list.Title(i));
        EXPECT_EQ(loaded.FullPath(i), list.FullPath(i));
        EXPECT_EQ(loaded.SongDuration(i), list.SongDuration(i));
    }
    EXPECT_EQ(loaded.TotalSeconds(), 180);
    EXPECT_FALSE(ReadProjectFile(loaded, dir + "/missing.mpj"));
    EXPECT_EQ(loaded.RowCount(), 2);
}

TEST_F(SongFiles, ProjectOfMoreThanAHundredSongsAndOverlongLines) {
    mp3craft::WriteSeconds(dir + "/one.mp3", 1);
    std::string text;
    for (int i = 0; i < 120; ++i) text += "T" + std::to_string(i) + "\r\n" + dir + "/one.mp3\r\n";
    WriteText(dir + "/many.mpj", text);
    CSongList list;
    ASSERT_TRUE(ReadProjectFile(list, dir + "/many.mpj"));
    EXPECT_EQ(list.RowCount(), 100);

    // A title of 100 000 characters is cut, and the songs after it still pair up.
    WriteText(dir + "/long.mpj",
              std::string(100000, 'x') + "\n" + Song(1) + "\nSecond\n" + Song(2) + "\n");
    ASSERT_TRUE(ReadProjectFile(list, dir + "/long.mpj"));
    ASSERT_EQ(list.RowCount(), 2);
    EXPECT_EQ(list.Title(0), std::string(255, 'x'));
    EXPECT_EQ(list.Title(1), "Second");
    EXPECT_EQ(list.FullPath(1), Song(2));
}

TEST_F(SongFiles, PlaylistsWritten) {
    CSongList list;
    list.AddSong(Song(1));
    list.AddSong(Song(2));
    ASSERT_TRUE(WriteM3uFile(list, dir + "/l.m3u"));
    EXPECT_EQ(ReadText(dir + "/l.m3u"), Song(1) + "\r\n" + Song(2) + "\r\n");
    ASSERT_TRUE(WritePlsFile(list, dir + "/l.pls"));
    EXPECT_EQ(ReadText(dir + "/l.pls"), "[playlist]\r\nFile1=" + Song(1) + "\r\nFile2=" + Song(2) +
                                            "\r\nNumberOfEntries=2\r\n");
    // An unwritable target is reported, not silently dropped.
    EXPECT_FALSE(WriteM3uFile(list, dir + "/no/such/folder/l.m3u"));
}

TEST_F(SongFiles, M3uImportAddsToTheListAndResolvesRelativeEntries) {
    fs::create_directories(dir + "/lists");
    fs::copy_file(Song(3), dir + "/lists/local.MP3");
    WriteText(dir + "/lists/l.m3u", "#EXTM3U\r\n#EXTINF:60,Song One\r\n" + Song(1) +
                                        "\r\nlocal.MP3\r\n../song2.mp3\r\nsong.wav\r\n\r\n" +
                                        Song(4) + "\r\n");
    CSongList list;
    list.AddSong(Song(1));
    ASSERT_TRUE(ImportM3u(list, dir + "/lists/l.m3u"));
    ASSERT_EQ(list.RowCount(), 5);
    EXPECT_EQ(list.FullPath(2), dir + "/lists/local.MP3");
    EXPECT_EQ(list.FullPath(3), dir + "/song2.mp3");
    EXPECT_EQ(list.FullPath(4), Song(4));
    EXPECT_FALSE(ImportM3u(list, dir + "/lists/none.m3u"));
    EXPECT_FALSE(ImportM3u(list, dir));  // a folder is not a playlist
}

TEST_F(SongFiles, EveryEntryIsListedOrSkippedWithItsReason) {
    fs::create_directories(dir + "/folder.mp3");
    WriteText(dir + "/sound.wav", "RIFF");
    WriteText(dir + "/text.mp3", "not a song");
    const std::string tooLong = "/" + std::string(300, 'a') + ".mp3";
    WriteText(dir + "/l.m3u",
              "gone.mp3\nfolder.mp3\nsound.wav\ntext.mp3\n"
              "http://radio.example/stream.mp3\nfile://elsewhere/x.mp3\n" +
                  tooLong + "\n" + Song(1) + "\n");
    CSongList list;
    std::vector<CSkippedEntry> skipped;
    ASSERT_TRUE(ImportM3u(list, dir + "/l.m3u", &skipped));
    EXPECT_EQ(list.RowCount(), 1);
    const std::vector<std::pair<std::string, PlaylistSkip>> expected = {
        {"gone.mp3", PlaylistSkip::kMissing},
        {"folder.mp3", PlaylistSkip::kFolder},
        {"sound.wav", PlaylistSkip::kNotMp3},
        {"text.mp3", PlaylistSkip::kNotRecordable},
        {"http://radio.example/stream.mp3", PlaylistSkip::kNotLocal},
        {"file://elsewhere/x.mp3", PlaylistSkip::kNotLocal},
        {tooLong.substr(0, 255), PlaylistSkip::kLineTooLong},
    };
    ASSERT_EQ(skipped.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(skipped[i].entry, expected[i].first) << i;
        EXPECT_EQ(skipped[i].why, expected[i].second) << i;
    }
}

TEST_F(SongFiles, TheLimitOfAHundredCountsSongsNotLines) {
    // 120 songs of an extended M3U, each under its #EXTINF line and a blank line: the
    // first 100 songs go in, the other 20 are named.
    mp3craft::WriteSeconds(dir + "/one.mp3", 1);
    std::string m3u = "#EXTM3U\n";
    for (int i = 1; i <= 120; ++i)
        m3u += "#EXTINF:1,Song " + std::to_string(i) + "\n" + dir + "/one.mp3\n\n";
    WriteText(dir + "/l.m3u", m3u);
    CSongList list;
    std::vector<CSkippedEntry> skipped;
    ASSERT_TRUE(ImportM3u(list, dir + "/l.m3u", &skipped));
    ASSERT_EQ(list.RowCount(), 100);
    EXPECT_EQ(list.Title(99), "Song 100");
    ASSERT_EQ(skipped.size(), 20u);
    EXPECT_EQ(skipped[0].why, PlaylistSkip::kPastLimit);

    // A PLS file with a file, a title and a length line for each of 50 songs gives all 50.
    std::string text = "[playlist]\n";
    for (int i = 1; i <= 50; ++i)
        text += "File" + std::to_string(i) + "=" + dir + "/one.mp3\nTitle" + std::to_string(i) +
                "=Song " + std::to_string(i) + "\nLength" + std::to_string(i) + "=1\n";
    text += "NumberOfEntries=50\nVersion=2\n";
    WriteText(dir + "/l.pls", text);
    CSongList pls;
    ASSERT_TRUE(ImportPls(pls, dir + "/l.pls"));
    ASSERT_EQ(pls.RowCount(), 50);
    EXPECT_EQ(pls.Title(49), "Song 50");
}

}  // namespace
