#pragma once
// A canvas that records what the cover layout draws, with metrics simple enough to
// compute by hand: every character is charWidth wide except 'i', which is 1; a font's
// character height is the pixel height it was made at, plus a fixed external leading.
#include <string>
#include <string_view>
#include <vector>

#include "cover/CoverCanvas.h"
#include "cover/CoverLayout.h"

// An A4 page at 600 dpi as a printer reports it.
inline constexpr CCoverPage kA4At600{4960, 7016, 210, 297, 600};

struct CDrawn {
    enum Kind { kClip, kFill, kLine, kPicture, kFont, kText } kind;
    CCoverRect rect{};  // clip, fill, picture; a line's two points
    int32_t size = 0;   // pen width, font pixel height, or the font a text was drawn in
    CCoverColor color{};
    std::string text;  // text, picture path, font family
};

class CRecordingCanvas : public ICoverCanvas {
  public:
    int32_t charWidth = 20;
    int32_t externalLeading = 3;
    int32_t failFontCall = -1;  // this SelectFont call (0-based) fails
    bool picturesReadable = true;
    std::vector<CDrawn> drawn;

    void ClipTo(const CCoverRect& area) override {
        drawn.push_back({CDrawn::kClip, area, 0, {}, {}});
    }
    void FillRect(const CCoverRect& area, CCoverColor color) override {
        drawn.push_back({CDrawn::kFill, area, 0, color, {}});
    }
    void DrawLine(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t penWidth,
                  CCoverColor color) override {
        drawn.push_back({CDrawn::kLine, {x1, y1, x2, y2}, penWidth, color, {}});
    }
    bool DrawPicture(const std::string& path, const CCoverRect& area) override {
        drawn.push_back({CDrawn::kPicture, area, 0, {}, path});
        return picturesReadable;
    }
    bool SelectFont(const CCoverFont& font, int32_t pixelHeight) override {
        drawn.push_back({CDrawn::kFont, {}, pixelHeight, {}, font.family});
        if (fontCalls_++ == failFontCall)
            return false;
        fontHeight_ = pixelHeight;
        return true;
    }
    int32_t TextWidth(std::string_view text) override {
        int32_t width = 0;
        for (char c : text)
            if ((static_cast<unsigned char>(c) & 0xC0) != 0x80)
                width += c == 'i' ? 1 : charWidth;
        return width;
    }
    CCoverFontMetrics FontMetrics() override { return {fontHeight_, externalLeading}; }
    void DrawText(int32_t x, int32_t y, std::string_view text, CCoverColor color) override {
        drawn.push_back({CDrawn::kText, {x, y, 0, 0}, fontHeight_, color, std::string(text)});
    }

    std::vector<CDrawn> Only(CDrawn::Kind kind) const {
        std::vector<CDrawn> out;
        for (const CDrawn& d : drawn)
            if (d.kind == kind)
                out.push_back(d);
        return out;
    }

  private:
    int32_t fontCalls_ = 0;
    int32_t fontHeight_ = 0;
};
