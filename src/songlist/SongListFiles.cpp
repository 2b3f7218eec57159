#include "songlist/SongListFiles.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>
#include <optional>
#include <string_view>

#include "audio/Mp3Source.h"
#include "base/AsciiText.h"
#include "base/DisplayText.h"
#include "base/FileIo.h"
#include "base/TextLineReader.h"
#include "songlist/FolderScan.h"

namespace {
constexpr size_t kLineChars = 255;
constexpr int kMaxSongs = 100;  // of a project, and of a playlist

// Our files are single-byte text with CR LF line ends.
class CTextOut {
  public:
    void Line(const std::string& text) {
        // A line break inside a title would shift every line after it.
        for (char c : text) out_.push_back(c == '\r' || c == '\n' ? ' ' : c);
        out_ += "\r\n";
    }
    bool WriteTo(const std::string& path) const {
        return WriteFileReplacing(path, out_.data(), out_.size());
    }

  private:
    std::string out_;
};

std::string Format(const char* format, int a, int b, int c) {
    char text[64];
    std::snprintf(text, sizeof text, format, a, b, c);
    return text;
}

// Entries of a playlist or project that are not absolute are found from the folder of
// the file that names them.
std::string Resolve(const std::string& listFile, const std::string& entry) {
    if (entry.empty() || entry[0] == '/')
        return entry;
    std::filesystem::path folder = std::filesystem::path(listFile).parent_path();
    return (folder / entry).lexically_normal().string();
}

// Playlists of other programs: UTF-8 with a byte order mark, lines as long as a path can
// be and longer (those are skipped whole, never split into pieces that name other files).
constexpr size_t kReadChars = 4096;
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
// Beyond what any playlist holds; keeps a hostile PLS file from filling memory.
constexpr size_t kMaxPlsEntries = 10000;

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && EqualNoCase(text.substr(0, prefix.size()), prefix);
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    c = AsciiLower(c);
    return c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
}

// The path an entry names: a file URL decoded ("file:///a%20b.mp3", "file://localhost/",
// "file:/"), a relative path with "\" read as "/".  False for a URL of another scheme or
// host, or one whose path cannot be a file name.
bool EntryPath(std::string_view entry, std::string& path) {
    size_t colon = entry.find(':');
    bool scheme = colon != std::string_view::npos && colon > 1 && AsciiLower(entry[0]) >= 'a' &&
                  AsciiLower(entry[0]) <= 'z' &&
                  entry.find_first_not_of(
                      "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ"
                      "0123456789+.-") == colon;
    if (!scheme || !EqualNoCase(entry.substr(0, colon), "file")) {
        // "C:\Music\x.mp3" has a one-letter "scheme": a Windows path, taken as relative.
        if (scheme && entry.substr(colon, 3) == "://")
            return false;
        path.assign(entry);
        if (path[0] != '/')
            std::replace(path.begin(), path.end(), '\\', '/');
        return true;
    }
    std::string_view rest = entry.substr(colon + 1);
    if (rest.substr(0, 2) == "//") {
        rest.remove_prefix(2);
        size_t slash = rest.find('/');
        std::string_view host = rest.substr(0, slash);
        if (slash == std::string_view::npos || !(host.empty() || EqualNoCase(host, "localhost")))
            return false;
        rest.remove_prefix(slash);
    }
    if (rest.empty() || rest[0] != '/')
        return false;
    path.clear();
    for (size_t i = 0; i < rest.size(); ++i) {
        int high = 0, low = 0;
        if (rest[i] == '%' && i + 2 < rest.size() && (high = HexDigit(rest[i + 1])) >= 0 &&
            (low = HexDigit(rest[i + 2])) >= 0) {
            path.push_back(static_cast<char>(high * 16 + low));
            i += 2;
        } else {
            path.push_back(rest[i]);
        }
    }
    // An escaped NUL would end the name early and name another file.
    return path.find('\0') == std::string::npos;
}

// Adds the playlist entries to a list, 100 songs at most, telling why the others are not
// added.
class CPlaylistImport {
  public:
    CPlaylistImport(CSongList& list, const std::string& playlist,
                    std::vector<CSkippedEntry>* skipped)
        : list_(list), playlist_(playlist), skipped_(skipped) {}

    void Add(std::string_view entry, const std::string& title) {
        entry = TrimBlanks(entry);
        std::string path;
        if (added_ >= kMaxSongs)
            return Skip(entry, PlaylistSkip::kPastLimit);
        if (!EntryPath(entry, path))
            return Skip(entry, PlaylistSkip::kNotLocal);
        struct stat st {};
        // A playlist written by a Latin-1 program names "Café.mp3" in single bytes, where
        // the file's name is UTF-8: such an entry is read as Latin-1 first.
        std::string asLatin1 = IsValidUtf8(path) ? "" : Resolve(playlist_, DisplayText(path));
        path = Resolve(playlist_, path);
        if (!asLatin1.empty() && ::stat(asLatin1.c_str(), &st) == 0)
            path = asLatin1;
        else if (::stat(path.c_str(), &st) != 0)
            return Skip(entry, PlaylistSkip::kMissing);
        if (S_ISDIR(st.st_mode))
            return Skip(entry, PlaylistSkip::kFolder);
        if (!HasMp3Extension(path))
            return Skip(entry, PlaylistSkip::kNotMp3);
        switch (list_.AddSong(path, title)) {
            case AddSongResult::kAdded:
                ++added_;
                return;
            case AddSongResult::kCannotOpen:
                return Skip(entry, PlaylistSkip::kCannotOpen);
            case AddSongResult::kPathTooLong:
                return Skip(entry, PlaylistSkip::kPathTooLong);
            case AddSongResult::kLineBreak:
                return Skip(entry, PlaylistSkip::kLineBreak);
            case AddSongResult::kNotMp3:
                return Skip(entry, PlaylistSkip::kNotRecordable);
            case AddSongResult::kOverBudget:
                return Skip(entry, PlaylistSkip::kOverBudget);
        }
    }

    void Skip(std::string_view entry, PlaylistSkip why) {
        if (skipped_ != nullptr)
            skipped_->push_back({std::string(TrimBlanks(entry)), why});
    }

  private:
    CSongList& list_;
    const std::string& playlist_;
    std::vector<CSkippedEntry>* skipped_;
    int added_ = 0;
};

// Reads a playlist's lines: the byte order mark of the first one gone, each line whole
// (too long: true in tooLong, with the line's beginning).
class CPlaylistLines {
  public:
    explicit CPlaylistLines(const std::string& path) : in_(path) {}
    bool IsOpen() const { return in_.IsOpen(); }

    bool Next(std::string& line, bool& tooLong, bool& hadNul) {
        if (!in_.ReadLine(line, kReadChars, CTextLineReader::LongLines::kCut))
            return false;
        hadNul = in_.LineHadNul();
        if (first_ && line.compare(0, kByteOrderMark.size(), kByteOrderMark) == 0)
            line.erase(0, kByteOrderMark.size());
        first_ = false;
        tooLong = line.size() > kLineChars;
        if (tooLong)
            line.resize(kLineChars);
        return true;
    }

  private:
    CTextLineReader in_;
    bool first_ = true;
};

// The number after a PLS key's name ("File12" -> 12), or -1 when the key is not
// name + number.
int KeyNumber(std::string_view key, std::string_view name) {
    if (!StartsWithNoCase(key, name) || key.size() == name.size() || key.size() > name.size() + 9)
        return -1;
    int n = 0;
    for (char c : key.substr(name.size())) {
        if (c < '0' || c > '9')
            return -1;
        n = n * 10 + (c - '0');
    }
    return n;
}
}  // namespace

bool WriteProjectFile(const CSongList& list, const std::string& path) {
    CTextOut out;
    for (int32_t i = 0; i < list.RowCount(); ++i) {
        out.Line(list.Title(i));
        out.Line(list.FullPath(i));
    }
    return out.WriteTo(path);
}

bool WriteM3uFile(const CSongList& list, const std::string& path) {
    CTextOut out;
    for (int32_t i = 0; i < list.RowCount(); ++i) out.Line(list.FullPath(i));
    return out.WriteTo(path);
}

bool WritePlsFile(const CSongList& list, const std::string& path) {
    CTextOut out;
    out.Line("[playlist]");
    for (int32_t i = 0; i < list.RowCount(); ++i)
        out.Line("File" + std::to_string(i + 1) + "=" + list.FullPath(i));
    out.Line("NumberOfEntries=" + std::to_string(list.RowCount()));
    return out.WriteTo(path);
}

bool WriteSongTextFile(const CSongList& list, const std::string& path) {
    const std::string rule(64, '=');
    int32_t total = list.TotalSeconds();
    CTextOut out;
    out.Line("");
    out.Line("");
    out.Line("Tunevarn Song List");
    out.Line(Format("Number of songs: %d , Total time: %02d:%02d", list.RowCount(), total / 60,
                    total % 60));
    out.Line("");
    out.Line("Index   Time      Song Title");
    out.Line(rule);
    for (int32_t i = 0; i < list.RowCount(); ++i) {
        int32_t d = list.SongDuration(i);
        out.Line(Format(" %02d     %02d:%02d     ", i + 1, d / 60, d % 60) + list.Title(i));
    }
    out.Line("");
    out.Line("");
    out.Line(rule);
    out.Line(std::string("Keep watching ") + kHomePage + " for the newest Tunevarn!");
    return out.WriteTo(path);
}

bool ReadProjectFile(CSongList& list, const std::string& path) {
    CTextLineReader in(path);
    if (!in.IsOpen())
        return false;
    list.ClearSongs();
    // Lines are cut, not split: a long line must not shift the title/path pairs after it.
    constexpr auto kCut = CTextLineReader::LongLines::kCut;
    std::string title, file;
    for (int n = 0; n < kMaxSongs; ++n) {
        if (!in.ReadLine(title, kLineChars, kCut) || !in.ReadLine(file, kLineChars, kCut))
            break;
        // A path cut at a NUL would name another file.
        if (in.LineHadNul())
            continue;
        CSong song;
        song.fullPath = Resolve(path, file);
        CMp3Source source;
        if (song.fullPath.size() > CSong::kMaxText || source.Open(song.fullPath.c_str()) != 0)
            continue;
        song.duration = source.Duration();
        song.frames = source.cdFrames;
        song.title = title;
        if (!list.InsertSong(std::move(song)))
            break;  // the first song that does not fit ends the project
    }
    list.UpdateStatusLine();
    return true;
}

bool ImportM3u(CSongList& list, const std::string& path, std::vector<CSkippedEntry>* skipped) {
    CPlaylistLines lines(path);
    if (!lines.IsOpen())
        return false;
    CPlaylistImport import(list, path, skipped);
    std::string line, title;
    bool tooLong = false, hadNul = false;
    while (lines.Next(line, tooLong, hadNul)) {
        std::string_view text = TrimBlanks(line);
        if (text.empty() && !hadNul)
            continue;
        if (text[0] == '#') {
            // "#EXTINF:seconds,title" names the entry on the next line.
            if (StartsWithNoCase(text, "#EXTINF:") && !tooLong) {
                size_t comma = text.find(',');
                title = comma == std::string_view::npos
                            ? std::string()
                            : std::string(TrimBlanks(text.substr(comma + 1)));
            }
            continue;
        }
        if (tooLong)
            import.Skip(text, PlaylistSkip::kLineTooLong);
        else if (hadNul)
            import.Skip(text, PlaylistSkip::kNulByte);
        else
            import.Add(text, title);
        title.clear();
    }
    return true;
}

bool ImportPls(CSongList& list, const std::string& path, std::vector<CSkippedEntry>* skipped) {
    CPlaylistLines lines(path);
    if (!lines.IsOpen())
        return false;
    CPlaylistImport import(list, path, skipped);
    // Titles may come after their files: the entries are gathered first.
    struct Entry {
        int number;
        std::string text;
        std::optional<PlaylistSkip> refused;  // what is wrong with the line itself
    };
    std::vector<Entry> entries;
    std::map<int, std::string> titles;
    bool inPlaylist = true;  // lines before any section count, as the old reader took them
    std::string line;
    bool tooLong = false, hadNul = false;
    while (lines.Next(line, tooLong, hadNul)) {
        std::string_view text = TrimBlanks(line);
        if (!tooLong && text.size() >= 2 && text.front() == '[' && text.back() == ']') {
            inPlaylist = EqualNoCase(TrimBlanks(text.substr(1, text.size() - 2)), "playlist");
            continue;
        }
        size_t eq = text.find('=');
        if (!inPlaylist || eq == std::string_view::npos)
            continue;
        std::string_view key = TrimBlanks(text.substr(0, eq));
        std::string_view value = TrimBlanks(text.substr(eq + 1));
        int file = KeyNumber(key, "File");
        int title = KeyNumber(key, "Title");
        if (file >= 0) {
            std::optional<PlaylistSkip> refused;
            if (tooLong)
                refused = PlaylistSkip::kLineTooLong;
            else if (hadNul)
                refused = PlaylistSkip::kNulByte;
            if (entries.size() < kMaxPlsEntries)
                entries.push_back({file, std::string(value), refused});
            else
                import.Skip(value, PlaylistSkip::kPastLimit);
        } else if (title >= 0 && !tooLong && !hadNul && titles.size() < kMaxPlsEntries) {
            titles[title] = std::string(value);
        }
    }
    // The entries' numbers give the order, whatever order the lines come in.
    std::stable_sort(entries.begin(), entries.end(),
                     [](const Entry& a, const Entry& b) { return a.number < b.number; });
    for (const Entry& entry : entries) {
        if (entry.refused) {
            import.Skip(entry.text, *entry.refused);
            continue;
        }
        auto title = titles.find(entry.number);
        import.Add(entry.text, title != titles.end() ? title->second : std::string());
    }
    return true;
}

bool IsM3uPlaylist(const std::string& path) {
    return HasExtension(path, ".m3u") || HasExtension(path, ".m3u8");
}
