// tunevarn-cli's commands that read and write files, run as a user runs them: the songs
// list leaves out and why, the output check, a cover whose picture cannot be read, and
// the figures analyze shows.  (Titles, lengths, the folder's order and the status line:
// the song list's tests.)
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "songlist/SongList.h"
#include "support/Mp3Craft.h"
#include "support/RunCommand.h"
#include "support/TestPaths.h"

namespace {
using testpaths::Cli;
using testpaths::Fixture;
using testpaths::Lines;
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

// No command writes over a file it reads (the song itself, a song of its list, a
// playlist, the picture; also through a hard or a symbolic link), nor over a file of
// another kind than it writes: one line names the file, and every file stays as it was.
TEST(CliOutputs, NoCommandWritesOverWhatItReadsNorOverAnotherKindOfFile) {
    const std::string dir = testpaths::TempDir("cli-outputs");
    const std::string song = dir + "/song.mp3";
    std::filesystem::copy_file(Fixture("m1_44100_mono.mp3"), song);
    std::filesystem::copy_file(song, dir + "/other.mp3");  // read by no command below
    std::filesystem::create_hard_link(song, dir + "/hard.mp3");
    std::filesystem::create_symlink("song.mp3", dir + "/soft.wav");
    std::filesystem::create_symlink("song.mp3", dir + "/soft.pdf");
    std::ofstream(dir + "/list.m3u") << "song.mp3\n";
    std::filesystem::copy_file(song, dir + "/picture.jpg");  // no picture: never read
    struct Run {
        std::string out;
        std::vector<std::string> args;  // after the program, with out among them
    };
    const std::string other = dir + "/other.mp3", list = dir + "/list.m3u";
    const std::string picture = dir + "/picture.jpg";
    const Run runs[] = {
        {song, {"export-wav", song, song}},
        {dir + "/./hard.mp3", {"export-wav", song, dir + "/./hard.mp3"}},
        {dir + "/soft.wav", {"export-raw", song, dir + "/soft.wav"}},
        {other, {"export-raw", song, other}},
        {song, {"cover", song, other}},  // OUT.pdf forgotten
        {dir + "/soft.pdf", {"cover", dir + "/soft.pdf", dir}},
        {picture, {"cover", "--background", picture, picture, song}},
        {dir + "/hard.mp3", {"save-project", dir + "/hard.mp3", list}},
        {list, {"save-project", list, list}},
        {other, {"export-list", "m3u", other, song}},
        {dir + "/soft.wav", {"export-list", "pls", dir + "/soft.wav", dir}},
        {list, {"export-list", "txt", list, list}},
    };
    auto snapshot = [&dir] {
        std::vector<std::pair<std::string, std::vector<uint8_t>>> files;
        for (const auto& e : std::filesystem::directory_iterator(dir))
            files.emplace_back(e.path().filename().string(), mp3craft::ReadBytes(e.path()));
        std::sort(files.begin(), files.end());
        return files;
    };
    const auto before = snapshot();
    for (const Run& run : runs) {
        std::vector<std::string> argv{Cli()};
        argv.insert(argv.end(), run.args.begin(), run.args.end());
        auto r = RunProgram(argv);
        EXPECT_EQ(r.status, 1) << run.args[0] << " " << run.out;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
        EXPECT_NE(r.err.find("\"" + run.out + "\""), std::string::npos) << r.err;
    }
    EXPECT_TRUE(snapshot() == before) << "every file is kept, and no other is made";
    // What a command may write it writes: a project that list reads back.
    ASSERT_EQ(RunProgram({Cli(), "save-project", dir + "/p.mpj", song}).status, 0);
    EXPECT_NE(RunProgram({Cli(), "list", dir + "/p.mpj"}).out.find(song + "\n"), std::string::npos);
}

// A picture that cannot be read, or a folder that is not there, writes nothing.
TEST(CliCover, UnreadablePictureOrMissingFolderWritesNothing) {
    const std::string dir = testpaths::TempDir("cli-cover-bad");
    const std::string pdf = dir + "/cover.pdf";
    std::ofstream(pdf) << "%PDF-1.4 an older cover";
    // A picture that starts as a JPEG and goes on as nothing: Qt's reader says why (an
    // empty file takes the same way).
    const std::string corrupt = dir + "/corrupt.jpg";
    std::ofstream(corrupt, std::ios::binary)
        << std::string("\xff\xd8\xff\xe0", 4) << std::string(300, 'Z');
    auto bad = RunProgram({Cli(), "cover", "--background", corrupt, pdf, Fixture("songs")});
    EXPECT_EQ(bad.status, 1);
    EXPECT_NE(bad.err.find("cannot read the picture " + corrupt), std::string::npos) << bad.err;
    EXPECT_EQ(testpaths::ReadText(pdf), "%PDF-1.4 an older cover");
    auto r = RunProgram({Cli(), "cover", dir + "/missing/cover.pdf", Fixture("songs")});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("cannot write"), std::string::npos) << r.err;
}

TEST(CliAnalyze, ARowATrackAndTheStoredDefault) {
    std::string start = testpaths::TempDir("cli-analyze");
    std::string song = Fixture("m1_44100_stereo.mp3");
    auto first = RunProgram({Cli(), "analyze", "--normalize-default", "off", song,
                             Fixture("garbage.mp3"), Fixture("m1_44100_mono.mp3")},
                            start);
    ASSERT_EQ(first.status, 0) << first.err;
    EXPECT_NE(first.err.find("skipped"), std::string::npos);
    auto lines = Lines(first.out);
    ASSERT_EQ(lines.size(), 4u) << first.out;
    EXPECT_EQ(lines[0], "Normalizing by default: off");
    // The peak is the analysis's (its own tests); the level and the gain follow from it
    // with the Record dialog's default settings.
    int track = 0, peak = 0, level = 0;
    float gain = 0;
    ASSERT_EQ(std::sscanf(lines[2].c_str(), "%d %d %d%% %f", &track, &peak, &level, &gain), 4);
    EXPECT_EQ(track, 1);
    EXPECT_EQ(level, peak * 100 / 32768);
    EXPECT_NEAR(gain, 98.0f / static_cast<float>(level), 0.001f);
    EXPECT_TRUE(lines[2].ends_with("  " + song)) << lines[2];

    // The stored default holds from now on (its file: the normalization's test); the option
    // only answers the first question.
    auto second = RunProgram({Cli(), "analyze", "--normalize-default=on", song}, start);
    ASSERT_EQ(second.status, 0) << second.err;
    EXPECT_EQ(Lines(second.out)[0], "Normalizing by default: off");
    EXPECT_EQ(second.err, "");
}

}  // namespace
