#pragma once
// Helpers that the subcommands share: paths as the user would type them, the songs
// that path arguments name, and texts made safe for one terminal line.
#include <cstddef>
#include <string>
#include <vector>

#include "base/OutputFile.h"

class CDiscImage;
class CSongList;
struct CSong;

// Absolute and without "." or ".." steps, symbolic links left as they are.
std::string AbsolutePath(const std::string& path);

// Display form of a title or path for one terminal line: UTF-8, control characters
// shown as "?".
std::string TerminalText(const std::string& bytes);

// As TerminalText, for a message of several lines: line breaks are kept.
std::string TerminalLines(const std::string& bytes);

// Characters (not bytes) in a UTF-8 text.
size_t DisplayWidth(const std::string& utf8);

// The record command's disc of the songs, as burn and analyze make it: each song left
// out is named on stderr with the reason, and so is each song padded with silence to the
// shortest track a CD allows.  Returns the number of tracks.
int32_t FillDiscTelling(const CSongList& songs, CDiscImage& disc);

// The shared check of an output before command writes it: false, after one line on
// stderr naming the file, when it is one of the PATH operands or the songs they gave, or a
// file of another kind.
bool OutputAllowed(const char* command, const std::string& out, OutputKind kind,
                   const std::vector<std::string>& operands, const CSongList& songs);
