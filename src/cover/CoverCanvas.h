#pragma once
// What the cover layout draws through.  The same layout code paints the dialog's preview,
// a printer page and a PDF page; each of those provides a canvas.  Coordinates are device
// pixels with y growing downwards.  Texts are UTF-8.
#include <cstdint>
#include <string>
#include <string_view>

#include "cover/CoverColor.h"
#include "cover/CoverFont.h"

// A rectangle whose right and bottom edges are outside it: (0, 0, 10, 10) covers 10 x 10
// pixels.
struct CCoverRect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;

    int32_t Width() const { return right - left; }
    int32_t Height() const { return bottom - top; }
    friend bool operator==(const CCoverRect&, const CCoverRect&) = default;
};

// Metrics of the selected font: the character cell's height (ascent plus descent) and the
// extra space the font wants between lines.
struct CCoverFontMetrics {
    int32_t height = 0;
    int32_t externalLeading = 0;
};

class ICoverCanvas {
  public:
    virtual ~ICoverCanvas() = default;

    // Nothing is drawn outside area from now on.
    virtual void ClipTo(const CCoverRect& area) = 0;
    virtual void FillRect(const CCoverRect& area, CCoverColor color) = 0;
    // A solid straight line between the two points.
    virtual void DrawLine(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t penWidth,
                          CCoverColor color) = 0;
    // The picture in the file at path, stretched over area without keeping its
    // proportions.  False when it cannot be read.
    virtual bool DrawPicture(const std::string& path, const CCoverRect& area) = 0;

    // Makes font at a character (em) height of pixelHeight device pixels (0: the canvas's
    // default size) and selects it for what follows.  False when no such font can be made.
    virtual bool SelectFont(const CCoverFont& font, int32_t pixelHeight) = 0;
    // The advance width of text in the selected font.
    virtual int32_t TextWidth(std::string_view text) = 0;
    virtual CCoverFontMetrics FontMetrics() = 0;
    // text in the selected font, its character cell's top-left corner at (x, y), on a
    // transparent background.
    virtual void DrawText(int32_t x, int32_t y, std::string_view text, CCoverColor color) = 0;
};
