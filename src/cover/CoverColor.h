#pragma once
// A colour of the cover (text, background), as the colour and font dialogs give it.
#include <cstdint>

struct CCoverColor {
    uint8_t red = 0;
    uint8_t green = 0;
    uint8_t blue = 0;

    friend bool operator==(const CCoverColor&, const CCoverColor&) = default;
};

inline constexpr CCoverColor kCoverBlack{0, 0, 0};
inline constexpr CCoverColor kCoverWhite{255, 255, 255};
