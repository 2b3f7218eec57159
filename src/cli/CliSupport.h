#pragma once
// Helpers that the subcommands share: paths as the user would type them, the songs
// that path arguments name, and texts made safe for one terminal line.
#include <cstddef>
#include <string>
#include <vector>

class CDiscImage;

// Splits arguments without options of their own into operands ("--" ends options).
// False, after telling stderr, when an option is given.
bool OperandsOnly(const std::vector<std::string>& args, std::vector<std::string>& operands);

// Absolute and without "." or ".." steps, symbolic links left as they are.
std::string AbsolutePath(const std::string& path);

// The MP3 files that path arguments name, in order: a file as given (made absolute), a
// folder's songs as the song list collects them.  A path that does not exist is told
// on stderr and skipped.
std::vector<std::string> ExpandSongPaths(const std::vector<std::string>& given);

// Display form of a title or path for one terminal line: UTF-8, control characters
// shown as "?".
std::string TerminalText(const std::string& bytes);

// Characters (not bytes) in a UTF-8 text.
size_t DisplayWidth(const std::string& utf8);

// Why the disc image just refused the song at path as its next track, for a message.
const char* TrackRefusal(const CDiscImage& disc, const std::string& path);
