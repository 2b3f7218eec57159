// tunevarn-cli's command line: every argument error is one line naming what is wrong,
// then the hint to that command's usage, with exit status 2; --help, help COMMAND, --version,
// --lang and "--" as documented.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "support/Mp3Craft.h"
#include "support/RunCommand.h"
#include "support/TestPaths.h"

namespace {
using testpaths::Cli;
using testpaths::Fixture;
using testpaths::RunProgram;

std::vector<std::string> WithCli(std::vector<std::string> args) {
    args.insert(args.begin(), Cli());
    return args;
}

std::string FirstLine(const std::string& text) {
    return text.substr(0, text.find('\n'));
}

std::string AfterFirstLine(const std::string& text) {
    size_t end = text.find('\n');
    return end == std::string::npos ? "" : text.substr(end + 1);
}

// Every error of the option reader and of each command's own checks: the line names
// the command and what it could not use.
TEST(CliArguments, EachErrorIsOneLineThenThatCommandsUsage) {
    const std::string song = Fixture("songs/01 Morning.mp3");
    struct Case {
        std::vector<std::string> args;
        const char* command;  // whose usage the hint names; "" for the program's
        const char* named;    // in the line
    };
    const Case cases[] = {
        {{}, "", "COMMAND"},
        {{"frob", song}, "", "'frob'"},
        {{"--shiny", "list", song}, "", "'--shiny'"},
        {{"--lang"}, "", "--lang"},
        {{"list"}, "list", "PATH"},
        {{"list", "--\x1b[2J", song}, "list", "'--?[2J'"},  // no control character shown
        {{"list", song, "--lang"}, "list", "--lang"},
        {{"list", "--lang", "Klingon", song}, "list", "'Klingon'"},
        {{"save-project"}, "save-project", "OUT.mpj"},
        {{"save-project", "a.mpj"}, "save-project", "PATH"},
        {{"export-list", "xml", "out", song}, "export-list", "'xml'"},
        {{"export-list", "m3u", "out"}, "export-list", "PATH"},
        {{"export-wav"}, "export-wav", "SONG"},
        {{"export-wav", song}, "export-wav", "OUT"},
        {{"export-raw", song, "a", "b"}, "export-raw", "3 files"},
        {{"export-raw", "-x", song, "out"}, "export-raw", "'-x'"},
        {{"analyze", "--normalize-default", "maybe", song}, "analyze", "'maybe'"},
        {{"analyze", "--normalize-default"}, "analyze", "--normalize-default"},
        {{"drives", "--choose", "0"}, "drives", "'0'"},
        {{"drives", "all"}, "drives", "'all'"},
        {{"burn", "--test"}, "burn", "PATH"},
        {{"burn", "--speed"}, "burn", "--speed"},
        {{"burn", "--speed", "3", song}, "burn", "'3'"},
        {{"burn", "--test=yes", song}, "burn", "--test"},
        {{"burn", "--target", "50", song}, "burn", "--normalize"},
        {{"burn", "--normalize", "--target=0", song}, "burn", "'0'"},
        {{"burn", "--normalize", "--only-if", "90", song}, "burn", "'90'"},
        {{"burn", "--normalize", "--only-if", "60,40", song}, "burn", "60,40"},
        {{"burn", "--drive", "0", song}, "burn", "'0'"},
        {{"burn", "--driver", "sonny", song}, "burn", "'sonny'"},
        {{"cover", "a.pdf"}, "cover", "PATH"},
        {{"cover", "--colour", "red", "a.pdf", song}, "cover", "'--colour'"},
        {{"cover", "a.pdf", song, "--background"}, "cover", "--background"},
        {{"help", "frob"}, "", "'frob'"},
    };
    const std::string start = testpaths::TempDir("cli-arguments");
    for (const Case& c : cases) {
        std::string shown = c.args.empty() ? "(none)" : c.args[0] + " " + c.args.back();
        auto r = RunProgram(WithCli(c.args), start);
        EXPECT_EQ(r.status, 2) << shown;
        EXPECT_EQ(r.out, "") << shown;
        const std::string line = FirstLine(r.err);
        const std::string prefix =
            "tunevarn-cli: " + std::string(c.command) + (*c.command ? ": " : "");
        EXPECT_EQ(line.rfind(prefix, 0), 0u) << shown << ": " << line;
        EXPECT_NE(line.find(c.named, prefix.size()), std::string::npos) << shown << ": " << line;
        // The hint names where the usage is, and that works.
        const std::string hint = AfterFirstLine(r.err);
        const std::string asked =
            *c.command == '\0' ? "--help" : std::string(c.command) + " --help";
        EXPECT_NE(hint.find("'tunevarn-cli " + asked + "'"), std::string::npos) << shown << hint;
        EXPECT_EQ(std::count(hint.begin(), hint.end(), '\n'), 1) << shown << hint;
    }
    EXPECT_EQ(std::filesystem::directory_iterator(start), std::filesystem::directory_iterator())
        << "nothing was written, no drive was asked";

    // --drive naming a recorder that is not there is an argument error too.
    const std::string recorder = testpaths::TempDir("cli-one-recorder");
    auto r = testpaths::RunCli({"TUNEVARN_VIRTUAL_RECORDER=" + recorder},
                               {"burn", "--test", "--drive", "2", song}, start);
    EXPECT_EQ(r.status, 2) << r.err;
    EXPECT_EQ(FirstLine(r.err).rfind("tunevarn-cli: burn: --drive 2: ", 0), 0u) << r.err;
}

TEST(CliArguments, HelpVersionLanguageAndTheEndOfOptions) {
    auto version = RunProgram(WithCli({"--version"}));
    EXPECT_EQ(version.status, 0);
    EXPECT_TRUE(std::regex_match(version.out, std::regex("Tunevarn [0-9]+(\\.[0-9]+)*\n")))
        << version.out;

    EXPECT_EQ(RunProgram(WithCli({"-V"})).out, version.out);

    // --help: every command's usage; COMMAND --help and help COMMAND: that usage.
    auto help = RunProgram(WithCli({"--help"}));
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(RunProgram(WithCli({"help"})).out, help.out);
    auto burnHelp = RunProgram(WithCli({"burn", "--help"}));
    EXPECT_EQ(RunProgram(WithCli({"help", "burn"})).out, burnHelp.out);
    EXPECT_EQ(burnHelp.status, 0);
    EXPECT_NE(burnHelp.out.find(" burn "), std::string::npos) << burnHelp.out;
    EXPECT_NE(help.out.find(burnHelp.out), std::string::npos);
    EXPECT_NE(help.out.find("  --  "), std::string::npos) << "-- is documented";
    EXPECT_EQ(RunProgram(WithCli({"burn", "--speed", "3", "-h"})).out, burnHelp.out)
        << "help wins over the other arguments";

    // "--" ends the options: a file named "--help" or "-x.mp3" is a song then.
    std::string dir = testpaths::TempDir("cli-dashes");
    std::filesystem::copy_file(Fixture("songs/01 Morning.mp3"), dir + "/-x.mp3");
    auto dashed = RunProgram(WithCli({"list", "--", "-x.mp3"}), dir);
    EXPECT_EQ(dashed.status, 0) << dashed.err;
    EXPECT_NE(dashed.out.find(dir + "/-x.mp3\n"), std::string::npos) << dashed.out;
    auto notHelp = RunProgram(WithCli({"list", "--", "--help"}), dir);
    EXPECT_EQ(notHelp.err.rfind("tunevarn-cli: --help: No such file or directory\n", 0), 0u)
        << notHelp.err;

    // --lang before or after the command: the same language.
    std::filesystem::create_directories(dir + "/Language");
    std::filesystem::copy_file(testpaths::SourceDir() + "/data/Language/German.txt",
                               dir + "/Language/German.txt");
    auto before = RunProgram(WithCli({"--lang", "Deutsch", "list", "--", "-x.mp3"}), dir);
    auto after = RunProgram(WithCli({"list", "--lang=Deutsch", "--", "-x.mp3"}), dir);
    EXPECT_EQ(before.status, 0) << before.err;
    EXPECT_EQ(before.out, after.out);
    EXPECT_NE(before.out, dashed.out) << "translated";
}

}  // namespace
