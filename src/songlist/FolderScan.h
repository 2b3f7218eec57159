#pragma once
// Finding the songs in a dropped folder: every file whose extension is ".mp3" in any
// letter case, in the folder and, recursively, its subfolders; subfolders whose names
// begin with "." are skipped.  Entries are taken in name order (letter case folded,
// as a file manager lists them), each subfolder completely at the point where it comes.
#include <string>
#include <vector>

#include "base/FileIo.h"  // HasExtension

// How many folder levels below the one given are searched.
constexpr int kMaxScanDepth = 64;

// Appends the MP3 files found under folder to out, in the order described above.
// Unreadable folders are skipped; a folder reached twice through links is entered once.
// Folders deeper than kMaxScanDepth are not searched; tooDeep, when given, hears of each.
void CollectMp3Files(const std::string& folder, std::vector<std::string>& out,
                     std::vector<std::string>* tooDeep = nullptr);

// True when the name ends in ".mp3" in any letter case.
bool HasMp3Extension(const std::string& name);
