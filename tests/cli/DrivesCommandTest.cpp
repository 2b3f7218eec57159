// tunevarn-cli drives, with the virtual recorder and without any drive.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/Mp3Craft.h"
#include "support/RunCommand.h"
#include "support/TestPaths.h"

namespace {
using testpaths::Contains;
using testpaths::WriteText;

// Runs "tunevarn-cli drives" in folder with only the given virtual settings.
testpaths::CommandResult Drives(const std::string& folder,
                                const std::vector<std::string>& settings) {
    return testpaths::RunCli(settings, {"drives"}, folder);
}

TEST(CliDrives, EachRecorderWithItsDriverAndNoDriveIsNoError) {
    const std::string start = testpaths::TempDir("drives");
    const std::string recorder = "TUNEVARN_VIRTUAL_RECORDER=" + start;
    auto r = Drives(start, {recorder});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    const auto lines = testpaths::Lines(r.out);
    ASSERT_EQ(lines.size(), 2u) << r.out;
    EXPECT_EQ(lines[0].rfind("virtual:0: TUNEVARN VIRTUAL CD-R", 0), 0u) << r.out;
    EXPECT_TRUE(Contains(lines[0], "MMCCDTEXT (chosen)")) << r.out;
    EXPECT_FALSE(mp3craft::ReadBytes(start + "/cdrlog.txt").empty()) << "in the start folder";
    // driver.lst is a file anyone may edit: its control characters do not reach the terminal.
    WriteText(start + "/driver.lst", "MM\x1b[2JC\x7F: VIRTUAL*\n");
    EXPECT_TRUE(Contains(Drives(start, {recorder}).out, "driver: MM?[2JC? (no such driver here)"));

    // No drive at all, and the real drives of this machine, whatever they are: the command
    // always ends well.  A broken bus description fails, naming its line.
    const std::string empty = testpaths::TempDir("drives-none");
    WriteText(empty + "/bus.txt", "# no devices on this bus\n");
    auto none = Drives(empty, {"TUNEVARN_VIRTUAL_BUS=" + empty + "/bus.txt"});
    EXPECT_EQ(none.status, 0) << none.err;
    EXPECT_EQ(none.out, "No CDR driver found.\n");
    EXPECT_EQ(Drives(empty, {}).status, 0);
    WriteText(empty + "/bus.txt", "[device]\nspeed = fast\n");
    auto broken = Drives(empty, {"TUNEVARN_VIRTUAL_BUS=" + empty + "/bus.txt"});
    EXPECT_EQ(broken.status, 1);
    EXPECT_EQ(
        broken.err.rfind("tunevarn-cli: TUNEVARN_VIRTUAL_BUS: " + empty + "/bus.txt: line 2: ", 0),
        0u)
        << broken.err;
    EXPECT_EQ(broken.out, "");
}

}  // namespace
