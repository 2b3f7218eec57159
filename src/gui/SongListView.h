#pragma once
// The main window's song list: a report view with full-row, multiple selection.  Rows
// are reordered by dragging one onto another (it is placed in front of the row it is
// released on); a right press selects and focuses the row at the pointer's height,
// whatever the column; Insert and Delete keys, and a double-click on a row, are handed
// to the window, which runs the commands.  A menu request from the keyboard names no
// row, so it opens no menu.
#include <QTreeView>
#include <cstdint>
#include <functional>

class CSongListView : public QTreeView {
    Q_OBJECT
  public:
    explicit CSongListView(QWidget* parent = nullptr);

    // The row at a height in viewport coordinates, looked up at x = 2 so that any column
    // counts; -1 below the last row.
    int32_t RowAtHeight(int y) const;
    bool IsDragging() const { return dragging_; }

    std::function<void()> onInsertKey;
    std::function<void()> onDeleteKey;
    std::function<void()> onDoubleClick;
    std::function<void(int32_t from, int32_t to)> onDragMove;

  protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool event(QEvent* event) override;
    bool viewportEvent(QEvent* event) override;

  private:
    int32_t pressRow_ = -1;
    QPoint pressPos_;
    bool dragging_ = false;
};
