#include "gui/SplashWnd.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QScreen>
#include <QTimer>

#include "gui/Pictures.h"

namespace {
bool splashEnabled = false;
QPointer<CSplashWnd> current;
}  // namespace

void CSplashWnd::EnableSplashScreen(bool enable) {
    splashEnabled = enable;
}

CSplashWnd* CSplashWnd::Current() {
    return current.data();
}

void CSplashWnd::ShowSplashScreen(QWidget* parent) {
    if (!splashEnabled || current)
        return;
    // Without its picture there is no splash at all.
    if (Picture(pictures::kSplash).isNull())
        return;
    current = new CSplashWnd(parent);
    current->show();
    current->repaint();
}

CSplashWnd::CSplashWnd(QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
    setAttribute(Qt::WA_DeleteOnClose);
    setCursor(Qt::ArrowCursor);
    setFixedSize(Picture(pictures::kSplash).size());
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect area = screen->geometry();
        move(area.x() + (area.width() - width()) / 2, area.y() + (area.height() - height()) / 2);
    }
    QTimer::singleShot(kCloseAfterMs, this, [this] { Finish(); });
}

CSplashWnd::~CSplashWnd() = default;

void CSplashWnd::Finish() {
    close();
    // The main window is drawn again where the splash stood.
    for (QWidget* top : QApplication::topLevelWidgets())
        if (top != this && top->isVisible())
            top->update();
}

void CSplashWnd::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawPixmap(0, 0, Picture(pictures::kSplash));
}

// Neither a click nor a key ends the splash: only its timer does.
void CSplashWnd::mousePressEvent(QMouseEvent* event) {
    event->accept();
}

void CSplashWnd::keyPressEvent(QKeyEvent* event) {
    event->accept();
}
