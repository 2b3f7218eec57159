#pragma once
// Building a song list from command-line paths, shared by the subcommands that take
// songs: MP3 files, folders (searched recursively), M3U and PLS playlists, projects.
#include <string>
#include <vector>

#include "songlist/SongList.h"

// Splits args into paths; "--" ends the options.  False, after naming the offending
// argument on stderr, when an option is not one of ours (there are none yet).
bool ParsePaths(const std::vector<std::string>& args, std::vector<std::string>& paths);

// Adds the songs the paths name, in order.  Songs that are refused are named on stderr
// with the reason; a project's songs are appended like those of a playlist.
void AddSongsFromPaths(CSongList& list, const std::vector<std::string>& paths);

// A title or path for one terminal line: UTF-8, control characters shown as "?".
std::string TerminalText(const std::string& bytes);
