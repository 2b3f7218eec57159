// tunevarn-cli with playlists and projects: save-project, then list it.
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "support/Mp3Craft.h"
#include "support/RunCommand.h"
#include "support/TestPaths.h"

namespace {
using testpaths::Cli;
using testpaths::ReadText;
using testpaths::RunProgram;

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

}  // namespace
