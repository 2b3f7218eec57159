#pragma once
// The Record dialog's remembered boxes: whether it lays the disc gapless ("gapless.set"
// in the start folder) and whether it verifies the disc after writing ("verify.set"),
// each one line "1" (on) or "0", saved when the box changes.  Off when the file is
// missing or says anything else, as before there was a box.
#include <string>

bool LoadGaplessSetting(const std::string& startFolder);
// A file that cannot be written leaves the setting good for this run only.
void SaveGaplessSetting(const std::string& startFolder, bool gapless);
bool LoadVerifySetting(const std::string& startFolder);
void SaveVerifySetting(const std::string& startFolder, bool verify);
