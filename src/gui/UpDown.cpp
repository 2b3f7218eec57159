#include "gui/UpDown.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QToolButton>
#include <algorithm>

namespace {
QToolButton* Arrow(Qt::ArrowType type, QWidget* parent) {
    auto* arrow = new QToolButton(parent);
    arrow->setArrowType(type);
    arrow->setAutoRepeat(true);
    arrow->setFocusPolicy(Qt::NoFocus);
    return arrow;
}
}  // namespace

CUpDown::CUpDown(QLineEdit* buddy, QWidget* parent)
    : QWidget(parent),
      buddy_(buddy),
      up_(Arrow(Qt::UpArrow, this)),
      down_(Arrow(Qt::DownArrow, this)) {
    connect(up_, &QToolButton::clicked, this, [this] { Step(1); });
    connect(down_, &QToolButton::clicked, this, [this] { Step(-1); });
    buddy_->installEventFilter(this);
}

void CUpDown::Step(int32_t delta) {
    bool ok = false;
    int64_t value = buddy_->text().toLongLong(&ok);
    if (!ok)
        value = 0;
    value = std::clamp<int64_t>(value + delta, kLowest, kHighest);
    buddy_->setText(QString::number(value));
}

bool CUpDown::eventFilter(QObject* watched, QEvent* event) {
    if (watched == buddy_ && event->type() == QEvent::KeyPress && isEnabled()) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Up || key == Qt::Key_Down) {
            Step(key == Qt::Key_Up ? 1 : -1);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void CUpDown::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    const int half = height() / 2;
    up_->setGeometry(0, 0, width(), half);
    down_->setGeometry(0, half, width(), height() - half);
}
