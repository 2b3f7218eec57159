// Ctrl-C, SIGTERM and SIGHUP stop tunevarn-cli's long commands their own way: a burn
// releases and ejects the disc in the virtual recorder and says it was not completed, an
// export or a cover leaves no file at all; one signal is enough, and the exit status
// tells which.  No input a command is given can hold it up.  An output whose reader went
// away stops a burn the same way; Ctrl-C at the prompt of a failure does not turn the
// failure into a stop.
#include <gtest/gtest.h>

#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/stat.h>
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
using testpaths::Contains;
using testpaths::FilesIn;
using testpaths::Fixture;
using testpaths::ReadText;
using testpaths::WaitUntil;

struct Signal {
    int number;
    const char* name;
};
const Signal kSignals[] = {{SIGINT, "SIGINT"}, {SIGTERM, "SIGTERM"}, {SIGHUP, "SIGHUP"}};

// Writes the bus description of one slow virtual recorder into start: 1x in real time.
std::string SlowRecorder(const std::string& start, const std::string& output,
                         const std::string& more = "") {
    const std::string bus = "[device]\nreal-time = yes\nspeed = 1\nbuffer = 65536\n" + more +
                            "output = " + output + "\n";
    testpaths::WriteText(start + "/bus.txt", bus);
    return start + "/bus.txt";
}

// What the recorder logged in output of a burn that was stopped: (after writing had
// begun, when wrote) the drive released and its tray opened; and no disc image left.
void ExpectReleasedAndEjected(const std::string& output, bool wrote) {
    const std::string commands = ReadText(output + "/commands-0.log");
    const size_t written = wrote ? commands.find("\n2A ") : 0;
    ASSERT_NE(written, std::string::npos) << commands;
    const size_t released = commands.find("\n1E 00 00 00 00 00", written);
    ASSERT_NE(released, std::string::npos) << "medium removal allowed again: " << commands;
    EXPECT_NE(commands.find("\n1B 00 00 00 02 00", released), std::string::npos) << "ejected";
    EXPECT_EQ(FilesIn(output), std::vector<std::string>{"commands-0.log"}) << "no disc image";
}

TEST(CliSignals, EachSignalStopsABurnInEachPhaseAndTheDiscIsEjected) {
    // A 1x drive in real time with a small buffer: the host keeps sending for seconds.
    // Its lead-in begins two seconds before the disc, so that phase lasts long enough
    // to be hit as well.  The six burns run side by side, each signalled as soon as it
    // reaches its phase: they mostly wait for the drive.
    const char* const kPhases[] = {"Writing lead-in area...", "Writing track 1"};
    struct Burn {
        std::string what, start, output, phase;
        int signal = 0;
        pid_t pid = 0;
        bool signalled = false;
    };
    std::vector<Burn> burns;
    for (const Signal& signal : kSignals) {
        for (const char* phase : kPhases) {
            Burn burn;
            burn.what = std::string(signal.name) + " during " + phase;
            burn.start = testpaths::TempDir("signal-burn");
            burn.output = testpaths::TempDir("signal-burn-out");
            burn.phase = phase;
            burn.signal = signal.number;
            const std::string bus = SlowRecorder(burn.start, burn.output, "lead-in = 99:58:00\n");
            burn.pid = testpaths::StartProgram(
                testpaths::CliCommand({"TUNEVARN_VIRTUAL_BUS=" + bus},
                                      {"burn", "--cd-text", Fixture("songs/More/03 Evening.mp3")}),
                burn.start, burn.start + "/out.txt", burn.start + "/err.txt");
            if (burn.pid > 0)
                burns.push_back(burn);
            else
                ADD_FAILURE() << burn.what << ": tunevarn-cli did not start";
        }
    }
    WaitUntil([&] {
        bool all = true;
        for (Burn& burn : burns) {
            if (!burn.signalled && Contains(ReadText(burn.start + "/err.txt"), burn.phase)) {
                ::kill(burn.pid, burn.signal);
                burn.signalled = true;
            }
            all = all && burn.signalled;
        }
        return all;
    });
    for (Burn& burn : burns) {
        SCOPED_TRACE(burn.what);
        if (!burn.signalled)
            ::kill(burn.pid, SIGKILL);
        int status = testpaths::WaitForExit(burn.pid, 60);
        ASSERT_TRUE(burn.signalled) << ReadText(burn.start + "/err.txt");
        EXPECT_EQ(status, 128 + burn.signal) << "one signal ends it, with its status";

        std::string err = ReadText(burn.start + "/err.txt");
        EXPECT_TRUE(Contains(err, "burn: stopped; the disc was not completed\n")) << err;
        EXPECT_FALSE(Contains(err, "trace:")) << err;
        EXPECT_FALSE(Contains(ReadText(burn.start + "/out.txt"), "completed"));
        ExpectReleasedAndEjected(burn.output, true);
    }
}

// `tunevarn-cli burn ... 2>&1 | head -n 3`: the reader is gone after three lines, in the
// middle of the burn.  The burn stops as on a signal: the drive is released and ejected
// and nothing is left.
TEST(CliSignals, AClosedOutputStopsABurn) {
    const std::string start = testpaths::TempDir("pipe-burn");
    const std::string output = testpaths::TempDir("pipe-burn-out");
    const std::string bus = SlowRecorder(start, output);
    const std::string script = "env -u TUNEVARN_VIRTUAL_RECORDER TUNEVARN_VIRTUAL_BUS=" + bus +
                               " " + testpaths::Cli() + " burn " + Fixture("m1_44100_stereo.mp3") +
                               " 2>&1 | head -n 3 >/dev/null; echo ${PIPESTATUS[0]} >status";
    testpaths::RunProgram({"/bin/bash", "-c", script}, start);
    EXPECT_EQ(ReadText(start + "/status"), "141\n") << "stopped by SIGPIPE, its own way";
    ExpectReleasedAndEjected(output, false);
}

// A write that fails asks for Enter on a terminal; Ctrl-C there ends the run, which
// failed before it: exit status 1, not the signal's.
TEST(CliSignals, CtrlCAtAFailuresPromptLeavesItAFailure) {
    const std::string start = testpaths::TempDir("prompt-burn");
    const std::string output = testpaths::TempDir("prompt-burn-out");
    const std::string bus = SlowRecorder(start, output, "fault = 2A 8 3/0C/00\n");
    const std::string cli = testpaths::Cli();
    const std::string song = Fixture("m1_44100_stereo.mp3");
    int terminal = -1;
    const pid_t pid = ::forkpty(&terminal, nullptr, nullptr, nullptr);
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        if (::chdir(start.c_str()) == 0 && ::unsetenv("TUNEVARN_VIRTUAL_RECORDER") == 0 &&
            ::setenv("TUNEVARN_VIRTUAL_BUS", bus.c_str(), 1) == 0)
            ::execl(cli.c_str(), cli.c_str(), "burn", song.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    // What the terminal shows, until the program has closed it (or 30 seconds).
    std::string shown;
    bool interrupted = false;
    int closedReads = 0;
    for (int i = 0; i < 300; ++i) {
        pollfd ready{terminal, POLLIN, 0};
        if (::poll(&ready, 1, 100) > 0) {
            char chunk[512];
            const ssize_t n = ::read(terminal, chunk, sizeof chunk);
            if (n <= 0) {
                // The kernel may still be passing on the last lines when the program's
                // side closes: look a few more times before taking it as the end.
                if (++closedReads >= 5)
                    break;
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
                continue;
            }
            closedReads = 0;
            shown.append(chunk, static_cast<size_t>(n));
        }
        if (!interrupted && Contains(shown, "Press Enter to go on.")) {
            ::kill(pid, SIGINT);
            interrupted = true;
        }
    }
    ::close(terminal);
    const int status = testpaths::WaitForExit(pid, 30);
    ASSERT_TRUE(interrupted) << shown;
    EXPECT_EQ(status, 1) << shown;
    EXPECT_TRUE(Contains(shown, "burn: failed; the disc was not completed")) << shown;
}

TEST(CliSignals, EachSignalStopsAnExportAndLeavesNoFile) {
    // A long song (silence the disc image pads out) gives hundreds of megabytes to
    // write: the temporary file is there long before the export could end.
    std::string songs = testpaths::TempDir("signal-export-song");
    const std::string song = songs + "/long.mp3";
    mp3craft::WriteSeconds(song, 1500);
    const char* const kCommands[] = {"export-wav", "export-raw", "export-wav"};
    for (size_t i = 0; i < std::size(kSignals); ++i) {
        const Signal& signal = kSignals[i];
        SCOPED_TRACE(std::string(signal.name) + " during " + kCommands[i]);
        std::string dir = testpaths::TempDir("signal-export");
        std::string logs = testpaths::TempDir("signal-export-logs");
        pid_t pid = testpaths::StartProgram({testpaths::Cli(), kCommands[i], song, dir + "/out"},
                                            logs, logs + "/out.txt", logs + "/err.txt");
        ASSERT_GT(pid, 0);
        bool writing = WaitUntil([&] {
            std::vector<std::string> files = FilesIn(dir);
            return !files.empty() && Contains(files[0], "out.part-");
        });
        ::kill(pid, signal.number);
        int status = testpaths::WaitForExit(pid, 60);
        ASSERT_TRUE(writing);
        EXPECT_EQ(status, 128 + signal.number) << ReadText(logs + "/err.txt");
        EXPECT_TRUE(FilesIn(dir).empty()) << FilesIn(dir)[0];
    }
}

// True once the process catches SIGINT (its handler is in place), from /proc.
bool CatchesSigint(pid_t pid) {
    std::string status = ReadText("/proc/" + std::to_string(pid) + "/status");
    size_t at = status.find("SigCgt:");
    return at != std::string::npos &&
           (std::stoull(status.substr(at + 7, 24), nullptr, 16) & (1ull << (SIGINT - 1))) != 0;
}

// A named pipe, a device or a folder given as a song, a list or a picture is refused at
// once (opening a pipe would wait for a writer for ever); and Ctrl-C stops a cover, as
// it stops an export, without leaving a file.
TEST(CliSignals, NoInputHangsACommandAndCtrlCStopsACover) {
    const std::string dir = testpaths::TempDir("special-inputs");
    for (const char* name : {"/pipe.mp3", "/pipe.m3u", "/pipe.jpg"})
        ASSERT_EQ(::mkfifo((dir + name).c_str(), 0644), 0);
    std::filesystem::create_directories(dir + "/folder.jpg");
    const std::string song = Fixture("songs/01 Morning.mp3");
    const std::vector<std::vector<std::string>> runs = {
        {"list", dir + "/pipe.mp3", dir + "/pipe.m3u", "/dev/zero"},
        {"cover", "--background", dir + "/pipe.jpg", dir + "/out.pdf", song},
        {"cover", "--background", "/dev/zero", dir + "/out.pdf", song},
        {"cover", "--background", dir + "/folder.jpg", dir + "/out.pdf", song},
    };
    for (const auto& run : runs) {
        std::vector<std::string> argv{testpaths::Cli()};
        argv.insert(argv.end(), run.begin(), run.end());
        pid_t pid = testpaths::StartProgram(argv, dir, dir + "/out.txt", dir + "/err.txt");
        EXPECT_EQ(testpaths::WaitForExit(pid, 20), 1) << run[0] << " " << run[2];
        const std::string err = ReadText(dir + "/err.txt");
        for (const std::string& arg : run) {
            if (arg[0] == '/' && arg != dir + "/out.pdf" && arg != song) {
                EXPECT_TRUE(Contains(err, arg)) << err;
            }
        }
    }
    EXPECT_FALSE(std::filesystem::exists(dir + "/out.pdf"));

    // Many songs to list give the signal time to come in.
    const std::string many = testpaths::TempDir("cover-songs");
    for (int i = 0; i < 300; ++i)
        std::filesystem::create_hard_link(song, many + "/" + std::to_string(i) + ".mp3");
    pid_t pid = testpaths::StartProgram({testpaths::Cli(), "cover", dir + "/out.pdf", many}, dir,
                                        dir + "/out.txt", dir + "/err.txt");
    ASSERT_TRUE(WaitUntil([pid] { return CatchesSigint(pid); }));
    ::kill(pid, SIGINT);
    EXPECT_EQ(testpaths::WaitForExit(pid, 60), 130) << ReadText(dir + "/err.txt");
    EXPECT_EQ(FilesIn(dir).size(), 6u) << "no PDF, nor any part of one";
}

}  // namespace
