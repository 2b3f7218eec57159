// tunevarn-cli cover: a picture that cannot be read writes nothing, and arguments it
// cannot use are refused.
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

#include "support/RunCommand.h"
#include "support/TestPaths.h"

namespace {
using testpaths::Cli;
using testpaths::Fixture;
using testpaths::ReadText;
using testpaths::RunProgram;

}  // namespace

TEST(CliCover, UnreadablePictureWritesNothingAndBadArgumentsAreRefused) {
    const std::string dir = testpaths::TempDir("cli-cover-bad");
    const std::string pdf = dir + "/cover.pdf";
    std::ofstream(pdf) << "%PDF-1.4 an older cover";
    const std::string empty = dir + "/empty.tif";
    std::ofstream{empty};
    const std::string corrupt = dir + "/corrupt.jpg";
    std::ofstream(corrupt, std::ios::binary)
        << std::string("\xff\xd8\xff\xe0", 4) << std::string(300, 'Z');
    for (const std::string& bad : {empty, corrupt}) {
        auto r = RunProgram({Cli(), "cover", "--background", bad, pdf, Fixture("songs")});
        EXPECT_EQ(r.status, 1);
        EXPECT_NE(r.err.find("cannot read the picture " + bad), std::string::npos) << r.err;
        EXPECT_EQ(ReadText(pdf), "%PDF-1.4 an older cover");
    }
    EXPECT_EQ(RunProgram({Cli(), "cover", pdf}).status, 2);
    EXPECT_EQ(RunProgram({Cli(), "cover", "--colour", "red", pdf, Fixture("songs")}).status, 2);
    EXPECT_EQ(RunProgram({Cli(), "cover", pdf, Fixture("songs"), "--background"}).status, 2);
    // A folder that is not there: a clear error, nothing half written.
    auto r = RunProgram({Cli(), "cover", dir + "/missing/cover.pdf", Fixture("songs")});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("cannot write"), std::string::npos) << r.err;
}
