#include "gui/PictureFrame.h"

#include <QPainter>
#include <QPalette>

#include "cover/PictureChoice.h"
#include "gui/paint/CoverPictures.h"
#include "gui/paint/QtCoverCanvas.h"

namespace {
CPicturePreviewPlan Plan(QSize frame, QSize picture) {
    return PlanPicturePreview(CCoverRect{0, 0, frame.width(), frame.height()}, picture.width(),
                              picture.height());
}
}  // namespace

CPictureFrame::CPictureFrame(QSize size, QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("pictureFrame"));
    setFixedSize(size);
}

bool CPictureFrame::ShowFile(const QString& path) {
    // Twice the frame keeps the smooth reduction afterwards sharp.
    const QImage read = ReadPicture(path, nullptr, size() * 2);
    pictureSize_ = read.size();
    picture_ = read.isNull() ? QImage() : ResamplePicture(read, PictureRect().size());
    update();
    return !picture_.isNull();
}

void CPictureFrame::Clear() {
    picture_ = QImage();
    pictureSize_ = QSize();
    update();
}

QRect CPictureFrame::PictureRect() const {
    if (pictureSize_.isEmpty())
        return QRect();
    return ToQRect(Plan(size(), pictureSize_).picture);
}

void CPictureFrame::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    const CPicturePreviewPlan plan = Plan(size(), picture_.isNull() ? QSize() : pictureSize_);
    painter.setPen(palette().color(QPalette::Mid));
    painter.drawRect(QRect(0, 0, width() - 1, height() - 1));
    painter.fillRect(ToQRect(plan.fill),
                     palette().color(plan.pictureLoaded ? QPalette::Button : QPalette::Dark));
    if (plan.pictureLoaded && !picture_.isNull())
        painter.drawImage(ToQRect(plan.picture).topLeft(), picture_);
}
