#pragma once
// An independent path to the audio of an MP3 file, for checking our decoder: libmpg123's
// own file reader decodes the whole file at its own rate (finding the first frame, the
// tags and the gapless trimming by itself), and the whole PCM goes through the rate
// converter in one piece.
#include <cstdint>
#include <string>
#include <vector>

namespace reference {
struct Pcm {
    int32_t rate = 0;
    int32_t channels = 0;
    std::vector<int16_t> samples;  // interleaved
};

// The whole file; an empty result when libmpg123 cannot open it.
Pcm DecodeFile(const std::string& path);

// CD audio bytes (little-endian stereo) from pcm.
std::vector<uint8_t> ToCdAudio(const Pcm& pcm);

// The frequency of the tone in one channel of CD audio (little-endian stereo), from its
// upward zero crossings between `from` and `to` seconds, interpolated between samples.
double ToneFrequency(const std::vector<uint8_t>& cd, double from, double to);
}  // namespace reference
