#pragma once
// A font of the cover as the user chose it.  Heights are stored as negative point sizes
// (-18 is 18 points) and converted to device pixels each time a font is made, so the
// same description serves the screen preview and any printer.
#include <cstdint>
#include <string>

#include "cover/CoverColor.h"

// A point is 1/72 inch.
inline constexpr int32_t kPointsPerInch = 72;

struct CCoverFont {
    static constexpr int32_t kNormal = 400;
    static constexpr int32_t kBold = 700;

    // Every cover font is asked for as an outline font of proportional width at the best
    // quality, and of the sans-serif kind when the family itself is missing.
    std::string family = "Arial";
    int32_t height = -10;  // negative points in the cover; negative pixels in a font choice
    int32_t weight = kNormal;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;

    friend bool operator==(const CCoverFont&, const CCoverFont&) = default;
};

// What the font dialog is opened on and what it gives back: the font with its height in
// negative screen pixels, and the text colour.
struct CCoverFontChoice {
    CCoverFont font;
    CCoverColor color;
};

// Font heights between points and screen pixels at the screen's logical dots per inch.
// Both ways round to the nearest, so opening the font dialog and pressing OK keeps the
// size.  A screen without a usable resolution is taken as 72 dpi (one pixel a point).
int32_t PointsToScreenPixels(int32_t height, int32_t screenDpi);
int32_t ScreenPixelsToPoints(int32_t height, int32_t screenDpi);
