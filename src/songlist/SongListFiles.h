#pragma once
// The song list's files: the project (.MPJ: title line, path line, per song), M3U and
// PLS playlists (written, and imported through AddSong), and the text song list for
// CD labels.  Lines are written with CR LF; readers accept CR LF, LF or CR and take at
// most 255 characters of a line.
#include <string>

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

// Add the MP3 entries of the first 100 lines of a playlist to the list.  Relative
// entries are taken from the playlist's own folder.  False when the file cannot be read.
bool ImportM3u(CSongList& list, const std::string& path);
bool ImportPls(CSongList& list, const std::string& path);

// The web address in the last line of the text song list.
inline constexpr const char kHomePage[] = "https://tunevarn.example.org/";
