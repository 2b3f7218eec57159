// tunevarn-cli list: the songs it leaves out and why.  (Titles, lengths, the folder's order
// and the status line: the song list's tests.)
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "songlist/SongList.h"
#include "support/Mp3Craft.h"
#include "support/RunCommand.h"
#include "support/TestPaths.h"

namespace {
using testpaths::Cli;
using testpaths::RunProgram;

// The reason a song is left out is the real one, and names from files never reach the
// terminal with their control characters.
TEST(CliList, LeftOutSongsAreNamedWithTheRightReason) {
    std::string dir = testpaths::TempDir("cli-reasons");
    mp3craft::WriteSeconds(dir + "/line\nbreak.mp3", 2);
    std::string longFolder = dir;
    while (longFolder.size() < 250) longFolder += "/" + std::string(30, 'l');
    std::filesystem::create_directories(longFolder);
    mp3craft::WriteSeconds(longFolder + "/long.mp3", 2);
    std::string deep = dir + "/deep";
    for (int level = 0; level < 65; ++level) deep += "/d";
    std::filesystem::create_directories(deep);
    mp3craft::WriteSeconds(deep + "/deepest.mp3", 2);
    mp3craft::Shape tagged;
    tagged.tag = true;
    tagged.tagTitle = "Bell\x07Title";
    mp3craft::Write(dir + "/\x1b[31mred.mp3", tagged);

    auto r = RunProgram({Cli(), "list", dir});
    ASSERT_EQ(r.status, 0) << r.err;
    for (const std::string& skipped :
         {dir + "/line?break.mp3: its name holds a line break\n",
          longFolder + "/long.mp3: its path is longer than 255 bytes\n",
          deep.substr(0, deep.size() - 2) + ": the folder is more than 64 levels deep"})
        EXPECT_NE(r.err.find("skipped " + skipped), std::string::npos) << r.err;
    // The row: title, time and path.
    CSongList listed;
    ASSERT_EQ(listed.AddSong(dir + "/\x1b[31mred.mp3"), AddSongResult::kAdded);
    EXPECT_NE(r.out.find("Bell?Title"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find(" " + listed.TimeText(0) + "  " + dir + "/?[31mred.mp3\n"),
              std::string::npos)
        << r.out;
    for (const std::string& text : {r.out, r.err})
        for (char c : text)
            EXPECT_TRUE(static_cast<unsigned char>(c) >= 0x20 || c == '\n') << int(c);
}

}  // namespace
