#pragma once
// A recorder found by discovery: its identification, the driver name chosen for it and
// its device index on the transport.
#include <array>
#include <cstdint>

struct CRecorderCandidate {
    static constexpr size_t kTextSize = 32;
    std::array<char, kTextSize> vendor{};
    std::array<char, kTextSize> product{};
    std::array<char, kTextSize> driverName{};
    std::array<char, kTextSize> revision{};
    int32_t deviceIndex = 0;
};
