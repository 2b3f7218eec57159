#include "gui/PictureKey.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QTimer>
#include <QToolTip>

CPictureKey::CPictureKey(int32_t controlId, QWidget* window)
    : QAbstractButton(window), controlId_(controlId) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    // Tab reaches it; a click on the picture leaves the focus where it was.
    setFocusPolicy(Qt::TabFocus);
}

void CPictureKey::paintEvent(QPaintEvent*) {
    if (!hasFocus())
        return;
    // Black under white dots: a mark that shows on the pictures and on the background.
    QPainter painter(this);
    const QRect frame = rect().adjusted(0, 0, -1, -1);
    painter.setPen(QPen(Qt::black, 1));
    painter.drawRect(frame);
    painter.setPen(QPen(Qt::white, 1, Qt::DotLine));
    painter.drawRect(frame);
}

void CPictureKey::keyPressEvent(QKeyEvent* event) {
    // Space comes through the button's own handling; Enter presses it as well.
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
        event->modifiers() == Qt::NoModifier) {
        click();
        return;
    }
    QAbstractButton::keyPressEvent(event);
}

void CPictureKey::focusInEvent(QFocusEvent* event) {
    QAbstractButton::focusInEvent(event);
    // What the mouse would show on hovering, for whoever arrives by Tab; once the focus
    // has settled, since any change of focus hides a tooltip.
    if (event->reason() == Qt::TabFocusReason || event->reason() == Qt::BacktabFocusReason)
        QTimer::singleShot(0, this, [this] {
            if (hasFocus())
                QToolTip::showText(mapToGlobal(QPoint(0, height())), toolTip(), this);
        });
}

bool CPictureKey::event(QEvent* event) {
    // A shortcut presses the button at once, not after the short animation buttons
    // usually show.
    if (event->type() == QEvent::Shortcut) {
        if (isEnabled())
            click();
        return true;
    }
    return QAbstractButton::event(event);
}
