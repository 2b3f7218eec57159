#pragma once
// The commands of tunevarn-cli with their usage texts, all in one table (CliCommands.cpp)
// so that --help, the usage after an argument error and the manual pages say the same.
// Adding a command is one entry there and its Run function in Commands.h.
#include <string>
#include <vector>

class CCliArgs;

struct CCliOption {
    const char* name;   // "--speed"
    const char* value;  // "1|2|4|6|8|max"; nullptr for an option without a value
    const char* help;   // one or more lines, without the leading indentation
};

struct CCliCommand {
    const char* name;      // "burn"
    const char* operands;  // "[OPTIONS] PATH..."
    const char* help;      // what the command does, one or more lines
    std::vector<CCliOption> options;
    int (*run)(const CCliArgs& args);
};

// Exit statuses, as the usage and the README document them.
constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;  // the work was not done (file not written, disc not completed)
constexpr int kExitBadArguments = 2;  // a missing or wrong argument
constexpr int kExitSignalBase = 128;  // + the signal that stopped the work (130 for Ctrl-C)

const std::vector<CCliCommand>& CliCommands();
// nullptr when there is no command of that name.
const CCliCommand* FindCliCommand(const std::string& name);
// The options every command takes (--lang, --help).
const std::vector<CCliOption>& CliGlobalOptions();

// "usage: tunevarn-cli [--lang NAME] burn [OPTIONS] PATH..." and the command's help and
// options.
std::string CommandUsage(const CCliCommand& command);
// The short usage: one synopsis line per command and the global options.
std::string ProgramSummary();
// The whole usage for --help: the summary, every command's usage, the exit statuses.
std::string ProgramUsage();
// The line after an argument error that says where the usage is: that command's
// --help, or the program's when command is nullptr.
std::string UsageHint(const CCliCommand* command);
