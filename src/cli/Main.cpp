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
    "  export-wav SONG OUT.wav\n"
    "                  write the MP3 file SONG as a WAV file of CD audio, exactly its\n"
    "                  track's length on a disc\n"
    "  export-raw SONG OUT.bin\n"
    "                  write SONG's track as raw CD audio, exactly as it goes to the disc\n"
    "  analyze [--normalize-default on|off] PATH...\n"
    "                  measure the songs' levels as a recording with Normalize does and\n"
    "                  print each track's peak, level and the gain the default settings\n"
    "                  apply; the first run stores whether normalizing is on by default\n"
    "                  (nml.log in the current folder, \"on\" unless told otherwise)\n"
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
    if (command == "export-wav")
        return RunExportWav(args);
    if (command == "export-raw")
        return RunExportRaw(args);
    if (command == "analyze")
        return RunAnalyze(args);
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
