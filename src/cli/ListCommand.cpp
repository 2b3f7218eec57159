// tunevarn-cli list: builds a song list and prints it with its totals line.
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "cli/CliArgs.h"
#include "cli/CliCommands.h"
#include "cli/CliSupport.h"
#include "cli/Commands.h"
#include "cli/SongArgs.h"
#include "ui/LanguageTable.h"

int RunList(const CCliArgs& args) {
    if (args.Operands().empty())
        return args.Error("no PATH given");
    CSongList list;
    list.SetGapless(args.Has("--gapless"));
    AddSongsFromPaths(list, args.Operands());

    // Columns: the title padded to the longest one (within reason), the time, the path.
    constexpr size_t kMaxTitleColumn = 60;
    std::string header[3] = {TerminalText(Text(111)), TerminalText(Text(112)),
                             TerminalText(Text(113))};
    std::vector<std::string> titles;
    size_t width = DisplayWidth(header[0]);
    for (int32_t i = 0; i < list.RowCount(); ++i) {
        titles.push_back(TerminalText(list.Title(i)));
        width = std::max(width, std::min(kMaxTitleColumn, DisplayWidth(titles.back())));
    }
    auto row = [&](const std::string& title, const std::string& time, const std::string& path) {
        size_t pad = width > DisplayWidth(title) ? width - DisplayWidth(title) : 0;
        std::printf("%s%*s  %6s  %s\n", title.c_str(), static_cast<int>(pad), "", time.c_str(),
                    path.c_str());
    };
    row(header[0], header[1], header[2]);
    for (int32_t i = 0; i < list.RowCount(); ++i)
        row(titles[static_cast<size_t>(i)], list.TimeText(i), TerminalText(list.FullPath(i)));
    list.UpdateStatusLine();
    std::printf("%s\n", TerminalText(list.StatusLine()).c_str());
    if (std::fflush(stdout) != 0)
        return kExitFailed;
    // A script must not take a mistyped name for an empty list.
    if (list.RowCount() == 0) {
        std::fprintf(stderr, "tunevarn-cli: list: no songs\n");
        return kExitFailed;
    }
    return kExitOk;
}
