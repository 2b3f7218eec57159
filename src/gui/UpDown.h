#pragma once
// An up-down control: two small arrows beside a number box that step the integer it
// holds, and make the box's Up and Down keys do the same.  A control of its own, so it
// can be enabled apart from its box, as a dialog template may leave it.
#include <QWidget>
#include <cstdint>

class QLineEdit;
class QToolButton;

class CUpDown : public QWidget {
    Q_OBJECT
  public:
    static constexpr int32_t kLowest = 0;
    static constexpr int32_t kHighest = 100;

    CUpDown(QLineEdit* buddy, QWidget* parent);
    // Adds delta to the box's integer (an empty box counts as 0), kept within the range.
    void Step(int32_t delta);
    QToolButton* UpArrow() const { return up_; }
    QToolButton* DownArrow() const { return down_; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    QLineEdit* buddy_;
    QToolButton* up_;
    QToolButton* down_;
};
