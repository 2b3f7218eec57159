// tunevarn-cli export-wav, export-raw and analyze, run as a user runs them; the WAV
// files are checked by sox and against libmpg123's own decode of the song.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
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
using testpaths::RunProgram;

std::string SoxInfo(const std::string& option, const std::string& path) {
    auto r = RunProgram({"/usr/bin/sox", "--i", option, path});
    EXPECT_EQ(r.status, 0) << r.err;
    return r.out;
}

// The song's track: libmpg123's decode at the file's own rate, converted to CD audio,
// padded with silence to the whole seconds of the track.
std::vector<uint8_t> ExpectedTrack(const std::string& song) {
    CMp3Source source;
    EXPECT_EQ(source.Open(song.c_str()), 0);
    std::vector<uint8_t> audio = reference::ToCdAudio(reference::DecodeFile(song));
    audio.resize(static_cast<size_t>(source.Duration()) * 176400, 0);
    return audio;
}

TEST(CliExport, WavFilesPlayAsTheSongDecodes) {
    std::string dir = testpaths::TempDir("cli-export");
    for (const char* name : {"m1_44100_stereo", "m2_22050_mono", "m1_48000_stereo"}) {
        std::string song = Fixture(std::string(name) + ".mp3");
        std::string wav = dir + "/" + name + ".wav";
        auto r = RunProgram({Cli(), "export-wav", song, wav});
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.err, "") << "no progress bar when stderr is not a terminal";
        EXPECT_EQ(SoxInfo("-r", wav), "44100\n");
        EXPECT_EQ(SoxInfo("-c", wav), "2\n");
        EXPECT_EQ(SoxInfo("-b", wav), "16\n");
        EXPECT_EQ(SoxInfo("-s", wav), "264600\n") << "6 seconds of frames";
        std::vector<uint8_t> bytes = mp3craft::ReadBytes(wav);
        ASSERT_EQ(bytes.size(), 44u + 6 * 176400);
        EXPECT_TRUE(std::vector<uint8_t>(bytes.begin() + 44, bytes.end()) == ExpectedTrack(song))
            << name;
    }
}

TEST(CliExport, RawTrackIsTheWavDataWithoutHeader) {
    std::string dir = testpaths::TempDir("cli-raw");
    std::string song = Fixture("m2_24000_stereo.mp3");
    ASSERT_EQ(RunProgram({Cli(), "export-wav", song, dir + "/a.wav"}).status, 0);
    ASSERT_EQ(RunProgram({Cli(), "export-raw", song, dir + "/a.bin"}).status, 0);
    std::vector<uint8_t> wav = mp3craft::ReadBytes(dir + "/a.wav");
    std::vector<uint8_t> raw = mp3craft::ReadBytes(dir + "/a.bin");
    ASSERT_EQ(raw.size(), 6u * 176400);
    EXPECT_TRUE(std::equal(raw.begin(), raw.end(), wav.begin() + 44));
    EXPECT_TRUE(raw == ExpectedTrack(song));
}

TEST(CliExport, FailuresSayWhyAndWriteNothing) {
    std::string dir = testpaths::TempDir("cli-export-fail");
    auto gone = RunProgram({Cli(), "export-wav", dir + "/gone.mp3", dir + "/out.wav"});
    EXPECT_EQ(gone.status, 1);
    EXPECT_NE(gone.err.find("Cannot read the song"), std::string::npos) << gone.err;
    auto create =
        RunProgram({Cli(), "export-raw", Fixture("m1_44100_mono.mp3"), dir + "/missing/out.bin"});
    EXPECT_EQ(create.status, 1);
    EXPECT_EQ(create.err, "tunevarn-cli: trace: file create error! " + dir +
                              "/missing/out.bin: No such file or directory\n");
    EXPECT_TRUE(std::filesystem::is_empty(dir));
}

// The output is never the song itself, a link out is written through, and a name of 255
// bytes is fine however long the temporary name beside it would be.
TEST(CliExport, TheSongItselfLinksAndLongNames) {
    std::string dir = testpaths::TempDir("cli-export-files");
    const std::string song = dir + "/song.mp3";
    std::filesystem::copy_file(Fixture("m1_44100_mono.mp3"), song);
    const std::vector<uint8_t> songBytes = mp3craft::ReadBytes(song);
    std::filesystem::create_hard_link(song, dir + "/hard.mp3");
    std::filesystem::create_symlink("song.mp3", dir + "/soft.wav");
    for (const char* out : {"/song.mp3", "/hard.mp3", "/soft.wav", "/./song.mp3"}) {
        auto r = RunProgram({Cli(), "export-wav", song, dir + out});
        EXPECT_EQ(r.status, 1) << out;
        EXPECT_EQ(r.err, "tunevarn-cli: Warning: Cannot write \"" + dir + out +
                             "\": it is the song itself.  Nothing was written.\n");
    }
    EXPECT_TRUE(mp3craft::ReadBytes(song) == songBytes) << "the song is kept";
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir),
                            std::filesystem::directory_iterator()),
              3);

    // Through a symbolic link (relative, to a file not there yet, in another folder).
    std::filesystem::create_directories(dir + "/music");
    std::filesystem::create_symlink("music/track.wav", dir + "/link.wav");
    auto linked = RunProgram({Cli(), "export-wav", song, dir + "/link.wav"});
    ASSERT_EQ(linked.status, 0) << linked.err;
    EXPECT_TRUE(std::filesystem::is_symlink(dir + "/link.wav"));
    EXPECT_EQ(std::filesystem::file_size(dir + "/music/track.wav"), 44u + 6 * 176400);

    const std::string longest = std::string(251, 'n') + ".wav";
    auto named = RunProgram({Cli(), "export-raw", song, dir + "/music/" + longest});
    ASSERT_EQ(named.status, 0) << named.err;
    EXPECT_EQ(std::filesystem::file_size(dir + "/music/" + longest), 6u * 176400);
    auto tooLong = RunProgram({Cli(), "export-raw", song, dir + "/music/n" + longest});
    EXPECT_EQ(tooLong.status, 1);
    EXPECT_EQ(tooLong.err, "tunevarn-cli: trace: file create error! " + dir + "/music/n" +
                               longest + ": File name too long\n");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir + "/music"),
                            std::filesystem::directory_iterator()),
              2)
        << "no temporary file is left";
}

TEST(CliExport, ProgressBarOnlyOnATerminal) {
    // Through a pseudo-terminal (util-linux "script"), the bar is drawn and cleared.
    std::string dir = testpaths::TempDir("cli-bar");
    std::string command =
        Cli() + " export-wav '" + Fixture("vbr_xing_44100.mp3") + "' '" + dir + "/bar.wav'";
    auto r = RunProgram({"/usr/bin/script", "-q", "-e", "-c", command, "/dev/null"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("\rExporting [......"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("##########] 100%"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.back(), '\r') << "the line is cleared at the end";
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
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

TEST(CliAnalyze, NothingToAnalyzeAndBadArguments) {
    std::string start = testpaths::TempDir("cli-analyze-bad");
    auto none = RunProgram({Cli(), "analyze", Fixture("garbage.mp3")}, start);
    EXPECT_EQ(none.status, 1);
    EXPECT_NE(none.err.find("no songs to analyze"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(start + "/nml.log")) << "nothing asked";
}

// Playlists and projects give their songs as they do to burn; a song under a second is
// left out as too short for a track.
TEST(CliAnalyze, TakesPlaylistsAndProjectsAsBurnDoes) {
    std::string start = testpaths::TempDir("cli-analyze-lists");
    mp3craft::WriteSeconds(start + "/short.mp3", 0);
    std::ofstream(start + "/list.m3u") << Fixture("songs/01 Morning.mp3") << "\n"
                                       << start + "/short.mp3\n";
    ASSERT_EQ(RunProgram({Cli(), "save-project", start + "/p.mpj", Fixture("songs/More")}).status,
              0);
    auto r = RunProgram({Cli(), "analyze", "list.m3u", "p.mpj"}, start);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err.rfind("tunevarn-cli: left out " + start +
                              "/short.mp3: shorter than a second: too short for a track\n",
                          0),
              0u)
        << r.err;
    auto lines = Lines(r.out);
    ASSERT_EQ(lines.size(), 4u) << r.out;
    EXPECT_NE(lines[2].find(Fixture("songs/01 Morning.mp3")), std::string::npos) << lines[2];
    EXPECT_NE(lines[3].find(Fixture("songs/More/03 Evening.mp3")), std::string::npos) << lines[3];
}
}  // namespace
