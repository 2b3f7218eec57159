#pragma once
// What the background picture's open dialog shows, apart from its widgets: the file types
// it offers, and where its preview frame puts the selected picture.
#include <array>
#include <cstdint>

#include "cover/CoverCanvas.h"

struct CPictureFilter {
    const char* name;      // shown to the user; the last entry has none
    const char* patterns;  // separated by ";"
};

// In the order offered; kPreselectedPictureFilter is chosen when the dialog opens.
inline constexpr std::array<CPictureFilter, 5> kPictureFilters{{
    {"BMP file", "*.bmp;*.dib;*.rle"},
    {"JPEG file", "*.jpg;*.jpeg;*.jif"},
    {"TIFF file", "*.tif"},
    {"All supported graphic formats", "*.bmp;*.dib;*.rle;*.jpg;*.jpeg;*.jif;*.tif"},
    {"", "*.*"},
}};
inline constexpr size_t kPreselectedPictureFilter = 3;

// The preview frame of the picture dialog: filled inside a one-pixel border, with the
// colour for a loaded picture or the one for none, and the picture centred in the filled
// part, reduced to fit when larger and never enlarged, keeping its proportions.
struct CPicturePreviewPlan {
    CCoverRect fill;
    bool pictureLoaded = false;  // fill with the button-face colour, else button shadow
    CCoverRect picture;          // empty when nothing is to be drawn
};

// pictureWidth and pictureHeight are 0 when the file could not be decoded.
CPicturePreviewPlan PlanPicturePreview(const CCoverRect& frame, int32_t pictureWidth,
                                       int32_t pictureHeight);
