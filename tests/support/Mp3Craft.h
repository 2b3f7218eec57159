#pragma once
// MP3-shaped files made byte by byte, for cases that encoders never produce or whose
// sizes must be exact: a stream of silent frames (headers with zero bytes between them,
// padded as an encoder pads) or only its first few headers with zeros after them (sparse
// when large), something in front, an optional Xing header with a LAME tag in the first
// frame, and an optional ID3 version 1 tag.
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
    int32_t headers = -1;            // frame headers written, -1 as many as fit
    int32_t xingOffset = -1;         // where to put "Xing" inside the frame, -1 none
    const char* xingMagic = "Xing";
    uint32_t xingFlags = 15;
    uint32_t xingFrames = 0;
    int32_t lameDelay = -1;  // with a Xing header: a LAME tag with this delay, -1 none
    int32_t lamePadding = 0;
    const char* lameName = "LAME3.100";  // the encoder's name that begins the tag
    bool tag = false;                    // append an ID3 version 1 tag
    std::string tagTitle = "Title";
    std::string tagArtist = "Artist";
};

// Writes the file described by shape; large zero stretches become holes.
void Write(const std::string& path, const Shape& shape);

// Bytes of the frame with index k (0 first) of a stream whose frames have this header,
// padded as encoders pad: the lengths add up to the exact bit rate.
int64_t FrameBytes(const std::vector<uint8_t>& header, int64_t k);

// The 10-byte header of an ID3 version 2 tag whose frames take `size` bytes, the size
// "synchsafe" (7 bits a byte).
std::vector<uint8_t> Id3v2Header(uint8_t version, uint8_t flags, uint32_t size);

// The 128 bytes of an ID3 version 1 tag.
std::vector<uint8_t> Id3v1Tag(const std::string& title, const std::string& artist,
                              bool spacePadded);

// A file of exactly `seconds` (0 or more) at 128 kbit/s, for budget tests: an Info frame
// whose frame count gives the length, and zeros where the frames would be (the song
// decodes to almost nothing, which the disc image pads with silence).
void WriteSeconds(const std::string& path, int32_t seconds);

void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes);
std::vector<uint8_t> ReadBytes(const std::string& path);

}  // namespace mp3craft
