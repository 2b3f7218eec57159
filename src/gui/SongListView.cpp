#include "gui/SongListView.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>

#include "gui/Pictures.h"

CSongListView::CSongListView(QWidget* parent) : QTreeView(parent) {
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setDragDropMode(QAbstractItemView::NoDragDrop);
    setTextElideMode(Qt::ElideRight);
    header()->setStretchLastSection(false);
    header()->setSectionsMovable(false);
    setContextMenuPolicy(Qt::CustomContextMenu);
}

int32_t CSongListView::RowAtHeight(int y) const {
    QModelIndex index = indexAt(QPoint(2, y));
    return index.isValid() ? index.row() : -1;
}

void CSongListView::mousePressEvent(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    QTreeView::mousePressEvent(event);
    if (event->button() == Qt::RightButton) {
        // The row at the pointer's height, whichever column was pressed.
        int32_t row = RowAtHeight(pos.y());
        if (row >= 0)
            selectionModel()->setCurrentIndex(
                model()->index(row, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
        return;
    }
    if (event->button() == Qt::LeftButton) {
        QModelIndex index = indexAt(pos);
        pressRow_ = index.isValid() ? index.row() : -1;
        pressPos_ = pos;
    }
}

void CSongListView::mouseMoveEvent(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    if (!dragging_ && (event->buttons() & Qt::LeftButton) && pressRow_ >= 0 &&
        (pos - pressPos_).manhattanLength() >= QApplication::startDragDistance())
        dragging_ = true;
    if (!dragging_) {
        QTreeView::mouseMoveEvent(event);
        return;
    }
    // Over a row the drag cursor, elsewhere "not allowed".
    if (indexAt(pos).isValid())
        viewport()->setCursor(DragCursor());
    else
        viewport()->setCursor(Qt::ForbiddenCursor);
}

void CSongListView::mouseReleaseEvent(QMouseEvent* event) {
    if (!dragging_ || event->button() != Qt::LeftButton) {
        QTreeView::mouseReleaseEvent(event);
        return;
    }
    dragging_ = false;
    viewport()->unsetCursor();
    // The view saw the press; let it finish the click state it started.
    QTreeView::mouseReleaseEvent(event);
    QModelIndex target = indexAt(event->position().toPoint());
    int32_t from = pressRow_;
    pressRow_ = -1;
    if (target.isValid() && target.row() != from && onDragMove)
        onDragMove(from, target.row());
}

void CSongListView::mouseDoubleClickEvent(QMouseEvent* event) {
    QTreeView::mouseDoubleClickEvent(event);
    if (event->button() == Qt::LeftButton && indexAt(event->position().toPoint()).isValid() &&
        onDoubleClick)
        onDoubleClick();
}

void CSongListView::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Insert && event->modifiers() == Qt::NoModifier && onInsertKey) {
        onInsertKey();
        return;
    }
    if (event->key() == Qt::Key_Delete && event->modifiers() == Qt::NoModifier && onDeleteKey) {
        onDeleteKey();
        return;
    }
    QTreeView::keyPressEvent(event);
}

namespace {
bool FromKeyboard(QEvent* event) {
    return event->type() == QEvent::ContextMenu &&
           static_cast<QContextMenuEvent*>(event)->reason() == QContextMenuEvent::Keyboard;
}
}  // namespace

bool CSongListView::event(QEvent* event) {
    if (FromKeyboard(event))
        return true;
    return QTreeView::event(event);
}

bool CSongListView::viewportEvent(QEvent* event) {
    if (FromKeyboard(event))
        return true;
    return QTreeView::viewportEvent(event);
}
