#pragma once
// CD audio in memory: 16-bit samples, little-endian, left and right interleaved.  Helpers
// that move such bytes to and from native samples a block at a time, so that the loops
// over the samples are plain arrays the compiler turns into vector instructions.
#include <algorithm>
#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace cdsamples {

// Samples a second, per channel.
inline constexpr int32_t kRate = 44100;

// Samples handled per block by the loops below.
inline constexpr size_t kBlock = 256;

// count samples from little-endian bytes.
inline void Load(const uint8_t* bytes, int16_t* samples, size_t count) {
    if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(samples, bytes, 2 * count);
    } else {
        for (size_t i = 0; i < count; ++i)
            samples[i] =
                static_cast<int16_t>(static_cast<uint16_t>(bytes[2 * i] | bytes[2 * i + 1] << 8));
    }
}

// count samples as little-endian bytes.
inline void Store(const int16_t* samples, uint8_t* bytes, size_t count) {
    if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(bytes, samples, 2 * count);
    } else {
        for (size_t i = 0; i < count; ++i) {
            auto s = static_cast<uint16_t>(samples[i]);
            bytes[2 * i] = static_cast<uint8_t>(s & 0xFF);
            bytes[2 * i + 1] = static_cast<uint8_t>(s >> 8);
        }
    }
}

// The largest magnitude among count samples given as little-endian bytes (32768 for a
// sample of -32768), at least `peak`.
inline int32_t Peak(const uint8_t* bytes, size_t count, int32_t peak) {
    std::array<int16_t, kBlock> block;
    for (size_t at = 0; at < count; at += kBlock) {
        const size_t n = std::min(kBlock, count - at);
        Load(bytes + 2 * at, block.data(), n);
        std::fill(block.begin() + static_cast<std::ptrdiff_t>(n), block.end(), int16_t{0});
        // The highest and the lowest sample, in 16 bits, where the vector instructions
        // for them exist; the magnitude is taken once per block.
        int16_t high = 0, low = 0;
        for (size_t i = 0; i < kBlock; ++i) {
            high = std::max(high, block[i]);
            low = std::min(low, block[i]);
        }
        peak = std::max({peak, int32_t{high}, -int32_t{low}});
    }
    return peak;
}

// Turns the two bytes of every sample round (little-endian to big-endian and back):
// bytes / 2 pairs from in to out, which may be the same.  An odd last byte is copied.
inline void SwapPairs(const uint8_t* in, uint8_t* out, size_t bytes) {
    std::array<uint16_t, kBlock> block;
    const size_t count = bytes / 2;
    for (size_t at = 0; at < count; at += kBlock) {
        const size_t n = std::min(kBlock, count - at);
        std::memcpy(block.data(), in + 2 * at, 2 * n);
        std::fill(block.begin() + static_cast<std::ptrdiff_t>(n), block.end(), uint16_t{0});
        for (uint16_t& pair : block) pair = static_cast<uint16_t>(pair << 8 | pair >> 8);
        std::memcpy(out + 2 * at, block.data(), 2 * n);
    }
    if (bytes % 2 != 0)
        out[bytes - 1] = in[bytes - 1];
}

}  // namespace cdsamples
