#pragma once
// A disc image read back by libcdio's cd-info: the layout and CD-TEXT titles it finds in
// a cue sheet and its .bin file.
#include <cstdint>
#include <string>
#include <vector>

namespace testpaths {
struct CdInfo {
    std::vector<int32_t> lsn;  // track starts
    int32_t leadOut = -1;
    std::vector<std::string> titles;  // [0] the disc
};

// Runs "cd-info --cue-file cue" (the test fails when it is missing or fails).
CdInfo ReadWithCdInfo(const std::string& cue);

}  // namespace testpaths
