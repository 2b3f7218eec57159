#include "gui/paint/QtCoverCanvas.h"

#include <QColor>
#include <QFont>
#include <QFontMetrics>
#include <QPaintDevice>
#include <QPainter>
#include <QPen>
#include <QPointF>
#include <QRect>
#include <QString>
#include <algorithm>
#include <utility>

#include "gui/QtText.h"
#include "gui/paint/CoverPictures.h"

namespace {

QString FromUtf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The pixels a line covers along its length: from the first point towards the last,
// the last one left out as the platform's pens draw a thin line.  A wider pen covers
// both ends.
std::pair<int32_t, int32_t> Span(int32_t from, int32_t to, int32_t penWidth) {
    if (penWidth > 1)
        return {std::min(from, to) - (penWidth - 1) / 2, std::max(from, to) + penWidth / 2 + 1};
    return from <= to ? std::pair{from, to} : std::pair{to + 1, from + 1};
}

}  // namespace

CQtCoverCanvas::CQtCoverCanvas(QPainter& painter, PictureSource pictures)
    : painter_(painter), pictures_(std::move(pictures)) {
    painter_.setBackgroundMode(Qt::TransparentMode);
    painter_.setRenderHint(QPainter::TextAntialiasing, true);
    painter_.setRenderHint(QPainter::SmoothPixmapTransform, true);
}

void CQtCoverCanvas::ClipTo(const CCoverRect& area) {
    painter_.setClipRect(ToQRect(area));
}

void CQtCoverCanvas::FillRect(const CCoverRect& area, CCoverColor color) {
    painter_.fillRect(ToQRect(area), ToQColor(color));
}

void CQtCoverCanvas::DrawLine(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t penWidth,
                              CCoverColor color) {
    const int32_t width = std::max(penWidth, 1);
    if (y1 == y2 || x1 == x2) {
        // Straight across or down: the pixels themselves, filled.
        const int32_t across = (width - 1) / 2;
        QRect pixels;
        if (y1 == y2) {
            auto [left, right] = Span(x1, x2, width);
            pixels = QRect(left, y1 - across, right - left, width);
        } else {
            auto [top, bottom] = Span(y1, y2, width);
            pixels = QRect(x1 - across, top, width, bottom - top);
        }
        if (!pixels.isEmpty())
            painter_.fillRect(pixels, ToQColor(color));
        return;
    }
    // Slanted lines (the cover has none) through the pixels' centres.
    QPen pen(ToQColor(color), width);
    pen.setCapStyle(Qt::FlatCap);
    painter_.save();
    painter_.setPen(pen);
    painter_.drawLine(QPointF(x1 + 0.5, y1 + 0.5), QPointF(x2 + 0.5, y2 + 0.5));
    painter_.restore();
}

bool CQtCoverCanvas::DrawPicture(const std::string& path, const CCoverRect& area) {
    const QRect target = ToQRect(area);
    QImage picture =
        pictures_ ? pictures_(path) : ReadPicture(PathText(path), nullptr, target.size());
    if (picture.isNull())
        return false;
    if (area.Width() <= 0 || area.Height() <= 0)
        return true;
    // A photo larger than the area would only make the page (and a PDF) bigger.
    if (picture.width() > target.width() || picture.height() > target.height())
        picture = ResamplePicture(picture, picture.size().boundedTo(target.size()));
    painter_.drawImage(target, picture);
    return true;
}

bool CQtCoverCanvas::SelectFont(const CCoverFont& font, int32_t pixelHeight) {
    if (pixelHeight < 0 || pixelHeight > kMaxPixelHeight)
        return false;
    QFont made(QString::fromStdString(font.family));
    // An outline font of proportional width at its best, a sans-serif one when the
    // family itself is missing.
    made.setStyleHint(QFont::SansSerif, static_cast<QFont::StyleStrategy>(QFont::PreferOutline |
                                                                          QFont::PreferQuality));
    made.setFixedPitch(false);
    if (pixelHeight > 0)
        made.setPixelSize(pixelHeight);
    made.setWeight(font.weight > 0 ? static_cast<QFont::Weight>(std::min(font.weight, 1000))
                                   : QFont::Normal);
    made.setItalic(font.italic);
    made.setUnderline(font.underline);
    made.setStrikeOut(font.strikeOut);
    painter_.setFont(made);
    return true;
}

int32_t CQtCoverCanvas::TextWidth(std::string_view text) {
    return painter_.fontMetrics().horizontalAdvance(FromUtf8(text));
}

CCoverFontMetrics CQtCoverCanvas::FontMetrics() {
    const QFontMetrics metrics = painter_.fontMetrics();
    return CCoverFontMetrics{metrics.ascent() + metrics.descent(), std::max(metrics.leading(), 0)};
}

void CQtCoverCanvas::DrawText(int32_t x, int32_t y, std::string_view text, CCoverColor color) {
    painter_.setPen(ToQColor(color));
    painter_.drawText(QPoint(x, y + painter_.fontMetrics().ascent()), FromUtf8(text));
}

QColor ToQColor(CCoverColor color) {
    return QColor(color.red, color.green, color.blue);
}

QRect ToQRect(const CCoverRect& r) {
    return QRect(r.left, r.top, r.Width(), r.Height());
}

CCoverPage CoverPageOf(const QPaintDevice& device) {
    return CCoverPage{device.width(), device.height(), device.widthMM(), device.heightMM(),
                      device.logicalDpiY()};
}
