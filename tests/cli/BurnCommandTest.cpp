// tunevarn-cli burn on the virtual recorder: options, the disc it makes of the songs, the
// messages and exit statuses of runs that cannot complete (signals: SignalStopTest).
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/Mp3Craft.h"
#include "support/RunCommand.h"
#include "support/TestPaths.h"

namespace {
using testpaths::Fixture;
using testpaths::RunProgram;

std::vector<std::string> Command(const std::vector<std::string>& settings,
                                 const std::vector<std::string>& args) {
    std::vector<std::string> argv = {"/usr/bin/env", "-u", "TUNEVARN_VIRTUAL_RECORDER", "-u",
                                     "TUNEVARN_VIRTUAL_BUS"};
    argv.insert(argv.end(), settings.begin(), settings.end());
    argv.push_back(testpaths::Cli());
    argv.push_back("burn");
    argv.insert(argv.end(), args.begin(), args.end());
    return argv;
}

// "tunevarn-cli burn ARGS" started in folder with only the given virtual settings.
testpaths::CommandResult Burn(const std::string& folder, const std::vector<std::string>& settings,
                              const std::vector<std::string>& args) {
    return RunProgram(Command(settings, args), folder);
}

std::string Read(const std::string& path) {
    auto bytes = mp3craft::ReadBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

void Write(const std::string& path, const std::string& text) {
    mp3craft::WriteBytes(path, std::vector<uint8_t>(text.begin(), text.end()));
}

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// Files the recorder left besides its command log.
std::vector<std::string> Images(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(folder)) {
        std::string name = e.path().filename().string();
        if (name.rfind("commands-", 0) != 0)
            names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
}

const std::string kSong = Fixture("songs/01 Morning.mp3");

TEST(CliBurn, OptionsItCannotUseAreRefusedBeforeAnythingHappens) {
    const std::vector<std::vector<std::string>> wrong = {
        {"--speed", "3", kSong},
        {"--speed"},
        {"--target", "50", kSong},
        {"--normalize", "--target", "0", kSong},
        {"--normalize", "--only-if", "90", kSong},
        {"--normalize", "--only-if", "90,101", kSong},
        {"--test=yes", kSong},
        {"--drive", "0", kSong},
        {"--driver", "sonny", kSong},
        {"--driver", "CDR100", kSong},
        {"--driver"},
        {"--shiny", kSong},
        {"--test"},
    };
    std::string start = testpaths::TempDir("burn-options");
    std::string output = testpaths::TempDir("burn-options-out");
    for (const auto& args : wrong) {
        auto r = Burn(start, {"TUNEVARN_VIRTUAL_RECORDER=" + output}, args);
        EXPECT_EQ(r.status, 2) << args[0];
        EXPECT_TRUE(Contains(r.err, "burn --help")) << r.err;
    }
    EXPECT_FALSE(std::filesystem::exists(output + "/commands-0.log")) << "no drive was asked";
}

TEST(CliBurn, ATestWriteGoesThroughAndBurnsNothing) {
    std::string start = testpaths::TempDir("burn-test");
    std::string output = testpaths::TempDir("burn-test-out");
    auto r = Burn(start, {"TUNEVARN_VIRTUAL_RECORDER=" + output},
                  {"--test", "--speed", "max", "--cd-text", Fixture("songs")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out,
              "CD Recorder: TUNEVARN VIRTUAL CD-R 1.0\n"
              "Total tracks: 3  Total time: 00:13\n"  // Noon's 3 seconds made up to 4
              "Test write completed: nothing was burnt.\n");
    EXPECT_TRUE(Images(output).empty());
    std::string commands = Read(output + "/commands-0.log");
    EXPECT_TRUE(Contains(commands, "BB 00 FF FF FF FF 00 00 00 00 00 00 | none 0 | good\n"));
    EXPECT_TRUE(Contains(commands, "55 10 00 00 00 00 00 00 40 00 | out 64 | good\n"));
    EXPECT_TRUE(Contains(commands, "1B 00 00 00 02 00 | none 0 | good\n")) << "ejected";
}

TEST(CliBurn, ShowsTheDialogsPhasesInALog) {
    std::string start = testpaths::TempDir("burn-phases");
    std::string output = testpaths::TempDir("burn-phases-out");
    // Slow enough to be watched: an 8x drive in real time with a small buffer, and a
    // short lead-in.
    Write(start + "/bus.txt",
          "[device]\nreal-time = yes\nbuffer = 65536\nlead-in = 99:58:00\n"
          "output = " +
              output + "\n");
    auto r = Burn(start, {"TUNEVARN_VIRTUAL_BUS=" + start + "/bus.txt"},
                  {"--speed", "8", "--album", "Phases", kSong});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(Contains(r.err, "Writing lead-in area...\n")) << r.err;
    EXPECT_TRUE(Contains(r.err, "Writing track 1, total ")) << r.err;
    EXPECT_FALSE(Contains(r.err, "trace:")) << r.err;
    EXPECT_EQ(Images(output), (std::vector<std::string>{"disc-1.bin", "disc-1.cdt", "disc-1.cue"}));
    EXPECT_TRUE(Contains(r.out, "Image: " + output + "/disc-1.cue\n")) << r.out;
}

// Without --album the disc carries the title the Record dialog offers: for one track,
// the odd count's.
TEST(CliBurn, CdTextWithoutAnAlbumTakesTheOfferedTitle) {
    std::string start = testpaths::TempDir("burn-album");
    std::string output = testpaths::TempDir("burn-album-out");
    auto r = Burn(start, {"TUNEVARN_VIRTUAL_RECORDER=" + output}, {"--cd-text", kSong});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(
        Contains(Read(output + "/disc-1.cue"), "TITLE \"Go to https://tunevarn.example.org/ !\"\n"))
        << Read(output + "/disc-1.cue");
}

// Runs on drives that misbehave end as they say: the exit status, what stderr says,
// and an image only of a disc the drive took whole.
TEST(CliBurn, RunsEndAsTheySay) {
    struct Case {
        const char* what;
        std::string bus;
        std::vector<std::string> args;
        int status;
        std::string error;
        bool image;
    };
    const std::string gone = "The recorder no longer answers: it was disconnected or switched off.";
    const Case cases[] = {
        {"a disc that is not blank",
         "[device]\ndisc = written\n",
         {kSong},
         1,
         "trace: The disc in the drive is not blank.\n",
         false},
        {"no disc at all",
         "[device]\ndisc = none\n",
         {kSong},
         1,
         "trace: There is no disc in the drive.\n",
         false},
        {"CD-TEXT the drive cannot write",
         "[device]\ncd-text = no\n",
         {"--cd-text", kSong},
         1,
         "trace: This drive cannot write CD-TEXT: write the disc without it.\n",
         false},
        {"a drive that refuses to write",
         "[device]\nfault = 2A 20 3/0C/00\n",
         {Fixture("m1_44100_stereo.mp3")},  // long enough for 20 WRITE commands
         1,
         "trace: Write data failed.\n",
         false},
        {"only a reader", "[device]\nwrites-cdr = no\n", {kSong}, 1, "No CDR driver found.", false},
        // The drive vanishes after the flush, before it says the disc is closed.
        {"a drive gone while it closes the disc",
         "[device]\nfault = 00 4 transport *\n",
         {kSong},
         1,
         "trace: The recorder did not confirm that it finished closing the disc: the disc may "
         "be incomplete.\ntunevarn-cli: burn: failed; the disc may be incomplete\n",
         true},
        // Once the disc is closed, a drive that vanishes is the user's to see to.
        {"a drive gone after it closed the disc",
         "[device]\nfault = 1E 1 transport *\n",
         {kSong},
         0,
         "tunevarn-cli: burn: warning: " + gone + "\n",
         true},
        {"raw blocks for a drive that takes none",
         "[device]\n",
         {"--driver", "MMCRAW", kSong},
         1,
         "trace: This drive does not write raw blocks with subchannels: write it with another "
         "driver.\n",
         false},
        {"no write parameters page for raw blocks",
         "[device]\nmodel = mmc-raw\nfault = 5A 2 5/24/00 *\n",
         {"--driver", "MMCRAW", kSong},
         1,
         "trace: Cannot retrieve write parameters mode page.\n",
         false},
        // The first commands meet a drive still settling: asked again, it is found.
        {"a drive just reset",
         "[device]\nfault = 12 1 busy\nfault = 5A 1 6/29/00\nfault = 5A 2 2/04/01\n",
         {kSong},
         0,
         "",
         true},
    };
    for (const Case& c : cases) {
        std::string start = testpaths::TempDir("burn-end");
        Write(start + "/bus.txt", c.bus + "output = " + start + "\n");
        auto r = Burn(start, {"TUNEVARN_VIRTUAL_BUS=" + start + "/bus.txt"}, c.args);
        EXPECT_EQ(r.status, c.status) << c.what << ": " << r.err;
        EXPECT_TRUE(Contains(r.err, c.error)) << c.what << ": " << r.err;
        EXPECT_EQ(Contains(r.out, "Disc completed.\n"), c.status == 0) << c.what;
        std::vector<std::string> left = Images(start);
        left.erase(std::remove_if(
                       left.begin(), left.end(),
                       [](const std::string& n) { return n == "bus.txt" || n == "cdrlog.txt"; }),
                   left.end());
        EXPECT_EQ(!left.empty(), c.image) << c.what << ": " << (left.empty() ? "" : left[0]);
    }
}

TEST(CliBurn, ADriverWithoutCdTextIsNotAskedForIt) {
    std::string start = testpaths::TempDir("burn-mmc");
    Write(start + "/driver.lst", "MMC VIRTUAL CD-R\n");
    auto r = Burn(start, {"TUNEVARN_VIRTUAL_RECORDER=" + start}, {"--album", "X", kSong});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(Contains(r.err, "does not write CD-TEXT")) << r.err;

    // Only "MMCCDTEXT" writes CD-TEXT: a driver named for the run in its place does not.
    std::string plain = testpaths::TempDir("burn-driver");
    for (const char* driver :
         {"MMC", "MMCRAW", "2600", "RIC", "MMC2", "TEAC", "MMCTRACK", "SONY"}) {
        auto named = Burn(start, {"TUNEVARN_VIRTUAL_RECORDER=" + plain},
                          {"--driver", driver, "--cd-text", kSong});
        EXPECT_EQ(named.status, 1) << driver;
        EXPECT_TRUE(Contains(named.err, "this recorder's driver does not write CD-TEXT"))
            << driver << ": " << named.err;
    }
    EXPECT_TRUE(Images(plain).empty());
}

// Ten recorders on the bus: every one of them can be chosen.
TEST(CliBurn, SeveralRecordersNeedTheDriveNamed) {
    std::string start = testpaths::TempDir("burn-drives");
    std::string bus;
    std::vector<std::string> outputs;
    for (int i = 1; i <= 10; ++i) {
        outputs.push_back(testpaths::TempDir("burn-drive"));
        bus += "[device]\nproduct = DRIVE " + std::to_string(i) + "\noutput = " + outputs.back() +
               "\n";
    }
    Write(start + "/bus.txt", bus);
    const std::string setting = "TUNEVARN_VIRTUAL_BUS=" + start + "/bus.txt";
    auto unnamed = Burn(start, {setting}, {kSong});
    EXPECT_EQ(unnamed.status, 1);
    EXPECT_TRUE(Contains(unnamed.err, "choose one with --drive N")) << unnamed.err;
    auto wrong = Burn(start, {setting}, {"--drive", "11", kSong});
    EXPECT_EQ(wrong.status, 2) << "a wrong argument";
    EXPECT_TRUE(Contains(wrong.err, "--drive 11: there are 10 recorders")) << wrong.err;

    auto r = Burn(start, {setting}, {"--drive", "10", kSong});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(Contains(r.out, "CD Recorder: TUNEVARN DRIVE 10 1.0\n")) << r.out;
    for (int i = 0; i < 9; ++i) EXPECT_TRUE(Images(outputs[static_cast<size_t>(i)]).empty()) << i;
    EXPECT_EQ(Images(outputs[9]), (std::vector<std::string>{"disc-1.bin", "disc-1.cue"}));
}

// A track lasts 4 seconds at least, as the CD standard asks: a shorter song is followed by
// silence on the disc, and the user is told.
TEST(CliBurn, ASongShorterThanACdsShortestTrackIsPaddedToIt) {
    std::string start = testpaths::TempDir("burn-short");
    mp3craft::WriteSeconds(start + "/short.mp3", 1);
    auto r = Burn(start, {"TUNEVARN_VIRTUAL_RECORDER=" + start}, {"short.mp3", kSong});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err.rfind("tunevarn-cli: " + start + "/short.mp3 lasts 1 second", 0), 0u) << r.err;
    EXPECT_TRUE(Contains(r.out, "Total tracks: 2  Total time: 00:08\n")) << r.out;
    // The disc's first track lasts 4 seconds.
    EXPECT_TRUE(Contains(Read(start + "/disc-1.cue"), "TRACK 02 AUDIO\n    INDEX 01 00:04:00"))
        << Read(start + "/disc-1.cue");
}

// Without a recorder the user learns of the image recorder; a folder named for it that is
// not there is not made but reported.
TEST(CliBurn, WithoutARecorderItSaysHowToUseTheVirtualOne) {
    std::string start = testpaths::TempDir("burn-none");
    auto none = Burn(start, {}, {"--test", kSong});  // a real recorder burns nothing
    if (!Contains(none.out, "CD Recorder:")) {       // as on every machine that has none
        EXPECT_TRUE(Contains(none.err, "burn --image FOLDER")) << none.err;
    }
    auto missing = Burn(start, {"TUNEVARN_VIRTUAL_RECORDER=" + start + "/discs"}, {kSong});
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.err,
              "tunevarn-cli: TUNEVARN_VIRTUAL_RECORDER: " + start + "/discs: does not exist\n");
    EXPECT_FALSE(std::filesystem::exists(start + "/discs"));
    Write(start + "/file", "");
    auto file = Burn(start, {"TUNEVARN_VIRTUAL_RECORDER=" + start + "/file"}, {kSong});
    EXPECT_EQ(file.err,
              "tunevarn-cli: TUNEVARN_VIRTUAL_RECORDER: " + start + "/file: not a folder\n");
    // Not even root may make files there; the system's reason follows.
    auto unwritable = Burn(start, {"TUNEVARN_VIRTUAL_RECORDER=/sys"}, {kSong});
    EXPECT_EQ(unwritable.status, 1);
    EXPECT_EQ(unwritable.err.rfind(
                  "tunevarn-cli: TUNEVARN_VIRTUAL_RECORDER: /sys: cannot be written: ", 0),
              0u)
        << unwritable.err;
}

TEST(CliBurn, TheDiscTakesNinetyNineTracksAndSaysWhatIsLeftOut) {
    std::string songs = testpaths::TempDir("burn-99");
    for (int i = 1; i <= 100; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "/%03d.mp3", i);
        mp3craft::WriteSeconds(songs + name, 4);
    }
    std::string output = testpaths::TempDir("burn-99-out");
    auto r = Burn(output, {"TUNEVARN_VIRTUAL_RECORDER=" + output}, {"--test", songs});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(Contains(r.out, "Total tracks: 99  Total time: 06:36\n")) << r.out;
    const std::string leftOut =
        "tunevarn-cli: left out " + songs + "/100.mp3: the disc holds 99 tracks at most\n";
    EXPECT_EQ(r.err.rfind(leftOut, 0), 0u) << r.err;
    EXPECT_EQ(r.err.find("left out", leftOut.size()), std::string::npos) << "only the hundredth";
}

}  // namespace
