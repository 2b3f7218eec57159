// tunevarn-cli cover: the CD cover of a song list as a PDF, laid out as the desktop
// program prints it.
#include <cstdio>
#include <string>
#include <vector>

#include "base/FileIo.h"
#include "cli/CliArgs.h"
#include "cli/CliCommands.h"
#include "cli/CliSupport.h"
#include "cli/Commands.h"
#include "cli/InterruptFlag.h"
#include "cli/SongArgs.h"
#include "cover/Cover.h"
#include "gui/paint/CoverPdf.h"

int RunCover(const CCliArgs& args) {
    const std::vector<std::string>& operands = args.Operands();
    if (operands.empty())
        return args.Error("no OUT.pdf given");
    if (operands.size() < 2)
        return args.Error("no PATH given");
    const bool titleGiven = args.Has("--title");
    const std::string background = args.Value("--background");
    if (args.Has("--background") && background.empty())
        return args.Error("--background takes a picture file");
    const std::string& out = operands[0];
    // Ctrl-C, SIGTERM and SIGHUP stop the work; no file is left then.
    CInterruptFlag interrupt;
    const std::vector<std::string> paths(operands.begin() + 1, operands.end());
    CSongList list;
    AddSongsFromPaths(list, paths, [&interrupt] { return interrupt.Raised(); });
    if (interrupt.Raised())
        return interrupt.ExitStatus();
    std::vector<std::string> read = paths;
    if (!background.empty())
        read.push_back(background);
    if (!OutputAllowed("cover", out, OutputKind::kPdf, read, list))
        return kExitFailed;
    if (!HasExtension(out, ".pdf"))
        std::fprintf(stderr, "tunevarn-cli: cover: %s is written as a PDF file\n",
                     TerminalText(out).c_str());

    CCover cover;
    cover.AddCoverSongs(list);
    if (titleGiven)
        cover.SetAlbumTitle(args.Value("--title"));
    if (list.RowCount() > CCover::kMaxSongs)
        std::fprintf(stderr, "tunevarn-cli: cover: the cover holds the first %d of the %d songs\n",
                     CCover::kMaxSongs, list.RowCount());
    if (!background.empty())
        cover.SetPicture(AbsolutePath(background));

    std::string problem;
    switch (WriteCoverPdf(cover, out, problem, [&interrupt] { return interrupt.Raised(); })) {
        case CoverPdfResult::kWritten:
            std::fprintf(stderr, "%s: the cover with %zu song%s\n", TerminalText(out).c_str(),
                         cover.Songs().size(), cover.Songs().size() == 1 ? "" : "s");
            return kExitOk;
        case CoverPdfResult::kPictureUnreadable:
            std::fprintf(stderr, "tunevarn-cli: cover: cannot read the picture %s: %s\n",
                         TerminalText(background).c_str(), TerminalText(problem).c_str());
            return kExitFailed;
        case CoverPdfResult::kCannotWrite:
            std::fprintf(stderr, "tunevarn-cli: cover: cannot write %s: %s\n",
                         TerminalText(out).c_str(), TerminalText(problem).c_str());
            return kExitFailed;
        case CoverPdfResult::kStopped:
            return interrupt.ExitStatus();
        case CoverPdfResult::kNotDrawn:
            break;
    }
    std::fprintf(stderr, "tunevarn-cli: cover: cannot draw the cover: %s\n",
                 TerminalText(problem).c_str());
    return kExitFailed;
}
