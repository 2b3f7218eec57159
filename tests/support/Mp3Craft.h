#pragma once
// MP3-shaped files made byte by byte, for cases that encoders never produce or whose
// sizes must be exact: a frame header at an offset, zeros up to a size (sparse when
// large), an optional Xing header and ID3 version 1 tag.
#include <cstdint>
#include <string>
#include <vector>

namespace mp3craft {

// 0xFF 0xFB 0x90 0x00: MPEG-1 Layer III, 128 kbit/s, 44100 Hz, stereo.
constexpr uint8_t kHeader128k[4] = {0xFF, 0xFB, 0x90, 0x00};
constexpr int64_t kBytesPerSecond128k = 16000;

struct Shape {
    std::vector<uint8_t> lead;                                  // bytes before the frame
    std::vector<uint8_t> header{kHeader128k, kHeader128k + 4};  // frame header
    int64_t audioBytes = 4'000'000;  // from the frame header to the end (or the tag)
    int32_t xingOffset = -1;         // where to put "Xing" inside the frame, -1 none
    const char* xingMagic = "Xing";
    uint32_t xingFlags = 15;
    uint32_t xingFrames = 0;
    bool tag = false;  // append an ID3 version 1 tag
    std::string tagTitle = "Title";
    std::string tagArtist = "Artist";
    bool spacePadded = false;  // tag fields padded with blanks instead of NULs
};

// Writes the file described by shape; large zero stretches become holes.
void Write(const std::string& path, const Shape& shape);

// The 128 bytes of an ID3 version 1 tag.
std::vector<uint8_t> Id3v1Tag(const std::string& title, const std::string& artist,
                              bool spacePadded);

// A file of exactly `seconds` (1 or more) at 128 kbit/s, for song-list budget tests.
void WriteSeconds(const std::string& path, int32_t seconds);

void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes);
std::vector<uint8_t> ReadBytes(const std::string& path);

}  // namespace mp3craft
