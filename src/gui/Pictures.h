#pragma once
// The program's pictures, by the ids the windows know them by.  Each is an SVG in the
// resource ":/assets/<id>.svg" whose own width and height are the picture's size in
// pixels; it is drawn once at that size and kept.  A picture that is missing from the
// build comes back as a flat placeholder of its known size (or a null pixmap when its
// size is not known), so every window keeps its layout.
#include <QCursor>
#include <QIcon>
#include <QPixmap>
#include <QSize>
#include <cstdint>

namespace pictures {
// Ids the windows use.
constexpr int32_t kBulb = 104;
constexpr int32_t kIcon = 128;
constexpr int32_t kSplash = 133;
constexpr int32_t kMainBackground = 140;
constexpr int32_t kHandCursor = 144;
}  // namespace pictures

QPixmap Picture(int32_t id);
// True when the build holds the picture itself, not a placeholder.
bool HasPicture(int32_t id);
// The application icon, the hand cursor over picture buttons, and the cursor while a
// song is dragged over the list.
QIcon ApplicationIcon();
QCursor HandCursor();
QCursor DragCursor();
