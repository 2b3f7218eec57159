#include "cli/SongArgs.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "app/FileIo.h"
#include "songlist/FolderScan.h"
#include "songlist/SongListFiles.h"
#include "ui/DisplayText.h"

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

void Add(CSongList& list, const std::string& path) {
    AddSongResult result = list.AddSong(path);
    if (result != AddSongResult::kAdded)
        std::fprintf(stderr, "tunevarn-cli: skipped %s: %s\n", TerminalText(path).c_str(),
                     Reason(result));
}

void CannotRead(const std::string& path) {
    std::fprintf(stderr, "tunevarn-cli: cannot read %s\n", TerminalText(path).c_str());
}

// A project's songs, kept with their own titles, after the songs already listed.
void AppendProject(CSongList& list, const std::string& path) {
    CSongList project;
    if (!ReadProjectFile(project, path)) {
        CannotRead(path);
        return;
    }
    for (int32_t i = 0; i < project.RowCount(); ++i)
        if (!list.InsertSong(project.Row(i)))
            std::fprintf(stderr, "tunevarn-cli: skipped %s: %s\n",
                         TerminalText(project.FullPath(i)).c_str(),
                         Reason(AddSongResult::kOverBudget));
}
}  // namespace

std::string TerminalText(const std::string& bytes) {
    std::string text = DisplayText(bytes);
    for (char& c : text)
        if ((static_cast<unsigned char>(c) < 0x20) || c == 0x7F)
            c = '?';
    return text;
}

bool ParsePaths(const std::vector<std::string>& args, std::vector<std::string>& paths) {
    bool options = true;
    for (const std::string& arg : args) {
        if (options && arg == "--") {
            options = false;
        } else if (options && arg.size() > 1 && arg[0] == '-') {
            std::fprintf(stderr, "tunevarn-cli: unknown option '%s'\n", arg.c_str());
            return false;
        } else {
            paths.push_back(arg);
        }
    }
    return true;
}

void AddSongsFromPaths(CSongList& list, const std::vector<std::string>& paths) {
    for (const std::string& given : paths) {
        std::string path = AbsolutePath(given);
        struct stat st {};
        if (::stat(path.c_str(), &st) != 0) {
            std::fprintf(stderr, "tunevarn-cli: %s: %s\n", TerminalText(given).c_str(),
                         std::strerror(errno));
        } else if (S_ISDIR(st.st_mode)) {
            std::vector<std::string> songs;
            CollectMp3Files(path, songs);
            for (const std::string& song : songs) Add(list, song);
        } else if (HasExtension(path, ".m3u")) {
            if (!ImportM3u(list, path))
                CannotRead(path);
        } else if (HasExtension(path, ".pls")) {
            if (!ImportPls(list, path))
                CannotRead(path);
        } else if (HasExtension(path, ".mpj")) {
            AppendProject(list, path);
        } else {
            Add(list, path);
        }
    }
}
