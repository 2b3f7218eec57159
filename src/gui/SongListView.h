#pragma once
// The main window's song list: a report view with full-row, multiple selection.  Rows
// are reordered by dragging one onto another (it is placed in front of the row it is
// released on, and a line shows where while the drag goes on); a right press selects and
// focuses the row at the pointer's height, whatever the column.  A double-click on a row,
// Enter on the current row and a menu request from the keyboard are handed to the
// window, which runs the commands.  Long paths lose their middle, so the file name
// stays in view.
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
    // While dragging: the row the dragged one would be placed in front of, -1 for none.
    int32_t DropRow() const { return dragging_ ? dropRow_ : -1; }

    std::function<void()> onPlay;
    std::function<void()> onKeyboardMenu;
    std::function<void(int32_t from, int32_t to)> onDragMove;

  protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool event(QEvent* event) override;
    bool viewportEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

  private:
    void SetDropRow(int32_t row);

    int32_t pressRow_ = -1;
    QPoint pressPos_;
    bool dragging_ = false;
    int32_t dropRow_ = -1;
};
