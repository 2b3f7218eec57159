#pragma once
// The keyboard's and the screen reader's handle on a picture button: a button of the
// picture's size lying over it, reached by Tab, drawn only as a focus mark while it has
// the focus, and pressed by Space, Enter or its shortcut.  The mouse passes through it
// to the window, which draws the pictures and hit-tests them itself.
#include <QAbstractButton>
#include <cstdint>

class CPictureKey : public QAbstractButton {
    Q_OBJECT
  public:
    CPictureKey(int32_t controlId, QWidget* window);
    int32_t ControlId() const { return controlId_; }

  protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    bool event(QEvent* event) override;

  private:
    int32_t controlId_;
};
