// tunevarn-cli list on the sample songs and on bad arguments.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "support/RunCommand.h"
#include "support/TestPaths.h"

namespace {
using testpaths::Cli;
using testpaths::Fixture;
using testpaths::RunProgram;

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// Collapses runs of blanks so that column padding does not matter.
std::string Squeeze(const std::string& line) {
    std::string out;
    for (char c : line)
        if (c != ' ' || out.empty() || out.back() != ' ')
            out += c;
    return out;
}

TEST(CliList, SampleFolderInSongListOrder) {
    std::string songs = Fixture("songs");
    auto r = RunProgram({Cli(), "list", songs});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    auto lines = Lines(r.out);
    ASSERT_EQ(lines.size(), 5u) << r.out;
    EXPECT_EQ(Squeeze(lines[0]), "MP3 Title Time Full Path");
    // Titles from the ID3 tags, lengths of 4, 3 and 5 seconds as lame marked them; the
    // hidden folder and the text file are left out.
    EXPECT_EQ(Squeeze(lines[1]), "Morning - Sample Band 00:04 " + songs + "/01 Morning.mp3");
    EXPECT_EQ(Squeeze(lines[2]), "Noon - Sample Band 00:03 " + songs + "/02 Noon.MP3");
    EXPECT_EQ(Squeeze(lines[3]), "Evening - Sample Band 00:05 " + songs + "/More/03 Evening.mp3");
    EXPECT_EQ(lines[4],
              "3 songs, total time: 00:12, time left:<74min disc>73:48 <80min disc>79:48");
}

TEST(CliList, FilesRelativePathsAndRefusals) {
    auto r = RunProgram({Cli(), "list", "m1_44100_stereo.mp3", "./garbage.mp3", "missing.mp3",
                         "songs/../id3v1_space.mp3"},
                        Fixture(""));
    ASSERT_EQ(r.status, 0);
    auto lines = Lines(r.out);
    ASSERT_EQ(lines.size(), 4u) << r.out;
    std::string dir = Fixture("");
    dir.pop_back();
    EXPECT_EQ(Squeeze(lines[1]), "m1_44100_stereo 00:06 " + dir + "/m1_44100_stereo.mp3");
    EXPECT_EQ(Squeeze(lines[2]), "Song - Band 00:06 " + dir + "/id3v1_space.mp3");
    EXPECT_EQ(lines[3],
              "2 songs, total time: 00:12, time left:<74min disc>73:48 <80min disc>79:48");
    EXPECT_NE(r.err.find("garbage.mp3"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("missing.mp3"), std::string::npos) << r.err;
}

TEST(CliList, UsageErrors) {
    for (std::vector<std::string> args :
         {std::vector<std::string>{}, {"list"}, {"list", "--bogus", "x"}, {"frobnicate"}}) {
        args.insert(args.begin(), Cli());
        auto r = RunProgram(args);
        EXPECT_EQ(r.status, 2);
        EXPECT_NE(r.err.find("usage: tunevarn-cli"), std::string::npos);
        EXPECT_EQ(r.out, "");
    }
    auto help = RunProgram({Cli(), "--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("list PATH..."), std::string::npos);
}
}  // namespace
