#include "cover/CoverLayout.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "base/DisplayText.h"
#include "cover/CoverFont.h"
#include "cover/MulDivRound.h"

namespace {

// Positions in points inside the square.
constexpr int32_t kTextLeft = 14;
constexpr int32_t kTitleTop = 28;
constexpr int32_t kListTop = 65;
constexpr int32_t kPaperListDrop = 10;  // the list sits 10 points lower on paper
constexpr int32_t kTimeColumn = 297;
constexpr int32_t kPreviewRightLimit = 287;
constexpr int32_t kPaperRightLimit = 292;

constexpr CCoverColor kShadowColor{64, 64, 64};
constexpr int32_t kShadowPen = 3;
constexpr int32_t kMarkPen = 1;

// Beyond this a page's resolution is nonsense, and the arithmetic below would overflow.
constexpr int64_t kMaxDpi = 100000;

// Where the texts go on one device, and the character heights of their fonts there.
struct CTextPlacement {
    int32_t titlePixelHeight;
    int32_t titleX;
    int32_t titleY;
    int32_t listPixelHeight;
    int32_t listX;
    int32_t listY;
    int32_t timeX;
    int32_t rightLimit;
};

// Draws text from (x, y) downwards in lines narrower than width, breaking at blanks: each
// line is the longest run of words before a blank that fits.  A word that fits nowhere
// takes the whole rest on one line, running past the width.  Returns the last line's y.
int32_t DrawWrapped(ICoverCanvas& canvas, std::string_view text, int32_t x, int32_t y,
                    int32_t width, int32_t lineHeight, CCoverColor color) {
    for (;;) {
        if (canvas.TextWidth(text) < width) {
            canvas.DrawText(x, y, text, color);
            return y;
        }
        // From the end backwards: past any blanks, then back to the blank before the word.
        size_t pos = text.size();
        size_t blank = std::string_view::npos;
        for (;;) {
            while (pos > 0 && text[pos - 1] == ' ') --pos;
            while (pos > 0 && text[pos - 1] != ' ') --pos;
            if (pos == 0)
                break;
            if (canvas.TextWidth(text.substr(0, pos - 1)) < width) {
                blank = pos - 1;
                break;
            }
        }
        if (blank == std::string_view::npos) {
            canvas.DrawText(x, y, text, color);
            return y;
        }
        canvas.DrawText(x, y, text.substr(0, blank), color);
        text.remove_prefix(blank + 1);
        if (text.empty())
            return y;
        y += lineHeight;
    }
}

CoverDrawResult DrawTexts(const CCover& cover, ICoverCanvas& canvas, const CTextPlacement& at) {
    if (!canvas.SelectFont(cover.Font(CoverText::kTitle), at.titlePixelHeight))
        return CoverDrawResult::kFontFailed;
    canvas.DrawText(at.titleX, at.titleY, DisplayText(cover.AlbumTitle()),
                    cover.Color(CoverText::kTitle));

    if (!canvas.SelectFont(cover.Font(CoverText::kList), at.listPixelHeight))
        return CoverDrawResult::kFontFailed;
    const CCoverColor color = cover.Color(CoverText::kList);
    const CCoverFontMetrics metrics = canvas.FontMetrics();
    const int32_t lineHeight = metrics.height + metrics.externalLeading;
    const int32_t titleLimit = at.rightLimit - 1;
    int32_t y = at.listY;
    int32_t number = 0;
    for (const CCoverSong& song : cover.Songs()) {
        char digits[16];
        std::snprintf(digits, sizeof digits, "%02d", ++number);
        canvas.DrawText(at.listX, y, digits, color);
        const int32_t x = at.listX + metrics.height * 3 / 2;
        canvas.DrawText(at.timeX, y, DisplayText(song.time), color);
        const std::string title = DisplayText(song.title);
        if (x + canvas.TextWidth(title) > titleLimit)
            y = DrawWrapped(canvas, title, x, y, titleLimit - x, lineHeight, color);
        else
            canvas.DrawText(x, y, title, color);
        y += lineHeight;
    }
    return CoverDrawResult::kComplete;
}

// points x size / 342, in whole pixels cut towards zero.
int32_t Scale(int32_t points, int32_t size) {
    return static_cast<int32_t>(static_cast<int64_t>(points) * size / kCoverSidePoints);
}

// points at dpi, in whole pixels cut towards zero.
int32_t AtDpi(int32_t dpi, int32_t points) {
    return static_cast<int32_t>(static_cast<int64_t>(dpi) * points / kPointsPerInch);
}

int32_t WholeDpi(int32_t pixels, int32_t millimetres) {
    // 25.4 x pixels / millimetres, with the fraction cut off.
    return static_cast<int32_t>(std::min<int64_t>(
        static_cast<int64_t>(pixels) * 254 / (static_cast<int64_t>(millimetres) * 10),
        kMaxDpi + 1));
}

}  // namespace

CCoverRect PreviewDrawingArea(int32_t frameWidth, int32_t frameHeight) {
    return CCoverRect{0, 0, frameWidth - 2, frameHeight - 2};
}

CoverDrawResult PaintPreview(const CCover& cover, ICoverCanvas& canvas, int32_t frameWidth,
                             int32_t frameHeight) {
    const CCoverRect area = PreviewDrawingArea(frameWidth, frameHeight);
    const int32_t w = area.Width();
    const int32_t h = area.Height();
    if (w <= 0 || h <= 0)
        return CoverDrawResult::kNoArea;

    canvas.ClipTo(CCoverRect{0, 0, frameWidth, frameHeight});
    canvas.FillRect(area, cover.BackgroundColor());
    // The shadow is solid: a dotted pen three pixels wide draws solid anyway.
    canvas.DrawLine(2, h - 2, w - 2, h - 2, kShadowPen, kShadowColor);
    canvas.DrawLine(w - 2, 2, w - 2, h - 2, kShadowPen, kShadowColor);
    CoverDrawResult result = CoverDrawResult::kComplete;
    if (cover.HasPicture() && !canvas.DrawPicture(cover.PicturePath(), area))
        result = CoverDrawResult::kPictureUnreadable;

    // Font heights scale with the width only, so the letters keep their shape.
    const CTextPlacement at{
        std::abs(MulDivRound(cover.Font(CoverText::kTitle).height, w, kCoverSidePoints)),
        Scale(kTextLeft, w),
        Scale(kTitleTop, h),
        std::abs(MulDivRound(cover.Font(CoverText::kList).height, w, kCoverSidePoints)),
        Scale(kTextLeft, w),
        Scale(kListTop, h),
        Scale(kTimeColumn, w),
        Scale(kPreviewRightLimit, w),
    };
    const CoverDrawResult texts = DrawTexts(cover, canvas, at);
    return texts == CoverDrawResult::kComplete ? result : texts;
}

std::optional<CCoverPrintGeometry> PrintGeometry(const CCoverPage& page) {
    if (page.widthPixels <= 0 || page.heightPixels <= 0 || page.widthMm <= 0 || page.heightMm <= 0)
        return std::nullopt;
    CCoverPrintGeometry g;
    g.dpiX = WholeDpi(page.widthPixels, page.widthMm);
    g.dpiY = WholeDpi(page.heightPixels, page.heightMm);
    if (g.dpiX <= 0 || g.dpiY <= 0 || g.dpiX > kMaxDpi || g.dpiY > kMaxDpi)
        return std::nullopt;

    // Centred across the printable width, one inch below its top.
    g.square.left = page.widthPixels / 2 - g.dpiX * kCoverSidePoints / (2 * kPointsPerInch);
    g.square.top = g.dpiY;
    g.square.right = g.square.left + AtDpi(g.dpiX, kCoverSidePoints);
    g.square.bottom = g.square.top + AtDpi(g.dpiY, kCoverSidePoints);
    g.markLength = g.dpiX * 2 / 5;  // 0.4 inch
    g.titleX = g.square.left + AtDpi(g.dpiX, kTextLeft);
    g.titleY = g.square.top + AtDpi(g.dpiY, kTitleTop);
    g.listX = g.titleX;
    g.listY = g.square.top + AtDpi(g.dpiY, kListTop + kPaperListDrop);
    g.timeX = g.square.left + AtDpi(g.dpiX, kTimeColumn);
    g.rightLimit = g.square.left + AtDpi(g.dpiX, kPaperRightLimit);
    return g;
}

CoverDrawResult PrintPage(const CCover& cover, ICoverCanvas& canvas, const CCoverPage& page) {
    const std::optional<CCoverPrintGeometry> geometry = PrintGeometry(page);
    if (!geometry || page.logicalDpiY <= 0 || page.logicalDpiY > kMaxDpi)
        return CoverDrawResult::kNoArea;
    const CCoverPrintGeometry& g = *geometry;
    const CCoverRect& sq = g.square;
    const int32_t m = g.markLength;

    // Crop marks: from each corner outwards, one across and one up or down.
    canvas.DrawLine(sq.left, sq.top, sq.left - m, sq.top, kMarkPen, kCoverBlack);
    canvas.DrawLine(sq.left, sq.top, sq.left, sq.top - m, kMarkPen, kCoverBlack);
    canvas.DrawLine(sq.left, sq.bottom, sq.left - m, sq.bottom, kMarkPen, kCoverBlack);
    canvas.DrawLine(sq.left, sq.bottom, sq.left, sq.bottom + m, kMarkPen, kCoverBlack);
    canvas.DrawLine(sq.right, sq.top, sq.right + m, sq.top, kMarkPen, kCoverBlack);
    canvas.DrawLine(sq.right, sq.top, sq.right, sq.top - m, kMarkPen, kCoverBlack);
    canvas.DrawLine(sq.right, sq.bottom, sq.right + m, sq.bottom, kMarkPen, kCoverBlack);
    canvas.DrawLine(sq.right, sq.bottom, sq.right, sq.bottom + m, kMarkPen, kCoverBlack);

    CoverDrawResult result = CoverDrawResult::kComplete;
    if (cover.HasPicture()) {
        if (!canvas.DrawPicture(cover.PicturePath(), sq))
            result = CoverDrawResult::kPictureUnreadable;
    } else if (cover.BackgroundColor() != kCoverWhite) {
        // White paper needs no ink.
        canvas.FillRect(sq, cover.BackgroundColor());
    }

    const CTextPlacement at{
        std::abs(AtDpi(page.logicalDpiY, cover.Font(CoverText::kTitle).height)),
        g.titleX,
        g.titleY,
        std::abs(AtDpi(page.logicalDpiY, cover.Font(CoverText::kList).height)),
        g.listX,
        g.listY,
        g.timeX,
        g.rightLimit,
    };
    const CoverDrawResult texts = DrawTexts(cover, canvas, at);
    return texts == CoverDrawResult::kComplete ? result : texts;
}
