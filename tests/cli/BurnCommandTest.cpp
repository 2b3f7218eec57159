// tunevarn-cli burn on the virtual recorder: options, the disc it makes of the songs, the
// messages and exit statuses of runs that cannot complete, and Ctrl-C as Stop.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
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
        {"--driver", "mmcraw", kSong},
        {"--driver", "sony", kSong},
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
        EXPECT_TRUE(Contains(r.err, "usage:")) << r.err;
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
              "Total tracks: 3  Total time: 00:12\n"
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

TEST(CliBurn, RunsThatCannotCompleteSaySoAndFail) {
    struct Case {
        const char* what;
        std::string bus;
        std::vector<std::string> args;
        const char* error;
    };
    const Case cases[] = {
        {"a disc that is not blank",
         "[device]\ndisc = written\n",
         {kSong},
         "trace: The disc in the drive is not blank.\n"},
        {"no disc at all",
         "[device]\ndisc = none\n",
         {kSong},
         "trace: There is no disc in the drive.\n"},
        {"CD-TEXT the drive cannot write",
         "[device]\ncd-text = no\n",
         {"--cd-text", kSong},
         "trace: This drive cannot write CD-TEXT: write the disc without it.\n"},
        {"a drive that refuses to write",
         "[device]\nfault = 2A 20 3/0C/00\n",
         {Fixture("m1_44100_stereo.mp3")},  // long enough for 20 WRITE commands
         "trace: Write data failed.\n"},
        {"only a reader", "[device]\nwrites-cdr = no\n", {kSong}, "No CDR driver found."},
    };
    for (const Case& c : cases) {
        std::string start = testpaths::TempDir("burn-fail");
        Write(start + "/bus.txt", c.bus + "output = " + start + "\n");
        auto r = Burn(start, {"TUNEVARN_VIRTUAL_BUS=" + start + "/bus.txt"}, c.args);
        EXPECT_EQ(r.status, 1) << c.what;
        EXPECT_TRUE(Contains(r.err, c.error)) << c.what << ": " << r.err;
        EXPECT_FALSE(Contains(r.out, "completed")) << c.what;
        std::vector<std::string> left = Images(start);
        left.erase(std::remove_if(
                       left.begin(), left.end(),
                       [](const std::string& n) { return n == "bus.txt" || n == "cdrlog.txt"; }),
                   left.end());
        EXPECT_TRUE(left.empty()) << c.what << ": " << (left.empty() ? "" : left[0]);
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

TEST(CliBurn, SeveralRecordersNeedTheDriveNamed) {
    std::string start = testpaths::TempDir("burn-drives");
    std::string first = testpaths::TempDir("burn-first");
    std::string second = testpaths::TempDir("burn-second");
    Write(start + "/bus.txt", "[device]\nproduct = FIRST\noutput = " + first +
                                  "\n[device]\nproduct = SECOND\noutput = " + second + "\n");
    const std::string bus = "TUNEVARN_VIRTUAL_BUS=" + start + "/bus.txt";
    auto unnamed = Burn(start, {bus}, {kSong});
    EXPECT_EQ(unnamed.status, 1);
    EXPECT_TRUE(Contains(unnamed.err, "choose one with --drive N")) << unnamed.err;
    auto wrong = Burn(start, {bus}, {"--drive", "3", kSong});
    EXPECT_EQ(wrong.status, 1);
    EXPECT_TRUE(Contains(wrong.err, "--drive 3: there are 2 recorders")) << wrong.err;

    auto r = Burn(start, {bus}, {"--drive", "2", kSong});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(Contains(r.out, "CD Recorder: TUNEVARN SECOND 1.0\n")) << r.out;
    EXPECT_TRUE(Images(first).empty());
    EXPECT_EQ(Images(second), (std::vector<std::string>{"disc-1.bin", "disc-1.cue"}));
}

TEST(CliBurn, TheDiscTakesNinetyNineTracksAndSaysWhatIsLeftOut) {
    std::string songs = testpaths::TempDir("burn-99");
    for (int i = 1; i <= 100; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "/%03d.mp3", i);
        mp3craft::WriteSeconds(songs + name, 1);
    }
    std::string output = testpaths::TempDir("burn-99-out");
    auto r = Burn(output, {"TUNEVARN_VIRTUAL_RECORDER=" + output}, {"--test", songs});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(Contains(r.out, "Total tracks: 99  Total time: 01:39\n")) << r.out;
    const std::string leftOut =
        "tunevarn-cli: left out " + songs + "/100.mp3: the disc holds 99 tracks at most\n";
    EXPECT_EQ(r.err.rfind(leftOut, 0), 0u) << r.err;
    EXPECT_EQ(r.err.find("left out", leftOut.size()), std::string::npos) << "only the hundredth";
}

// Ctrl-C during the write: the run stops its own way, the drive is released, and the
// status says the disc was not completed.
TEST(CliBurn, CtrlCStopsTheRunThroughTheDriversStop) {
    std::string start = testpaths::TempDir("burn-stop");
    std::string output = testpaths::TempDir("burn-stop-out");
    Write(start + "/bus.txt",
          "[device]\nreal-time = yes\nspeed = 1\nbuffer = 65536\noutput = " + output + "\n");
    std::vector<std::string> argv = Command({"TUNEVARN_VIRTUAL_BUS=" + start + "/bus.txt"},
                                            {Fixture("songs/More/03 Evening.mp3")});
    std::vector<char*> args;
    for (auto& a : argv) args.push_back(a.data());
    args.push_back(nullptr);
    const std::string errPath = start + "/stderr.txt";
    pid_t pid = ::fork();
    if (pid == 0) {
        int in = ::open("/dev/null", O_RDONLY);
        int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        int out = ::open((start + "/stdout.txt").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ::dup2(in, 0);
        ::dup2(out, 1);
        ::dup2(err, 2);
        if (::chdir(start.c_str()) != 0)
            ::_exit(126);
        ::execv(args[0], args.data());
        ::_exit(127);
    }
    ASSERT_GT(pid, 0);
    // Wait until the audio is being written: at 1x, with a buffer of a third of a second,
    // the host keeps sending for seconds.  (The recorder's log of the writes is buffered:
    // the phase line says it sooner.)
    const std::string log = output + "/commands-0.log";
    bool writing = false;
    for (int i = 0; i < 1000 && !writing; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        writing = Contains(Read(errPath), "Writing track 1");
    }
    ASSERT_TRUE(writing);
    ::kill(pid, SIGINT);
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 130);
    std::string err = Read(errPath);
    EXPECT_TRUE(Contains(err, "stopped; the disc was not completed")) << err;
    EXPECT_FALSE(Contains(err, "trace:")) << err;
    std::string commands = Read(log);
    size_t flush = commands.find("35 00 00 00 00 00 00 00 00 00");
    ASSERT_NE(flush, std::string::npos);
    EXPECT_NE(commands.find("1E 00 00 00 00 00", flush), std::string::npos);
    EXPECT_NE(commands.find("1B 00 00 00 02 00", flush), std::string::npos) << "ejected";
    EXPECT_TRUE(Images(output).empty());
}

}  // namespace
