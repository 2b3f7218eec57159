// tunevarn-cli: the terminal front end over the core, for scripts, headless machines,
// benchmarks and end-to-end tests.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "app/StartFolder.h"
#include "app/Version.h"
#include "cli/Commands.h"
#include "ui/LanguageTable.h"

namespace {
const char kUsage[] =
    "usage: tunevarn-cli [--lang NAME] COMMAND [ARGS...]\n"
    "\n"
    "PATH arguments name MP3 files, folders (searched recursively for .mp3 files),\n"
    "M3U and PLS playlists, and projects (.mpj), taken in the order given.\n"
    "\n"
    "commands:\n"
    "  list PATH...                     print the song list: title, time and full path,\n"
    "                                   then the totals line\n"
    "  save-project OUT.mpj PATH...     save the song list as a project\n"
    "  export-list m3u|pls|txt OUT PATH...\n"
    "                                   write the song list as an M3U or PLS playlist, or\n"
    "                                   as the text song list for CD labels\n"
    "  export-wav SONG OUT.wav          write the MP3 file SONG as a WAV file of CD audio,\n"
    "                                   exactly its track's length on a disc\n"
    "  export-raw SONG OUT.bin          write SONG's track as raw CD audio, exactly as it\n"
    "                                   goes to the disc\n"
    "  analyze [--normalize-default on|off] PATH...\n"
    "                                   measure the songs' levels as a recording with\n"
    "                                   Normalize does and print each track's peak, level\n"
    "                                   and the gain the default settings apply; the first\n"
    "                                   run stores whether normalizing is on by default\n"
    "                                   (nml.log in the current folder, \"on\" unless told\n"
    "                                   otherwise)\n"
    "  drives [--choose N]              find the CD recorders as start-up does, write\n"
    "                                   cdrlog.txt here, and show each device and the\n"
    "                                   recorder chosen (N: which of several, from 1)\n"
    "  burn [OPTIONS] PATH...           record the songs as an audio CD on the recorder,\n"
    "                                   as the Record dialog does; Ctrl-C stops.  Exit\n"
    "                                   status 0 only when the disc was completed.\n"
    "      --test                       a simulation: the drive burns nothing\n"
    "      --speed 1|2|4|6|8|max        writing speed (1)\n"
    "      --normalize                  bring every track to the same level\n"
    "      --target N                   ...to N percent of full scale (98)\n"
    "      --only-if LOWER,HIGHER       ...but only tracks below LOWER or above HIGHER\n"
    "                                   percent\n"
    "      --cd-text                    write the album and song titles as CD-TEXT\n"
    "      --album TITLE                the album title (implies --cd-text)\n"
    "      --drive N                    which recorder, when there are several\n"
    "      --driver NAME                the recorder's driver for this run, in place of\n"
    "                                   the one driver.lst gives it: MMC, MMCCDTEXT,\n"
    "                                   MMCRAW, 2600, RIC, MMC2, TEAC, MMCTRACK or SONY\n"
    "  cover [--title TEXT] [--background PICTURE] OUT.pdf PATH...\n"
    "                                   print the CD cover of the songs to a PDF file (an\n"
    "                                   A4 page at 600 dpi): the square insert with crop\n"
    "                                   marks, the album title (TEXT, or \"TUNEVARN SONG\n"
    "                                   LIST\"), the first 80 songs with their times, and the\n"
    "                                   picture stretched over the square as background\n"
    "  --version                        print the version\n"
    "\n"
    "options:\n"
    "  --lang NAME   use the language NAME (from the Language folder) for this run;\n"
    "                otherwise the language chosen in the program is used\n";

// Never asks: without a remembered choice the command line runs in English.
struct NoLanguageDialog : ILanguageDialog {
    int32_t RunLanguageDialog(const std::vector<std::string>&) override { return -1; }
};
}  // namespace

int Usage() {
    std::fputs(kUsage, stderr);
    return 2;
}

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    std::string language;
    while (!args.empty() && args[0] == "--lang") {
        if (args.size() < 2)
            return Usage();
        language = args[1];
        args.erase(args.begin(), args.begin() + 2);
    }
    if (args.empty())
        return Usage();

    CLanguageTable& table = LanguageTable();
    table.SetStartFolder(CaptureStartFolder());
    table.EnumerateLanguages();
    NoLanguageDialog noDialog;
    table.LoadLanguageSetting(noDialog);
    if (!language.empty() && !table.UseLanguageForRun(language)) {
        std::fprintf(stderr, "tunevarn-cli: no language named '%s'", language.c_str());
        for (int32_t i = 0; i < table.LanguageCount(); ++i)
            std::fprintf(stderr, "%s%s", i ? ", " : " (there are: English, ",
                         table.LanguageName(i));
        std::fprintf(stderr, "%s\n", table.LanguageCount() ? ")" : " (only English is installed)");
        return 2;
    }

    std::string command = args[0];
    args.erase(args.begin());
    if (command == "list")
        return RunList(args);
    if (command == "save-project")
        return RunSaveProject(args);
    if (command == "export-list")
        return RunExportList(args);
    if (command == "export-wav")
        return RunExportWav(args);
    if (command == "export-raw")
        return RunExportRaw(args);
    if (command == "analyze")
        return RunAnalyze(args);
    if (command == "drives")
        return RunDrives(args);
    if (command == "burn")
        return RunBurn(args);
    if (command == "cover")
        return RunCover(args);
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
