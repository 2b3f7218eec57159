#pragma once
// The 44-byte header of a PCM WAV file holding CD audio: RIFF, a 16-byte "fmt " block
// (PCM, 2 channels, 44100 Hz, 176400 bytes per second, 4 bytes per frame, 16 bits) and
// the "data" block's length.  All numbers little-endian.
#include <array>
#include <cstdint>

struct WavHeader {
    static constexpr int32_t kSize = 44;
    std::array<uint8_t, kSize> bytes{};
};

// Fills the header for dataLength bytes of CD audio (offset 4: dataLength + 36; offset
// 40: dataLength; the rest is constant).
void WriteWavHeader(WavHeader& header, uint32_t dataLength);
