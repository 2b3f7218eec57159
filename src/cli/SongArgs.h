#pragma once
// Building a song list from command-line paths, shared by the subcommands that take
// songs: MP3 files, folders (searched recursively), M3U and PLS playlists, projects.
#include <functional>
#include <string>
#include <vector>

#include "songlist/SongList.h"

// Adds the songs the paths name, in order.  Songs that are refused, and playlist entries
// that are not added, are named on stderr with the reason; a project's songs are
// appended like those of a playlist.  stop, when given, is asked before each path and
// each song of a folder: true ends the adding there.
void AddSongsFromPaths(CSongList& list, const std::vector<std::string>& paths,
                       const std::function<bool()>& stop = {});
