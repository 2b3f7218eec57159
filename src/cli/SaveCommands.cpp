// tunevarn-cli save-project and export-list: a song list written as a project, an M3U
// or PLS playlist, or the text song list for CD labels.
#include <cstdio>
#include <string>
#include <vector>

#include "cli/CliArgs.h"
#include "cli/CliCommands.h"
#include "cli/CliSupport.h"
#include "cli/Commands.h"
#include "cli/SongArgs.h"
#include "songlist/SongListFiles.h"

namespace {
int Write(bool (*write)(const CSongList&, const std::string&), const std::string& out,
          const std::vector<std::string>& paths) {
    CSongList list;
    AddSongsFromPaths(list, paths);
    if (!write(list, out)) {
        std::fprintf(stderr, "tunevarn-cli: cannot write %s\n", TerminalText(out).c_str());
        return kExitFailed;
    }
    list.UpdateStatusLine();
    std::fprintf(stderr, "%s: %s\n", TerminalText(out).c_str(),
                 TerminalText(list.StatusLine()).c_str());
    return 0;
}
}  // namespace

int RunSaveProject(const CCliArgs& args) {
    const std::vector<std::string>& operands = args.Operands();
    if (operands.empty())
        return args.Error("no OUT.mpj given");
    if (operands.size() < 2)
        return args.Error("no PATH given");
    return Write(WriteProjectFile, operands[0], {operands.begin() + 1, operands.end()});
}

int RunExportList(const CCliArgs& args) {
    const std::vector<std::string>& operands = args.Operands();
    if (operands.empty())
        return args.Error("no list format given (m3u, pls or txt)");
    const std::string& format = operands[0];
    bool (*write)(const CSongList&, const std::string&) = format == "m3u"   ? WriteM3uFile
                                                          : format == "pls" ? WritePlsFile
                                                          : format == "txt" ? WriteSongTextFile
                                                                            : nullptr;
    if (write == nullptr)
        return args.Error("unknown list format '" + format + "' (m3u, pls or txt)");
    if (operands.size() < 2)
        return args.Error("no OUT file given");
    if (operands.size() < 3)
        return args.Error("no PATH given");
    return Write(write, operands[1], {operands.begin() + 2, operands.end()});
}
