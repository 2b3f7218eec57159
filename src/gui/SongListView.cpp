#include "gui/SongListView.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyledItemDelegate>

#include "gui/Pictures.h"
#include "gui/SongListModel.h"

namespace {
// A path too long for its column keeps its start and its file name.
class CMiddleElided : public QStyledItemDelegate {
  public:
    using QStyledItemDelegate::QStyledItemDelegate;

  protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        option->textElideMode = Qt::ElideMiddle;
    }
};
}  // namespace

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
    setItemDelegateForColumn(CSongListModel::kPath, new CMiddleElided(this));
    // The last column fills the width: an empty list has nothing to scroll sideways.
    header()->setStretchLastSection(true);
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
    // Over a row the drag cursor and a line where the row would go, elsewhere "not
    // allowed".
    const QModelIndex target = indexAt(pos);
    SetDropRow(target.isValid() ? target.row() : -1);
    if (target.isValid())
        viewport()->setCursor(DragCursor());
    else
        viewport()->setCursor(Qt::ForbiddenCursor);
}

void CSongListView::SetDropRow(int32_t row) {
    if (row != dropRow_) {
        dropRow_ = row;
        viewport()->update();
    }
}

void CSongListView::paintEvent(QPaintEvent* event) {
    QTreeView::paintEvent(event);
    if (DropRow() < 0 || model() == nullptr)
        return;
    // The line in front of the row the dragged one would be placed before.
    const QRect row = visualRect(model()->index(DropRow(), 0));
    QPainter painter(viewport());
    painter.setPen(QPen(palette().color(QPalette::Text), 2));
    painter.drawLine(0, row.top(), viewport()->width(), row.top());
}

void CSongListView::mouseReleaseEvent(QMouseEvent* event) {
    if (!dragging_ || event->button() != Qt::LeftButton) {
        QTreeView::mouseReleaseEvent(event);
        return;
    }
    dragging_ = false;
    SetDropRow(-1);
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
        onPlay)
        onPlay();
}

void CSongListView::keyPressEvent(QKeyEvent* event) {
    // Enter plays the current row, as a double-click does.
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && currentIndex().isValid() && onPlay) {
        onPlay();
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
    if (FromKeyboard(event) && onKeyboardMenu) {
        onKeyboardMenu();
        return true;
    }
    return QTreeView::event(event);
}

bool CSongListView::viewportEvent(QEvent* event) {
    if (FromKeyboard(event) && onKeyboardMenu) {
        onKeyboardMenu();
        return true;
    }
    return QTreeView::viewportEvent(event);
}
