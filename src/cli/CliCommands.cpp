#include "cli/CliCommands.h"

#include <cstring>

#include "cli/Commands.h"

namespace {
constexpr size_t kOptionColumn = 26;  // where an option's help starts

const char kPaths[] =
    "PATH arguments name MP3 files, folders (searched recursively for .mp3 files),\n"
    "M3U and PLS playlists, and projects (.mpj), taken in the order given.\n";

const char kExitStatuses[] =
    "exit status:\n"
    "  0      done: the list or file was written, the disc or the test write\n"
    "         completed (and, verified, every track read back as written)\n"
    "  1      the work could not be done (the reason is on stderr); for burn: the\n"
    "         disc was not completed\n"
    "  2      a missing or wrong argument (the reason is on stderr)\n"
    "  128+N  stopped by signal N: 130 for Ctrl-C (SIGINT), 143 for SIGTERM, 129\n"
    "         for SIGHUP; a stopped burn releases and ejects the disc, a stopped\n"
    "         export leaves no file\n";

const std::vector<CCliOption> kGlobalOptions = {
    {"--lang", "NAME",
     "use the language NAME (from the Language folder) for\n"
     "this run; otherwise the one chosen in the program"},
    {"--help", nullptr, "print the usage of the program, or of the command"},
    {"--version", nullptr, "print the version (also -V)"},
    {"--", nullptr, "ends the options: all after it are PATH or files"},
};

const std::vector<CCliCommand> kCommands = {
    {"list",
     "[--gapless] PATH...",
     "Print the song list the paths make: title, time and full path, then the totals\n"
     "line.",
     {{"--gapless", nullptr, "count the songs' exact lengths, as a gapless disc\nholds them"}},
     RunList},
    {"save-project",
     "OUT.mpj PATH...",
     "Save the song list the paths make as a project.",
     {},
     RunSaveProject},
    {"export-list",
     "m3u|pls|txt OUT PATH...",
     "Write the song list as an M3U or PLS playlist, or as the text song list for CD\n"
     "labels.",
     {},
     RunExportList},
    {"export-wav",
     "SONG OUT.wav",
     "Write the MP3 file SONG as a WAV file of CD audio, exactly its track's length\n"
     "on a disc.  OUT may not be SONG itself; a symbolic link is written through to\n"
     "its target.  The file appears only when complete.",
     {},
     RunExportWav},
    {"export-raw",
     "SONG OUT.bin",
     "Write SONG's track as raw CD audio, exactly as it goes to the disc.  As for\n"
     "export-wav, OUT may not be SONG and appears only when complete.",
     {},
     RunExportRaw},
    {"analyze",
     "[--normalize-default on|off] PATH...",
     "Measure the songs' levels as a recording with Normalize does and print each\n"
     "track's peak, level and the gain the default settings apply.  The first run\n"
     "stores whether normalizing is on by default (nml.log in the current folder).",
     {{"--normalize-default", "on|off", "the default to store when none is stored yet (on)"}},
     RunAnalyze},
    {"drives",
     "[--choose N]",
     "Find the CD recorders as start-up does, write cdrlog.txt here, and show each\n"
     "device and the recorder chosen.",
     {{"--choose", "N", "which recorder of several, from 1"}},
     RunDrives},
    {"burn",
     "[OPTIONS] PATH...",
     "Record the songs as an audio CD on the recorder, as the Record dialog does.\n"
     "Ctrl-C, SIGTERM and SIGHUP stop the run: the drive is released and the disc\n"
     "ejected.  Exit status 0 when the disc (or, with --test, the test write) was\n"
     "completed.  Without a CD recorder, --image FOLDER writes the disc as an image\n"
     "(BIN/CUE with its CD-TEXT, and SUB for raw writing) into an existing folder and\n"
     "prints the path of its .cue file.",
     {
         {"--test", nullptr, "a simulation: the drive burns nothing"},
         {"--speed", "1|2|4|6|8|max", "writing speed (1)"},
         {"--normalize", nullptr, "bring every track to the same level"},
         {"--target", "N", "...to N percent of full scale (98)"},
         {"--only-if", "LOWER,HIGHER",
          "...but only tracks below LOWER or above HIGHER\n"
          "percent (LOWER not above HIGHER)"},
         {"--cd-text", nullptr, "write the album and song titles as CD-TEXT"},
         {"--album", "TITLE", "the album title (implies --cd-text)"},
         {"--gapless", nullptr,
          "the songs back to back, sample for sample, without\n"
          "silence between them (not with MMCTRACK)"},
         {"--image", "FOLDER",
          "no recorder: write the disc as an image into\n"
          "FOLDER, with the driver --driver names"},
         {"--verify", nullptr,
          "read the disc back after writing and compare it\n"
          "with the songs, track by track (as verify)"},
         {"--drive", "N", "which recorder, when there are several"},
         {"--driver", "NAME",
          "the recorder's driver for this run, in place of\n"
          "the one driver.lst gives it: MMC, MMCCDTEXT,\n"
          "MMCRAW, 2600, RIC, MMC2, TEAC, MMCTRACK or SONY"},
     },
     RunBurn},
    {"verify",
     "[OPTIONS] PATH...",
     "Read the disc in the recorder back and compare it, track by track, with the\n"
     "disc the songs make: the PATH arguments and the options that shaped it when\n"
     "it was burnt.  The drive's read offset is found from the audio.  One line a\n"
     "track, \"Track N: verified\" or \"Track N: differs in K blocks from M:SS.ff\"\n"
     "(the time within the track), and the total; exit status 0 when every track\n"
     "is verified.",
     {
         {"--normalize", nullptr, "the tracks were normalized"},
         {"--target", "N", "...to N percent of full scale (98)"},
         {"--only-if", "LOWER,HIGHER", "...but only tracks below LOWER or above HIGHER"},
         {"--gapless", nullptr, "the songs were written gapless"},
         {"--drive", "N", "which recorder, when there are several"},
         {"--driver", "NAME", "the recorder's driver, in place of driver.lst's"},
     },
     RunVerify},
    {"cover",
     "[--title TEXT] [--background PICTURE] OUT.pdf PATH...",
     "Print the CD cover of the songs to a PDF file (an A4 page at 600 dpi): the\n"
     "square insert with crop marks, the album title, the first 80 songs with their\n"
     "times, and the picture stretched over the square as background.",
     {{"--title", "TEXT", "the album title (\"TUNEVARN SONG LIST\")"},
      {"--background", "PICTURE", "a BMP, JPEG, TIFF, PNG or other picture"}},
     RunCover},
};

// "  --speed 1|2|4|6|8|max        writing speed (1)", continuation lines indented.
void AppendOption(std::string& text, const CCliOption& option) {
    std::string head = std::string("  ") + option.name;
    if (option.value != nullptr)
        head += std::string(" ") + option.value;
    text += head;
    if (head.size() + 2 > kOptionColumn)
        text += "\n" + std::string(kOptionColumn, ' ');
    else
        text += std::string(kOptionColumn - head.size(), ' ');
    for (const char* c = option.help; *c != '\0'; ++c) {
        text += *c;
        if (*c == '\n')
            text += std::string(kOptionColumn, ' ');
    }
    text += '\n';
}

std::string Synopsis(const CCliCommand& command) {
    return std::string("tunevarn-cli [--lang NAME] ") + command.name + " " + command.operands;
}
}  // namespace

const std::vector<CCliCommand>& CliCommands() {
    return kCommands;
}

const std::vector<CCliOption>& CliGlobalOptions() {
    return kGlobalOptions;
}

const CCliCommand* FindCliCommand(const std::string& name) {
    for (const CCliCommand& command : kCommands)
        if (name == command.name)
            return &command;
    return nullptr;
}

std::string UsageHint(const CCliCommand* command) {
    return std::string("Try 'tunevarn-cli ") + (command != nullptr ? command->name : "") +
           (command != nullptr ? " " : "") + "--help' for the usage.\n";
}

std::string CommandUsage(const CCliCommand& command) {
    std::string text = "usage: " + Synopsis(command) + "\n" + command.help + "\n";
    if (std::strstr(command.operands, "PATH") != nullptr)
        text += std::string("\n") + kPaths;
    if (!command.options.empty()) {
        text += "\noptions:\n";
        for (const CCliOption& option : command.options) AppendOption(text, option);
    }
    return text;
}

std::string ProgramSummary() {
    std::string text =
        "usage: tunevarn-cli [--lang NAME] COMMAND [ARGS...]\n"
        "       tunevarn-cli --help | --version\n"
        "       tunevarn-cli COMMAND --help | help COMMAND\n\ncommands:\n";
    for (const CCliCommand& command : kCommands)
        text += std::string("  ") + command.name + " " + command.operands + "\n";
    text += "\noptions:\n";
    for (const CCliOption& option : kGlobalOptions) AppendOption(text, option);
    return text;
}

std::string ProgramUsage() {
    std::string text = ProgramSummary();
    for (const CCliCommand& command : kCommands) text += "\n" + CommandUsage(command);
    text += std::string("\n") + kExitStatuses;
    return text;
}
