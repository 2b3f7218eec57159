#pragma once
// One row of the song list: what the user sees (title, time, path) and the length that
// the disc budget counts.
#include <cstdint>
#include <string>

struct CSong {
    static constexpr size_t kMaxText = 255;  // title and path limit, in bytes

    std::string title;     // ID3 title or file name; renamed by the user; CD-TEXT title
    std::string timeText;  // "%02d:%02d" minutes, seconds
    std::string fullPath;  // the MP3 file
    int32_t duration = 0;  // whole seconds
    int64_t frames = 0;    // the exact length in CD frames (44100 a second)
};
