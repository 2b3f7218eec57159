#include "gui/Pictures.h"

#include <QCoreApplication>
#include <QFile>
#include <QHash>
#include <QPainter>
#include <QSvgRenderer>
#include <algorithm>
#include <iterator>

namespace {
struct KnownPicture {
    int32_t id;
    int width;
    int height;
};

// Sizes the windows are laid out by, for the placeholders of missing pictures.
constexpr KnownPicture kKnown[] = {
    {pictures::kBulb, 40, 53},
    {pictures::kIcon, 256, 256},
    {pictures::kSplash, 324, 204},
    {pictures::kMainBackground, 640, 480},
    {142, 38, 36},
    {143, 38, 36},
    {pictures::kHandCursor, 32, 32},
    {145, 38, 36},
    {146, 38, 36},
    {147, 38, 36},
    {148, 38, 36},
    {149, 38, 36},
    {150, 38, 36},
    {151, 38, 36},
    {152, 38, 36},
    {153, 38, 36},
    {154, 38, 36},
    {156, 27, 23},
    {157, 27, 23},
    {158, 27, 23},
    {159, 27, 23},
    {160, 46, 25},
    {161, 46, 25},
    {168, 19, 18},
    {169, 19, 18},
    {170, 19, 18},
    {171, 19, 18},
    {172, 19, 18},
    {173, 19, 18},
    {174, 19, 18},
    {175, 19, 18},
    {176, 88, 17},
    {177, 88, 17},
    {180, 19, 18},
    {181, 19, 18},
    {186, 19, 19},
    {187, 19, 19},
    // The player's.
    {192, 400, 90},
    {193, 34, 18},
    {194, 34, 18},
    {195, 24, 18},
    {196, 24, 18},
    {197, 34, 18},
    {198, 34, 18},
    {201, 18, 18},
    {202, 18, 18},
    {203, 18, 18},
    {204, 18, 18},
};

QSize KnownSize(int32_t id) {
    auto it = std::find_if(std::begin(kKnown), std::end(kKnown),
                           [id](const KnownPicture& p) { return p.id == id; });
    return it == std::end(kKnown) ? QSize() : QSize(it->width, it->height);
}

QString ResourcePath(const QString& name) {
    return QStringLiteral(":/assets/") + name + QStringLiteral(".svg");
}

// The SVG drawn at its own size; null when the build does not hold it.
QPixmap RenderSvg(const QString& name) {
    QSvgRenderer renderer;
    if (!QFile::exists(ResourcePath(name)) || !renderer.load(ResourcePath(name)))
        return QPixmap();
    QSize size = renderer.defaultSize();
    if (size.isEmpty())
        return QPixmap();
    QPixmap pixmap(size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    renderer.render(&painter);
    return pixmap;
}

QPixmap Render(int32_t id) {
    QPixmap pixmap = RenderSvg(QString::number(id));
    if (!pixmap.isNull())
        return pixmap;
    QSize size = KnownSize(id);
    if (size.isEmpty())
        return QPixmap();
    // A plain slate with a lighter frame: the layout stays right and the gap is visible.
    pixmap = QPixmap(size);
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
    return QFile::exists(ResourcePath(QString::number(id)));
}

QIcon ApplicationIcon() {
    return QIcon(Picture(pictures::kIcon));
}

QCursor HandCursor() {
    if (!HasPicture(pictures::kHandCursor))
        return QCursor(Qt::PointingHandCursor);
    // The finger tip.
    return QCursor(Picture(pictures::kHandCursor), 10, 1);
}

QCursor DragCursor() {
    // Kept with the numbered pictures, under a number none of them has.
    constexpr int32_t kDragCursorKey = -1;
    QHash<int32_t, QPixmap>& cache = Cache();
    if (!cache.contains(kDragCursorKey))
        cache.insert(kDragCursorKey, RenderSvg(QStringLiteral("drag-cursor")));
    QPixmap drag = cache.value(kDragCursorKey);
    if (drag.isNull())
        return QCursor(Qt::DragMoveCursor);
    return QCursor(drag, 1, 1);
}
