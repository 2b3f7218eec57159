#include "songlist/SongListFiles.h"

#include <cstdio>
#include <filesystem>

#include "app/FileIo.h"
#include "app/TextLineReader.h"
#include "audio/Mp3Source.h"
#include "songlist/FolderScan.h"

namespace {
constexpr size_t kLineChars = 255;
constexpr int kMaxSongs = 100;
constexpr int kMaxPlaylistLines = 100;

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

template <typename EntryOf>
bool ImportPlaylist(CSongList& list, const std::string& path, EntryOf entryOf) {
    CTextLineReader in(path);
    if (!in.IsOpen())
        return false;
    std::string line;
    for (int n = 0;
         n < kMaxPlaylistLines && in.ReadLine(line, kLineChars, CTextLineReader::LongLines::kSplit);
         ++n) {
        std::string entry;
        if (entryOf(line, entry) && HasMp3Extension(entry))
            list.AddSong(Resolve(path, entry));
    }
    return true;
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
        CSong song;
        song.fullPath = Resolve(path, file);
        CMp3Source source;
        if (song.fullPath.size() > CSong::kMaxText || source.Open(song.fullPath.c_str()) != 0)
            continue;
        song.duration = source.Duration();
        song.title = title;
        if (!list.InsertSong(std::move(song)))
            break;  // the first song that does not fit ends the project
    }
    list.UpdateStatusLine();
    return true;
}

bool ImportM3u(CSongList& list, const std::string& path) {
    return ImportPlaylist(list, path, [](const std::string& line, std::string& entry) {
        entry = line;
        return true;
    });
}

bool ImportPls(CSongList& list, const std::string& path) {
    return ImportPlaylist(list, path, [](const std::string& line, std::string& entry) {
        size_t eq = line.find('=');
        if (eq == std::string::npos)
            return false;
        entry = line.substr(eq + 1);
        return true;
    });
}
