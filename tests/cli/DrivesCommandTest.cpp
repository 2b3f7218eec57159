// tunevarn-cli drives, with the virtual recorder and without any drive.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/Mp3Craft.h"
#include "support/RunCommand.h"
#include "support/TestPaths.h"

namespace {
using testpaths::ReadText;
using testpaths::WriteText;

// Runs "tunevarn-cli drives ARGS" in folder with only the given virtual settings.
testpaths::CommandResult Drives(const std::string& folder, const std::vector<std::string>& settings,
                                std::vector<std::string> args = {}) {
    args.insert(args.begin(), "drives");
    return testpaths::RunCli(settings, args, folder);
}

TEST(CliDrives, ShowsTheVirtualRecorderAndWritesTheDeviceLogInTheStartFolder) {
    std::string start = testpaths::TempDir("drives");
    auto r = Drives(start, {"TUNEVARN_VIRTUAL_RECORDER=" + testpaths::TempDir("vrec")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out,
              "virtual:0: TUNEVARN VIRTUAL CD-R 1.0; writes CD-R: yes; driver: MMCCDTEXT (chosen)\n"
              "CD Recorder: TUNEVARN VIRTUAL CD-R 1.0\n");
    EXPECT_FALSE(ReadText(start + "/cdrlog.txt").empty());
}

// driver.lst is a file anyone may edit: its control characters do not reach the terminal.
TEST(CliDrives, ControlCharactersFromTheDriverListAreShownAsQuestionMarks) {
    std::string start = testpaths::TempDir("drives");
    WriteText(start + "/driver.lst", "MM\x1b[2JC\x7F: VIRTUAL*\n");
    auto r = Drives(start, {"TUNEVARN_VIRTUAL_RECORDER=" + start});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("driver: MM?[2JC? (no such driver here)"), std::string::npos) << r.out;
}

TEST(CliDrives, NoDriveAtAllIsNotAnError) {
    std::string start = testpaths::TempDir("drives");
    WriteText(start + "/empty.txt", "# no devices on this bus\n");
    auto r = Drives(start, {"TUNEVARN_VIRTUAL_BUS=" + start + "/empty.txt"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "No CDR driver found.\n");
    EXPECT_TRUE(mp3craft::ReadBytes(start + "/cdrlog.txt").empty());

    // The real drives of this machine, whatever they are: the command always ends well.
    auto real = Drives(start, {});
    EXPECT_EQ(real.status, 0) << real.err;
    EXPECT_FALSE(real.out.empty());
}

TEST(CliDrives, ABrokenConfigurationOrBadArgumentsFail) {
    std::string start = testpaths::TempDir("drives");
    WriteText(start + "/bus.txt", "[device]\nspeed = fast\n");
    auto broken = Drives(start, {"TUNEVARN_VIRTUAL_BUS=" + start + "/bus.txt"});
    EXPECT_EQ(broken.status, 1);
    EXPECT_EQ(broken.err, "tunevarn-cli: TUNEVARN_VIRTUAL_BUS: " + start +
                              "/bus.txt: line 2: speed is a multiple of 1x from 1 to 64\n");
    EXPECT_EQ(broken.out, "");
    EXPECT_EQ(Drives(start, {}, {"--choose"}).status, 2);
}

}  // namespace
