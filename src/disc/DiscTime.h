#pragma once
// Disc arithmetic shared by the layouts, the subchannel blocks and the raw-block writer:
// 75 blocks a second, minute:second:frame times, packed BCD and big-endian words.
#include <cstdint>
#include <span>

constexpr int32_t kFramesPerSecond = 75;
constexpr int32_t kFramesPerMinute = 60 * kFramesPerSecond;
// The 2-second pregap before track 1: absolute time 00:02:00 is disc address 0.
constexpr int32_t kPregapFrames = 2 * kFramesPerSecond;
constexpr int32_t kBlockBytes = 2352;
constexpr int32_t kFrameBytes = 4;  // one stereo sample of two 16-bit values
// The lead-out's track number in the Q channel, the TOC and the cue sheet.
constexpr uint8_t kLeadOutTrack = 0xAA;

// 0 to 99 as packed BCD; any other value passes through as its low byte.
constexpr uint8_t ToBcd(int32_t v) {
    if (v >= 0 && v <= 99)
        return static_cast<uint8_t>((v / 10) * 16 + v % 10);
    return static_cast<uint8_t>(v & 0xFF);
}

// Packed BCD back to 0 to 99; a byte with a nibble above 9 is returned unchanged.
constexpr int32_t FromBcd(uint8_t b) {
    if ((b >> 4) > 9 || (b & 0x0F) > 9)
        return b;
    return (b >> 4) * 10 + (b & 0x0F);
}

constexpr int32_t SecondsToFrames(int32_t seconds) {
    return seconds * kFramesPerSecond;
}

// value as a 32-bit two's-complement number, most significant byte first.
void StoreBe32(std::span<uint8_t, 4> out, int32_t value);

// A minute:second:frame time; its block count is minute x 4500 + second x 75 + frame.
struct CDiscTime {
    int32_t minute = 0;
    int32_t second = 0;
    int32_t frame = 0;

    constexpr int32_t BlockCount() const {
        return minute * kFramesPerMinute + second * kFramesPerSecond + frame;
    }
    // The time of a non-negative block count.
    static constexpr CDiscTime FromBlocks(int32_t blocks) {
        return {blocks / kFramesPerMinute, blocks / kFramesPerSecond % 60,
                blocks % kFramesPerSecond};
    }
    // Second at most 59 and frame at most 74, minute within maxMinute.
    constexpr bool IsValid(int32_t maxMinute) const {
        return minute >= 0 && minute <= maxMinute && second >= 0 && second <= 59 && frame >= 0 &&
               frame <= 74;
    }
};
