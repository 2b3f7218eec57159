#pragma once
// The song list's files: the project (.MPJ: title line, path line, per song), M3U and
// PLS playlists (written, and imported through AddSong), and the text song list for
// CD labels.  Lines are written with CR LF; readers accept CR LF, LF or CR and take at
// most 255 characters of a line (a playlist line longer than that is skipped whole).
#include <string>
#include <vector>

#include "songlist/SongList.h"

// Writers: the whole file or nothing (written aside, then renamed over the target).
// False when the file could not be written; the target is then as it was.
bool WriteProjectFile(const CSongList& list, const std::string& path);
bool WriteM3uFile(const CSongList& list, const std::string& path);
bool WritePlsFile(const CSongList& list, const std::string& path);
bool WriteSongTextFile(const CSongList& list, const std::string& path);

// Replaces the list with the project's songs: at most 100, skipping songs whose files
// do not inspect, stopping at the first song that would overrun the disc budget.
// False (list unchanged) when the file cannot be read.
bool ReadProjectFile(CSongList& list, const std::string& path);

// Why an entry of a playlist is not in the list.
enum class PlaylistSkip {
    kMissing,        // no such file
    kFolder,         // it names a folder
    kNotMp3,         // its name does not end in ".mp3"
    kNotLocal,       // a URL that names no file here
    kLineTooLong,    // a line of more than 255 characters
    kNulByte,        // a NUL byte in the line, which no file's name holds
    kCannotOpen,     // unreadable
    kPathTooLong,    // a path of more than 255 bytes
    kLineBreak,      // a line break in the path
    kNotRecordable,  // no MP3 frames we can record
    kOverBudget,     // would take the list past 4920 seconds
    kPastLimit,      // after the playlist's 100th song
};

struct CSkippedEntry {
    std::string entry;  // as the playlist writes it, blanks trimmed
    PlaylistSkip why;
};

// Add the songs a playlist names to the list, 100 at most; entries that are not added
// are appended to skipped when given (the window skips them silently).  Entries may be
// paths, absolute or from the playlist's own folder ("\" read as "/"), or file URLs;
// blanks around them do not count.  The playlist's own title of an entry (#EXTINF,
// TitleN) is taken when the file's tags give none.  M3U (and UTF-8 ".m3u8") take a line
// per entry and "#" comment lines; PLS takes the FileN and TitleN keys of its
// [playlist] section in any letter case.  False when the file cannot be read.
bool ImportM3u(CSongList& list, const std::string& path,
               std::vector<CSkippedEntry>* skipped = nullptr);
bool ImportPls(CSongList& list, const std::string& path,
               std::vector<CSkippedEntry>* skipped = nullptr);

// True for the extensions of M3U playlists: ".m3u" and ".m3u8", in any letter case.
bool IsM3uPlaylist(const std::string& path);

// The web address in the last line of the text song list.
inline constexpr const char kHomePage[] = "https://tunevarn.example.org/";
