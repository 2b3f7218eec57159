#include "disc/DiscTime.h"

void StoreBe32(std::span<uint8_t, 4> out, int32_t value) {
    auto u = static_cast<uint32_t>(value);
    out[0] = static_cast<uint8_t>(u >> 24);
    out[1] = static_cast<uint8_t>(u >> 16);
    out[2] = static_cast<uint8_t>(u >> 8);
    out[3] = static_cast<uint8_t>(u);
}
