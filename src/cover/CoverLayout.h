#pragma once
// Where everything of the cover goes, written once and drawn twice: on the dialog's
// preview, scaled to its drawing area, and on a printer or PDF page at its true size of
// 342 x 342 points (4.75 inches), centred, one inch below the top, with crop marks.
#include <cstdint>
#include <optional>

#include "cover/Cover.h"
#include "cover/CoverCanvas.h"

enum class CoverDrawResult {
    kComplete,
    kPictureUnreadable,  // drawn whole except the background picture
    kFontFailed,         // stopped where a font could not be made: the page is not finished
    kNoArea,             // nothing drawn: the area or page has no usable size
};

// A printer page as its device describes it: the printable area in pixels and in
// millimetres, and the logical pixels per inch vertically that fonts are made with.
struct CCoverPage {
    int32_t widthPixels = 0;
    int32_t heightPixels = 0;
    int32_t widthMm = 0;
    int32_t heightMm = 0;
    int32_t logicalDpiY = 0;
};

// Where a page puts the cover, in device pixels.
struct CCoverPrintGeometry {
    int32_t dpiX = 0;  // whole dots per inch from the page's pixels and millimetres
    int32_t dpiY = 0;
    CCoverRect square;
    int32_t markLength = 0;  // crop marks, drawn outward from each corner
    int32_t titleX = 0;
    int32_t titleY = 0;
    int32_t listX = 0;       // song numbers; titles start 1.5 character heights further
    int32_t listY = 0;       // the first song's line
    int32_t timeX = 0;       // the time column
    int32_t rightLimit = 0;  // titles reaching past rightLimit - 1 are wrapped
};

// The cover's side in points.
inline constexpr int32_t kCoverSidePoints = 342;

// The drawing area inside a preview frame's client area of frameWidth x frameHeight: the
// frame keeps two pixels on the right and at the bottom for the shadow.  The dialog
// resamples the background picture to this size.
CCoverRect PreviewDrawingArea(int32_t frameWidth, int32_t frameHeight);

// Paints the preview inside a frame whose client area is frameWidth x frameHeight.
CoverDrawResult PaintPreview(const CCover& cover, ICoverCanvas& canvas, int32_t frameWidth,
                             int32_t frameHeight);

// nullopt when the page has no usable size or resolution.
std::optional<CCoverPrintGeometry> PrintGeometry(const CCoverPage& page);

// Draws the cover on one page.  Anything but kComplete and kPictureUnreadable means the
// page should not be printed.
CoverDrawResult PrintPage(const CCover& cover, ICoverCanvas& canvas, const CCoverPage& page);
