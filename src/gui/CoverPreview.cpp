#include "gui/CoverPreview.h"

#include <QPainter>

#include "cover/Cover.h"
#include "cover/CoverLayout.h"
#include "gui/paint/QtCoverCanvas.h"

CCoverPreview::CCoverPreview(const CCover& cover, QSize size, QWidget* parent)
    : QWidget(parent), cover_(cover) {
    setObjectName(QStringLiteral("coverPreview"));
    setFixedSize(size);
}

QSize CCoverPreview::DrawingArea() const {
    const CCoverRect area = PreviewDrawingArea(width(), height());
    return QSize(area.Width(), area.Height());
}

void CCoverPreview::SetPicture(const QImage& picture) {
    picture_ = picture;
    update();
}

void CCoverPreview::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    CQtCoverCanvas canvas(painter, [this](const std::string&) { return picture_; });
    // A font that cannot be made leaves the rest unpainted, as the layout decides.
    PaintPreview(cover_, canvas, width(), height());
}
