// tunevarn-cli export-wav, export-raw and analyze, run as a user runs them: failures, the
// output check, and the analysis against libmpg123's own decode of the song.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "audio/Mp3Source.h"
#include "support/Mp3Craft.h"
#include "support/ReferenceDecode.h"
#include "support/RunCommand.h"
#include "support/TestPaths.h"

namespace {
using testpaths::Cli;
using testpaths::Fixture;
using testpaths::Lines;
using testpaths::RunProgram;

// The song's track: libmpg123's decode at the file's own rate, converted to CD audio,
// padded with silence to the whole seconds of the track.
std::vector<uint8_t> ExpectedTrack(const std::string& song) {
    CMp3Source source;
    EXPECT_EQ(source.Open(song.c_str()), 0);
    std::vector<uint8_t> audio = reference::ToCdAudio(reference::DecodeFile(song));
    audio.resize(static_cast<size_t>(source.Duration()) * 176400, 0);
    return audio;
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
}

TEST(CliAnalyze, PeaksLevelsGainsAndTheStoredDefault) {
    std::string start = testpaths::TempDir("cli-analyze");
    std::string song = Fixture("m1_44100_stereo.mp3");
    auto first = RunProgram({Cli(), "analyze", "--normalize-default", "off", song,
                             Fixture("garbage.mp3"), Fixture("m1_44100_mono.mp3")},
                            start);
    ASSERT_EQ(first.status, 0) << first.err;
    EXPECT_NE(first.err.find("skipped"), std::string::npos);
    EXPECT_EQ(mp3craft::ReadBytes(start + "/nml.log"), (std::vector<uint8_t>{0, 0, 0, 0}));
    auto lines = Lines(first.out);
    ASSERT_EQ(lines.size(), 4u) << first.out;
    EXPECT_EQ(lines[0], "Normalizing by default: off");
    EXPECT_EQ(lines[1], "Track   Peak  Level   Gain  File");

    // The first track's figures, worked out here from the decoded audio the analysis
    // covers: (6 x 176400 / 4608 - 1) blocks of 4608 bytes.
    std::vector<uint8_t> audio = ExpectedTrack(song);
    audio.resize((6 * 176400 / 4608 - 1) * 4608);
    int32_t peak = 0;
    for (size_t i = 0; i + 1 < audio.size(); i += 2)
        peak =
            std::max(peak, std::abs(int32_t{static_cast<int16_t>(audio[i] | audio[i + 1] << 8)}));
    int32_t level = peak * 100 / 32768;
    char row[512];
    std::snprintf(row, sizeof row, "%5d  %5d  %4d%%  %5.3f  %s", 1, peak, level,
                  static_cast<double>(98.0f / static_cast<float>(level)), song.c_str());
    EXPECT_EQ(lines[2], row);

    // The stored default holds from now on; the option only answers the first question.
    auto second = RunProgram({Cli(), "analyze", "--normalize-default=on", song}, start);
    ASSERT_EQ(second.status, 0) << second.err;
    EXPECT_EQ(Lines(second.out)[0], "Normalizing by default: off");
    EXPECT_EQ(second.err, "");
}

}  // namespace
