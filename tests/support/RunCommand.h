#pragma once
// Runs a program and captures what it prints, for tests of the command-line front end.
#include <sys/types.h>

#include <string>
#include <vector>

namespace testpaths {
struct CommandResult {
    int status = -1;  // exit status, or -1 when the program did not exit normally
    std::string out;
    std::string err;
};

// Runs argv[0] with the arguments, stdin from /dev/null; no shell is involved.
CommandResult RunProgram(const std::vector<std::string>& argv, const std::string& workingDir = "");

// tunevarn-cli with args, without the virtual recorder settings of the environment but
// those given ("TUNEVARN_VIRTUAL_RECORDER=FOLDER", "TUNEVARN_VIRTUAL_BUS=FILE").
std::vector<std::string> CliCommand(const std::vector<std::string>& settings,
                                    const std::vector<std::string>& args);
// That command run in workingDir.
CommandResult RunCli(const std::vector<std::string>& settings, const std::vector<std::string>& args,
                     const std::string& workingDir = "");

// Starts argv[0] in the background, stdin from /dev/null, stdout and stderr into the
// files named; the process id, or -1.
pid_t StartProgram(const std::vector<std::string>& argv, const std::string& workingDir,
                   const std::string& outPath, const std::string& errPath);
// Waits for the program's exit: its exit status, or -1 when it ended otherwise or did
// not end within the time (it is killed then, so no test leaves it behind).
int WaitForExit(pid_t pid, int seconds);
}  // namespace testpaths
