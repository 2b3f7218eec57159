#pragma once
// A position on the disc as minute, second and frame together with its block address:
// 75 frames per second, 60 seconds per minute.
#include <cstdint>

struct CTimePosition {
    static constexpr int32_t kFramesPerSecond = 75;
    static constexpr int32_t kFramesPerMinute = 60 * kFramesPerSecond;

    int32_t minute = 0;
    int32_t second = 0;
    int32_t frame = 0;
    int32_t address = 0;

    static CTimePosition FromMsf(int32_t minute, int32_t second, int32_t frame) {
        return {minute, second, frame,
                minute * kFramesPerMinute + second * kFramesPerSecond + frame};
    }
    static CTimePosition FromAddress(int32_t address) {
        return {address / kFramesPerMinute, (address % kFramesPerMinute) / kFramesPerSecond,
                address % kFramesPerSecond, address};
    }
};
