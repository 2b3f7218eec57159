#include "gui/Pictures.h"

#include <QCoreApplication>
#include <QFile>
#include <QHash>
#include <QPainter>
#include <QSvgRenderer>

namespace {
// Sizes of the pictures the windows are laid out by, for the placeholders.
QSize KnownSize(int32_t id) {
    switch (id) {
        case pictures::kMainBackground:
            return {640, 480};
        case pictures::kSplash:
            return {324, 204};
        case pictures::kBulb:
            return {40, 53};
        case pictures::kIcon:
        case pictures::kHandCursor:
            return {32, 32};
        case 142:
        case 143:
        case 145:
        case 146:
        case 147:
        case 148:
        case 149:
        case 150:
        case 151:
        case 152:
        case 153:
        case 154:
            return {38, 36};
        case 156:
        case 157:
        case 158:
        case 159:
            return {27, 23};
        case 160:
        case 161:
            return {46, 25};
        case 168:
        case 169:
        case 170:
        case 171:
        case 172:
        case 173:
        case 174:
        case 175:
        case 180:
        case 181:
            return {19, 18};
        case 186:
        case 187:
            return {19, 19};
        case 176:
        case 177:
            return {88, 17};
        default:
            return {};
    }
}

QString ResourcePath(int32_t id) {
    return QStringLiteral(":/assets/%1.svg").arg(id);
}

QPixmap Render(int32_t id) {
    QSvgRenderer renderer;
    if (QFile::exists(ResourcePath(id)) && renderer.load(ResourcePath(id))) {
        QSize size = renderer.defaultSize();
        if (!size.isEmpty()) {
            QPixmap pixmap(size);
            pixmap.fill(Qt::transparent);
            QPainter painter(&pixmap);
            renderer.render(&painter);
            return pixmap;
        }
    }
    QSize size = KnownSize(id);
    if (size.isEmpty())
        return QPixmap();
    // A plain slate with a lighter frame: the layout stays right and the gap is visible.
    QPixmap pixmap(size);
    pixmap.fill(QColor(62, 92, 128));
    QPainter painter(&pixmap);
    painter.setPen(QColor(150, 180, 210));
    painter.drawRect(0, 0, size.width() - 1, size.height() - 1);
    return pixmap;
}

QHash<int32_t, QPixmap>& Cache() {
    // Emptied when the application object goes: pixmaps must not outlive it.
    static QHash<int32_t, QPixmap> cache;
    static bool registered = false;
    if (!registered) {
        registered = true;
        qAddPostRoutine([] { Cache().clear(); });
    }
    return cache;
}
}  // namespace

QPixmap Picture(int32_t id) {
    QHash<int32_t, QPixmap>& cache = Cache();
    auto it = cache.constFind(id);
    if (it != cache.constEnd())
        return *it;
    QPixmap pixmap = Render(id);
    cache.insert(id, pixmap);
    return pixmap;
}

bool HasPicture(int32_t id) {
    return QFile::exists(ResourcePath(id));
}

QIcon ApplicationIcon() {
    return QIcon(Picture(pictures::kIcon));
}

QCursor HandCursor() {
    if (!HasPicture(pictures::kHandCursor))
        return QCursor(Qt::PointingHandCursor);
    // The finger tip is near the top-left of the picture.
    QPixmap pixmap = Picture(pictures::kHandCursor);
    return QCursor(pixmap, pixmap.width() / 4, 0);
}
