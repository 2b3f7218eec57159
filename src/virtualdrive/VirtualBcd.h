#pragma once
// Packed BCD as a strict drive reads it: a byte with a nibble above 9 is no number.
#include <cstdint>

namespace virtualbcd {
// A packed BCD byte, 0 to 99.
inline bool Decode(uint8_t b, int32_t& value) {
    if ((b >> 4) > 9 || (b & 0x0F) > 9)
        return false;
    value = (b >> 4) * 10 + (b & 0x0F);
    return true;
}

// Minute, second and frame in BCD as a block count.
inline bool Time(const uint8_t* msf, int32_t& blocks) {
    int32_t m = 0, s = 0, f = 0;
    if (!Decode(msf[0], m) || !Decode(msf[1], s) || !Decode(msf[2], f) || s > 59 || f > 74)
        return false;
    blocks = (m * 60 + s) * 75 + f;
    return true;
}
}  // namespace virtualbcd
