// tunevarn-cli save-project and export-list: a song list written as a project, an M3U
// or PLS playlist, or the text song list for CD labels.
#include <cstdio>
#include <string>
#include <vector>

#include "cli/CliSupport.h"
#include "cli/Commands.h"
#include "cli/SongArgs.h"
#include "songlist/SongListFiles.h"

namespace {
int Write(bool (*write)(const CSongList&, const std::string&), const std::string& out,
          const std::vector<std::string>& songArgs) {
    std::vector<std::string> paths;
    if (!OperandsOnly(songArgs, paths) || paths.empty())
        return Usage();
    CSongList list;
    AddSongsFromPaths(list, paths);
    if (!write(list, out)) {
        std::fprintf(stderr, "tunevarn-cli: cannot write %s\n", TerminalText(out).c_str());
        return 1;
    }
    list.UpdateStatusLine();
    std::fprintf(stderr, "%s: %s\n", TerminalText(out).c_str(),
                 TerminalText(list.StatusLine()).c_str());
    return 0;
}
}  // namespace

int RunSaveProject(const std::vector<std::string>& args) {
    if (args.size() < 2)
        return Usage();
    return Write(WriteProjectFile, args[0], {args.begin() + 1, args.end()});
}

int RunExportList(const std::vector<std::string>& args) {
    if (args.size() < 3)
        return Usage();
    const std::string& format = args[0];
    bool (*write)(const CSongList&, const std::string&) = format == "m3u"   ? WriteM3uFile
                                                          : format == "pls" ? WritePlsFile
                                                          : format == "txt" ? WriteSongTextFile
                                                                            : nullptr;
    if (write == nullptr) {
        std::fprintf(stderr, "tunevarn-cli: unknown list format '%s' (m3u, pls or txt)\n",
                     format.c_str());
        return Usage();
    }
    return Write(write, args[1], {args.begin() + 2, args.end()});
}
