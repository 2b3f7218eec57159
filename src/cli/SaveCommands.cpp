// tunevarn-cli save-project and export-list: a song list written as a project, an M3U
// or PLS playlist, or the text song list for CD labels.
#include <cstdio>
#include <string>
#include <vector>

#include "base/AsciiText.h"
#include "base/FileIo.h"
#include "cli/CliArgs.h"
#include "cli/CliCommands.h"
#include "cli/CliSupport.h"
#include "cli/Commands.h"
#include "cli/SongArgs.h"
#include "songlist/SongListFiles.h"

namespace {
using Writer = bool (*)(const CSongList&, const std::string&);

// The list the paths give, written to out when not one of them is refused.  A project's
// name gets its ".mpj" when it lacks one, so it can be opened as a project again.
int Write(const CCliArgs& args, Writer write, OutputKind kind, std::string out,
          const std::vector<std::string>& paths) {
    const char* command = args.Command().name;
    CSongList list;
    AddSongsFromPaths(list, paths);
    if (list.RowCount() == 0) {
        std::fprintf(stderr, "tunevarn-cli: %s: no songs; nothing was written\n", command);
        return kExitFailed;
    }
    if (!OutputAllowed(command, out, kind, paths, list))
        return kExitFailed;
    if (kind == OutputKind::kProject && !HasExtension(out, ".mpj")) {
        out += ".mpj";
        std::fprintf(stderr, "tunevarn-cli: %s: saving as %s (projects end in .mpj)\n", command,
                     TerminalText(out).c_str());
        if (!OutputAllowed(command, out, kind, paths, list))
            return kExitFailed;
    }
    if (!write(list, out)) {
        std::fprintf(stderr, "tunevarn-cli: cannot write %s\n", TerminalText(out).c_str());
        return kExitFailed;
    }
    list.UpdateStatusLine();
    std::fprintf(stderr, "%s: %s\n", TerminalText(out).c_str(),
                 TerminalText(list.StatusLine()).c_str());
    return kExitOk;
}
}  // namespace

int RunSaveProject(const CCliArgs& args) {
    const std::vector<std::string>& operands = args.Operands();
    if (operands.empty())
        return args.Error("no OUT.mpj given");
    if (operands.size() < 2)
        return args.Error("no PATH given");
    return Write(args, WriteProjectFile, OutputKind::kProject, operands[0],
                 {operands.begin() + 1, operands.end()});
}

int RunExportList(const CCliArgs& args) {
    const std::vector<std::string>& operands = args.Operands();
    if (operands.empty())
        return args.Error("no list format given (m3u, pls or txt)");
    const std::string& format = operands[0];
    Writer write = nullptr;
    OutputKind kind = OutputKind::kPlaylist;
    if (EqualNoCase(format, "m3u")) {
        write = WriteM3uFile;
    } else if (EqualNoCase(format, "pls")) {
        write = WritePlsFile;
    } else if (EqualNoCase(format, "txt")) {
        write = WriteSongTextFile;
        kind = OutputKind::kSongText;
    } else {
        return args.Error("unknown list format '" + format + "' (m3u, pls or txt)");
    }
    if (operands.size() < 2)
        return args.Error("no OUT file given");
    if (operands.size() < 3)
        return args.Error("no PATH given");
    return Write(args, write, kind, operands[1], {operands.begin() + 2, operands.end()});
}
