// tunevarn-cli list: builds a song list from files and folders and prints it.
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "cli/Commands.h"
#include "songlist/FolderScan.h"
#include "songlist/SongList.h"
#include "ui/DisplayText.h"
#include "ui/LanguageTable.h"

namespace {
// Paths are shown and stored as the user would type them from here: absolute and
// without "." or ".." steps, symbolic links left as they are.
std::string AbsolutePath(const std::string& path) {
    std::error_code ec;
    std::filesystem::path abs = std::filesystem::absolute(path, ec);
    if (ec)
        return path;
    std::string out = abs.lexically_normal().string();
    while (out.size() > 1 && out.back() == '/') out.pop_back();
    return out;
}

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

// Display form of a title or path for one terminal line: UTF-8, control characters
// shown as "?".
std::string TerminalText(const std::string& bytes) {
    std::string text = DisplayText(bytes);
    for (char& c : text)
        if ((static_cast<unsigned char>(c) < 0x20) || c == 0x7F)
            c = '?';
    return text;
}

size_t DisplayWidth(const std::string& utf8) {
    size_t n = 0;
    for (char c : utf8)
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80)
            ++n;
    return n;
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
    bool options = true;
    for (const std::string& arg : args) {
        if (options && arg == "--") {
            options = false;
        } else if (options && arg.size() > 1 && arg[0] == '-') {
            std::fprintf(stderr, "tunevarn-cli: unknown option '%s'\n", arg.c_str());
            return Usage();
        } else {
            paths.push_back(arg);
        }
    }
    if (paths.empty())
        return Usage();

    CSongList list;
    for (const std::string& given : paths) {
        std::string path = AbsolutePath(given);
        struct stat st {};
        if (::stat(path.c_str(), &st) != 0) {
            std::fprintf(stderr, "tunevarn-cli: %s: %s\n", TerminalText(given).c_str(),
                         std::strerror(errno));
            continue;
        }
        if (S_ISDIR(st.st_mode)) {
            std::vector<std::string> songs;
            CollectMp3Files(path, songs);
            for (const std::string& song : songs) Add(list, song);
        } else {
            Add(list, path);
        }
    }

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
