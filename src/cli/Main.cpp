// tunevarn-cli: the terminal front end over the core, for scripts, headless machines,
// benchmarks and end-to-end tests.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "app/Version.h"
#include "cli/Commands.h"

namespace {
const char kUsage[] =
    "usage: tunevarn-cli COMMAND [ARGS...]\n"
    "\n"
    "commands:\n"
    "  list PATH...    inspect MP3 files and folders (searched recursively) and print\n"
    "                  the song list: title, time and full path, then the totals line\n"
    "  drives [--choose N]\n"
    "                  find the CD recorders as start-up does, write cdrlog.txt here,\n"
    "                  and show each device and the recorder chosen (N: which of\n"
    "                  several, counting from 1)\n"
    "  --version       print the version\n";
}  // namespace

int Usage() {
    std::fputs(kUsage, stderr);
    return 2;
}

int main(int argc, char** argv) {
    if (argc < 2)
        return Usage();
    std::string command = argv[1];
    std::vector<std::string> args(argv + 2, argv + argc);
    if (command == "list")
        return RunList(args);
    if (command == "drives")
        return RunDrives(args);
    if (command == "--help" || command == "-h" || command == "help") {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (command == "--version") {
        std::printf("%s\n", tunevarn::VersionText());
        return 0;
    }
    std::fprintf(stderr, "tunevarn-cli: unknown command '%s'\n", command.c_str());
    return Usage();
}
