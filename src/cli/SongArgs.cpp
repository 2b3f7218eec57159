#include "cli/SongArgs.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "base/DisplayText.h"
#include "base/FileIo.h"
#include "cli/CliSupport.h"
#include "songlist/FolderScan.h"
#include "songlist/SongListFiles.h"

namespace {
const char* Reason(AddSongResult result) {
    switch (result) {
        case AddSongResult::kCannotOpen:
            return "cannot be opened";
        case AddSongResult::kPathTooLong:
            return "its path is longer than 255 bytes";
        case AddSongResult::kLineBreak:
            return "its name holds a line break";
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

const char* Reason(PlaylistSkip why) {
    switch (why) {
        case PlaylistSkip::kMissing:
            return "no such file";
        case PlaylistSkip::kFolder:
            return "a folder, not a song";
        case PlaylistSkip::kNotMp3:
            return "not an MP3 file";
        case PlaylistSkip::kNotLocal:
            return "not a file on this computer";
        case PlaylistSkip::kLineTooLong:
            return "the line is longer than 255 characters";
        case PlaylistSkip::kNulByte:
            return "the line holds a NUL byte";
        case PlaylistSkip::kCannotOpen:
            return Reason(AddSongResult::kCannotOpen);
        case PlaylistSkip::kPathTooLong:
            return Reason(AddSongResult::kPathTooLong);
        case PlaylistSkip::kLineBreak:
            return Reason(AddSongResult::kLineBreak);
        case PlaylistSkip::kNotRecordable:
            return Reason(AddSongResult::kNotMp3);
        case PlaylistSkip::kOverBudget:
            return Reason(AddSongResult::kOverBudget);
        case PlaylistSkip::kPastLimit:
            return "a playlist adds 100 songs at most";
    }
    return "";
}

// A playlist's songs; every entry that is not added is named with the reason.
void ImportPlaylist(CSongList& list, const std::string& path,
                    bool (*import)(CSongList&, const std::string&, std::vector<CSkippedEntry>*)) {
    std::vector<CSkippedEntry> skipped;
    if (!import(list, path, &skipped)) {
        CannotRead(path);
        return;
    }
    for (const CSkippedEntry& entry : skipped)
        std::fprintf(stderr, "tunevarn-cli: skipped %s in %s: %s\n",
                     TerminalText(entry.entry).c_str(), TerminalText(path).c_str(),
                     Reason(entry.why));
}

// What a path that is neither a file nor a folder names, for a message.
const char* SpecialFile(mode_t mode) {
    if (S_ISFIFO(mode))
        return "a named pipe";
    if (S_ISSOCK(mode))
        return "a socket";
    return "a device";
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

void AddSongsFromPaths(CSongList& list, const std::vector<std::string>& paths,
                       const std::function<bool()>& stop) {
    auto stopped = [&stop] { return stop && stop(); };
    for (const std::string& given : paths) {
        if (stopped())
            return;
        std::string path = AbsolutePath(given);
        struct stat st {};
        if (::stat(path.c_str(), &st) != 0) {
            std::fprintf(stderr, "tunevarn-cli: %s: %s\n", TerminalText(given).c_str(),
                         std::strerror(errno));
        } else if (!S_ISDIR(st.st_mode) && !S_ISREG(st.st_mode)) {
            // Never opened: reading a pipe or a device could wait for ever.
            std::fprintf(stderr, "tunevarn-cli: skipped %s: %s, not a file\n",
                         TerminalText(given).c_str(), SpecialFile(st.st_mode));
        } else if (S_ISDIR(st.st_mode)) {
            std::vector<std::string> songs, tooDeep;
            CollectMp3Files(path, songs, &tooDeep);
            for (const std::string& song : songs) {
                if (stopped())
                    return;
                Add(list, song);
            }
            for (const std::string& folder : tooDeep)
                std::fprintf(stderr,
                             "tunevarn-cli: skipped %s: the folder is more than %d levels "
                             "deep; its songs are not searched\n",
                             TerminalText(folder).c_str(), kMaxScanDepth);
        } else if (IsM3uPlaylist(path)) {
            ImportPlaylist(list, path, ImportM3u);
        } else if (HasExtension(path, ".pls")) {
            ImportPlaylist(list, path, ImportPls);
        } else if (HasExtension(path, ".mpj")) {
            AppendProject(list, path);
        } else {
            Add(list, path);
        }
    }
}
