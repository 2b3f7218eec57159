// tunevarn-cli drives and burn on the virtual recorder: the drives and drivers it finds,
// and the messages and exit statuses of runs that cannot complete (options:
// ArgumentsTest; signals: SignalStopTest).
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/Mp3Craft.h"
#include "support/RunCommand.h"
#include "support/TestPaths.h"

namespace {
using testpaths::Contains;
using testpaths::Fixture;
using testpaths::WriteText;

// "tunevarn-cli burn ARGS" started in folder with only the given virtual settings.
testpaths::CommandResult Burn(const std::string& folder, const std::vector<std::string>& settings,
                              std::vector<std::string> args) {
    args.insert(args.begin(), "burn");
    return testpaths::RunCli(settings, args, folder);
}

const std::string kSong = Fixture("songs/01 Morning.mp3");

TEST(CliDrives, EachRecorderWithItsDriverAndNoDriveIsNoError) {
    const std::string start = testpaths::TempDir("drives");
    const std::string recorder = "TUNEVARN_VIRTUAL_RECORDER=" + start;
    auto r = testpaths::RunCli({recorder}, {"drives"}, start);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    const auto lines = testpaths::Lines(r.out);
    ASSERT_EQ(lines.size(), 2u) << r.out;
    EXPECT_EQ(lines[0].rfind("virtual:0: TUNEVARN VIRTUAL CD-R", 0), 0u) << r.out;
    EXPECT_TRUE(Contains(lines[0], "MMCCDTEXT (chosen)")) << r.out;
    EXPECT_FALSE(mp3craft::ReadBytes(start + "/cdrlog.txt").empty()) << "in the start folder";
    // driver.lst is a file anyone may edit: its control characters do not reach the terminal.
    WriteText(start + "/driver.lst", "MM\x1b[2JC\x7F: VIRTUAL*\n");
    EXPECT_TRUE(Contains(testpaths::RunCli({recorder}, {"drives"}, start).out,
                         "driver: MM?[2JC? (no such driver here)"));

    // No drive at all, and the real drives of this machine, whatever they are: the command
    // always ends well.  A broken setting fails with what is wrong with it (which setting
    // and why: the backend choice's test).
    const std::string empty = testpaths::TempDir("drives-none");
    WriteText(empty + "/bus.txt", "# no devices on this bus\n");
    auto none =
        testpaths::RunCli({"TUNEVARN_VIRTUAL_BUS=" + empty + "/bus.txt"}, {"drives"}, empty);
    EXPECT_EQ(none.status, 0) << none.err;
    EXPECT_EQ(none.out, "No CDR driver found.\n");
    EXPECT_EQ(testpaths::RunCli({}, {"drives"}, empty).status, 0);
    WriteText(empty + "/bus.txt", "[device]\nspeed = fast\n");
    auto broken =
        testpaths::RunCli({"TUNEVARN_VIRTUAL_BUS=" + empty + "/bus.txt"}, {"drives"}, empty);
    EXPECT_EQ(broken.status, 1);
    EXPECT_EQ(broken.err.rfind("tunevarn-cli: TUNEVARN_VIRTUAL_BUS: " + empty, 0), 0u)
        << broken.err;
    EXPECT_EQ(broken.out, "");
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
    // What the drive says reaches stderr as a trace line; a run that could not complete
    // fails, and one whose disc the drive took whole says whether it is complete.  (Which
    // drives and discs refuse a run, and what each driver says of a command that fails:
    // the driver, worker, discovery and fault matrix tests.)  A song
    // shorter than a CD's shortest track is burnt padded to it, and named (the padded
    // length itself is checked end to end).
    const std::string shortSong = testpaths::TempDir("burn-short") + "/short.mp3";
    mp3craft::WriteSeconds(shortSong, 1);
    const Case cases[] = {
        {"no disc at all",
         "[device]\ndisc = none\n",
         {kSong},
         1,
         "trace: There is no disc in the drive.\n",
         false},
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
         "tunevarn-cli: burn: warning: The recorder no longer answers: it was disconnected or "
         "switched off.\n",
         true},
        // The first commands meet a drive still settling: asked again, it is found.
        {"a drive just reset",
         "[device]\nfault = 12 1 busy\nfault = 5A 1 6/29/00\nfault = 5A 2 2/04/01\n",
         {shortSong, kSong},
         0,
         "tunevarn-cli: " + shortSong + " lasts 1 second",
         true},
    };
    for (const Case& c : cases) {
        std::string start = testpaths::TempDir("burn-end");
        WriteText(start + "/bus.txt", c.bus + "output = " + start + "\n");
        auto r = Burn(start, {"TUNEVARN_VIRTUAL_BUS=" + start + "/bus.txt"}, c.args);
        EXPECT_EQ(r.status, c.status) << c.what << ": " << r.err;
        // Line by line: the progress lines come from another thread and may fall between.
        for (const std::string& line : testpaths::Lines(c.error))
            EXPECT_TRUE(Contains(r.err, line)) << c.what << ": " << r.err;
        EXPECT_EQ(Contains(r.out, "Disc completed.\n"), c.status == 0) << c.what;
        EXPECT_EQ(std::filesystem::exists(start + "/disc-1.bin"), c.image) << c.what;
    }
}

// Without a recorder the user learns of the image recorder; a folder named for it that
// cannot be used is reported (why: the backend choice's test).
TEST(CliBurn, WithoutARecorderItSaysHowToUseTheVirtualOne) {
    std::string start = testpaths::TempDir("burn-none");
    auto none = Burn(start, {}, {"--test", kSong});  // a real recorder burns nothing
    if (!Contains(none.out, "CD Recorder:")) {       // as on every machine that has none
        EXPECT_TRUE(Contains(none.err, "burn --image FOLDER")) << none.err;
    }
    auto r = Burn(start, {"TUNEVARN_VIRTUAL_RECORDER=" + start + "/discs"}, {kSong});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err.rfind("tunevarn-cli: TUNEVARN_VIRTUAL_RECORDER: " + start + "/discs: ", 0), 0u)
        << r.err;
}

}  // namespace
