#pragma once
// An independent path to the audio of an MP3 file, for checking our decoder: libmpg123's
// own file reader decodes the whole file at its own rate, and the conversion rules to
// 44100 Hz stereo are applied in the plainest way, output frame by output frame.
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

// CD audio bytes (little-endian stereo) from pcm.  dropCounter is the process-wide
// 48000 Hz counter before the file, phase the converter's accumulator before it.
std::vector<uint8_t> ToCdAudio(const Pcm& pcm, int32_t dropCounter, int32_t phase);
}  // namespace reference
