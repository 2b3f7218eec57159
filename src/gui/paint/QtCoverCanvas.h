#pragma once
// The cover's canvas on a QPainter: the dialog's preview, a printer page and a PDF page
// are all drawn through it, one device pixel per unit.  Lines light whole pixels as the
// layout counts them: a one-pixel line from (x1, y) to (x2, y) covers the pixels from
// x1 up to, not including, x2, so crop marks stay sharp on paper and in a PDF.
#include <QColor>
#include <QImage>
#include <QRect>
#include <functional>
#include <string>
#include <string_view>

#include "cover/CoverCanvas.h"
#include "cover/CoverLayout.h"

class QPainter;
class QPaintDevice;

class CQtCoverCanvas : public ICoverCanvas {
  public:
    // Where DrawPicture finds the picture of a path; a null image means unreadable.
    // Without one the file is read anew each time, as printing wants it.
    using PictureSource = std::function<QImage(const std::string& path)>;

    explicit CQtCoverCanvas(QPainter& painter, PictureSource pictures = {});

    void ClipTo(const CCoverRect& area) override;
    void FillRect(const CCoverRect& area, CCoverColor color) override;
    void DrawLine(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t penWidth,
                  CCoverColor color) override;
    bool DrawPicture(const std::string& path, const CCoverRect& area) override;
    bool SelectFont(const CCoverFont& font, int32_t pixelHeight) override;
    int32_t TextWidth(std::string_view text) override;
    CCoverFontMetrics FontMetrics() override;
    void DrawText(int32_t x, int32_t y, std::string_view text, CCoverColor color) override;

    // Larger character heights than this are refused: no sensible cover needs them, and
    // glyphs that size take the font engine ages.
    static constexpr int32_t kMaxPixelHeight = 30000;

  private:
    QPainter& painter_;
    PictureSource pictures_;
};

// The page that a painter's device (a printer, a PDF writer) offers the cover: its
// printable area in pixels and millimetres, and its logical resolution.
CCoverPage CoverPageOf(const QPaintDevice& device);

// The cover's colours and rectangles in Qt's terms.
QColor ToQColor(CCoverColor color);
QRect ToQRect(const CCoverRect& r);
