// tunevarn-cli list: builds a song list from files and folders and prints it.
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "cli/CliSupport.h"
#include "cli/Commands.h"
#include "songlist/SongList.h"
#include "ui/LanguageTable.h"

namespace {
const char* Reason(AddSongResult result) {
    switch (result) {
        case AddSongResult::kCannotOpen:
            return "cannot be opened";
        case AddSongResult::kNotMp3:
            return "not an MP3 file we can record";
        case AddSongResult::kOverBudget:
            return "does not fit on the disc (82 minutes at most)";
        case AddSongResult::kAdded:
            break;
    }
    return "";
}

void Add(CSongList& list, const std::string& path) {
    AddSongResult result = list.AddSong(path);
    if (result != AddSongResult::kAdded)
        std::fprintf(stderr, "tunevarn-cli: skipped %s: %s\n", TerminalText(path).c_str(),
                     Reason(result));
}
}  // namespace

int RunList(const std::vector<std::string>& args) {
    std::vector<std::string> paths;
    if (!OperandsOnly(args, paths))
        return Usage();
    if (paths.empty())
        return Usage();

    CSongList list;
    for (const std::string& song : ExpandSongPaths(paths)) Add(list, song);

    // Columns: the title padded to the longest one (within reason), the time, the path.
    constexpr size_t kMaxTitleColumn = 60;
    std::vector<std::string> titles;
    size_t width = DisplayWidth(Text(111));
    for (int32_t i = 0; i < list.RowCount(); ++i) {
        titles.push_back(TerminalText(list.Title(i)));
        width = std::max(width, std::min(kMaxTitleColumn, DisplayWidth(titles.back())));
    }
    auto row = [&](const std::string& title, const std::string& time, const std::string& path) {
        size_t pad = width > DisplayWidth(title) ? width - DisplayWidth(title) : 0;
        std::printf("%s%*s  %6s  %s\n", title.c_str(), static_cast<int>(pad), "", time.c_str(),
                    path.c_str());
    };
    row(Text(111), Text(112), Text(113));
    for (int32_t i = 0; i < list.RowCount(); ++i)
        row(titles[static_cast<size_t>(i)], list.TimeText(i), TerminalText(list.FullPath(i)));
    list.UpdateStatusLine();
    std::printf("%s\n", list.StatusLine().c_str());
    return std::fflush(stdout) == 0 ? 0 : 1;
}
