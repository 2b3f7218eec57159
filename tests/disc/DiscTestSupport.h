#pragma once
// Helpers of the disc tests: a disc image filled by its fields, and readings of
// subchannel bytes that do not go through the code under test.
#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "disc/DiscImage.h"

namespace disctest {

// A disc of these track lengths, as AddTrack would leave it.
inline std::unique_ptr<CDiscImage> MakeDisc(const std::vector<int32_t>& seconds) {
    auto image = std::make_unique<CDiscImage>();
    image->trackCount = static_cast<int32_t>(seconds.size());
    image->totalSeconds = 0;
    for (size_t i = 0; i < seconds.size(); ++i) {
        image->trackSeconds[i] = seconds[i];
        image->trackBytes[i] = seconds[i] * CDiscImage::kBytesPerSecond;
        image->totalSeconds += seconds[i];
    }
    image->totalBytes = image->totalSeconds * CDiscImage::kBytesPerSecond;
    return image;
}

// A gapless disc of songs of these exact lengths in CD frames, as AddTrack would leave it.
inline std::unique_ptr<CDiscImage> MakeGaplessDisc(const std::vector<int64_t>& frames) {
    std::vector<int32_t> seconds;
    for (int64_t f : frames)
        seconds.push_back(static_cast<int32_t>((f + CDiscImage::kFramesPerSecond - 1) /
                                               CDiscImage::kFramesPerSecond));
    auto image = MakeDisc(seconds);
    for (size_t i = 0; i < frames.size(); ++i) image->songFrames[i] = frames[i];
    image->SetGapless(1);
    return image;
}

// The 12 Q bytes of a 16-byte P-Q block or of a 96-byte P-W block (bit 6 of each symbol,
// most significant bit first).
inline std::array<uint8_t, 12> QOf(std::span<const uint8_t> data) {
    std::array<uint8_t, 12> q{};
    if (data.size() == 16) {
        for (size_t k = 0; k < 12; ++k) q[k] = data[k];
        return q;
    }
    for (size_t k = 0; k < 12; ++k) {
        for (size_t j = 0; j < 8; ++j)
            q[k] = static_cast<uint8_t>((q[k] << 1) | ((data[8 * k + j] >> 6) & 1));
    }
    return q;
}

// P flag of a block: byte 15 of the P-Q form; bit 7 of every symbol of the P-W form,
// which must agree across the block.
inline int POf(std::span<const uint8_t> data) {
    if (data.size() == 16)
        return data[15] == 0x80 ? 1 : 0;
    int ones = 0;
    for (uint8_t symbol : data) ones += symbol >> 7;
    return ones == 96 ? 1 : (ones == 0 ? 0 : -1);
}

// CRC-16 (x^16 + x^12 + x^5 + 1, initial value 0) bit by bit, independent of the table.
inline uint16_t BitwiseCrc(std::span<const uint8_t> bytes) {
    uint16_t crc = 0;
    for (uint8_t b : bytes) {
        for (int bit = 7; bit >= 0; --bit) {
            const bool feedback = (((crc >> 15) ^ (b >> bit)) & 1) != 0;
            crc = static_cast<uint16_t>(crc << 1);
            if (feedback)
                crc ^= 0x1021;
        }
    }
    return crc;
}

inline int FromBcdByte(uint8_t b) {
    return (b >> 4) * 10 + (b & 0x0F);
}

}  // namespace disctest
