#pragma once
// Runs a program and captures what it prints, for tests of the command-line front end.
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
}  // namespace testpaths
