// tunevarn-cli cover: the CD cover of a song list as a PDF, laid out as the desktop
// program prints it.
#include <cstdio>
#include <string>
#include <vector>

#include "cli/CliSupport.h"
#include "cli/Commands.h"
#include "cli/SongArgs.h"
#include "cover/Cover.h"
#include "gui/paint/CoverPdf.h"

namespace {

struct CoverOptions {
    bool titleGiven = false;
    std::string title;
    std::string background;
    std::vector<std::string> operands;  // OUT.pdf, then the song paths
};

bool Fail(const char* what) {
    std::fprintf(stderr, "tunevarn-cli: cover: %s\n", what);
    return false;
}

bool ParseOptions(const std::vector<std::string>& args, CoverOptions& options) {
    bool optionsEnd = false;
    for (size_t i = 0; i < args.size(); ++i) {
        std::string arg = args[i];
        if (optionsEnd || arg.size() < 2 || arg[0] != '-') {
            options.operands.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnd = true;
            continue;
        }
        // "--name=value" as well as "--name value".
        std::string value;
        bool valueGiven = false;
        if (size_t equals = arg.find('='); equals != std::string::npos) {
            value = arg.substr(equals + 1);
            arg.resize(equals);
            valueGiven = true;
        }
        const bool title = arg == "--title";
        if (!title && arg != "--background")
            return Fail(("unknown option '" + arg + "'").c_str());
        if (!valueGiven && i + 1 < args.size()) {
            value = args[++i];
            valueGiven = true;
        }
        if (!valueGiven || (!title && value.empty()))
            return Fail(title ? "--title takes a text" : "--background takes a picture file");
        if (title) {
            options.title = value;
            options.titleGiven = true;
        } else {
            options.background = value;
        }
    }
    return true;
}

}  // namespace

int RunCover(const std::vector<std::string>& args) {
    CoverOptions options;
    if (!ParseOptions(args, options) || options.operands.size() < 2)
        return Usage();
    const std::string& out = options.operands[0];
    CSongList list;
    AddSongsFromPaths(list, {options.operands.begin() + 1, options.operands.end()});

    CCover cover;
    cover.AddCoverSongs(list);
    if (options.titleGiven)
        cover.SetAlbumTitle(options.title);
    if (list.RowCount() > CCover::kMaxSongs)
        std::fprintf(stderr, "tunevarn-cli: cover: the cover holds the first %d of the %d songs\n",
                     CCover::kMaxSongs, list.RowCount());
    if (!options.background.empty())
        cover.SetPicture(AbsolutePath(options.background));

    std::string problem;
    switch (WriteCoverPdf(cover, out, problem)) {
        case CoverPdfResult::kWritten:
            std::fprintf(stderr, "%s: the cover with %zu songs\n", TerminalText(out).c_str(),
                         cover.Songs().size());
            return 0;
        case CoverPdfResult::kPictureUnreadable:
            std::fprintf(stderr, "tunevarn-cli: cover: cannot read the picture %s: %s\n",
                         TerminalText(options.background).c_str(), TerminalText(problem).c_str());
            return 1;
        case CoverPdfResult::kCannotWrite:
            std::fprintf(stderr, "tunevarn-cli: cover: cannot write %s: %s\n",
                         TerminalText(out).c_str(), TerminalText(problem).c_str());
            return 1;
        case CoverPdfResult::kNotDrawn:
            break;
    }
    std::fprintf(stderr, "tunevarn-cli: cover: cannot draw the cover: %s\n",
                 TerminalText(problem).c_str());
    return 1;
}
