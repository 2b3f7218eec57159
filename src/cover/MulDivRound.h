#pragma once
// a x b / c in 64-bit arithmetic, rounded half away from zero: how the cover scales font
// heights between points and device pixels.  -1 when c is 0 or the result does not fit,
// as the platform's own MulDiv answers.
#include <cstdint>

inline int32_t MulDivRound(int32_t a, int32_t b, int32_t c) {
    if (c == 0)
        return -1;
    const int64_t product = static_cast<int64_t>(a) * b;
    int64_t quotient = product / c;
    const int64_t remainder = product % c;
    const int64_t absRemainder = remainder < 0 ? -remainder : remainder;
    const int64_t absDivisor = c < 0 ? -static_cast<int64_t>(c) : c;
    if (2 * absRemainder >= absDivisor)
        quotient += (product < 0) != (c < 0) ? -1 : 1;
    if (quotient < INT32_MIN || quotient > INT32_MAX)
        return -1;
    return static_cast<int32_t>(quotient);
}
