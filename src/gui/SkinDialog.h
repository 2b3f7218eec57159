#pragma once
// A captionless window drawn over a background picture: the main window and the player
// are made of it.  Static texts and check boxes are drawn in white straight over the
// picture.  Picture buttons are drawn by the window itself: each shows its normal image,
// or its hover image while the mouse is over it and it is enabled (the hand cursor
// then), and goes back to normal as soon as the mouse is elsewhere, outside the window
// too.  Clicks are hit-tested in an order the window gives; a press anywhere else on the
// background moves the window.  Tooltips of the picture buttons show after 10 ms.
//
// Each picture button also has a key (CPictureKey): Tab reaches it, Space, Enter or its
// shortcut presses it, and a screen reader announces its tooltip.  A disabled picture
// is drawn dimmed, and its tooltip says why it is disabled.
#include <QDialog>
#include <QKeySequence>
#include <QPoint>
#include <QPointer>
#include <QRect>
#include <QString>
#include <QTimer>
#include <cstdint>
#include <vector>

struct CPictureButton {
    int32_t controlId = 0;
    int32_t normalPicture = 0;
    int32_t hoverPicture = 0;
    QPoint position;        // top-left, in window coordinates; the size is the picture's
    int32_t tooltipId = 0;  // resource string shown as its tooltip, 0 for none
    int32_t nameId = 0;     // without a tooltip: the text a screen reader announces
};

class CPictureKey;

class CSkinDialog : public QDialog {
    Q_OBJECT
  public:
    enum BackgroundMode : int32_t { kTile = 0, kStretch = 1, kCentre = 2 };

    explicit CSkinDialog(QWidget* parent = nullptr);
    ~CSkinDialog() override;

    // Loads the background picture and sets how it covers the window.
    void SetBackground(int32_t pictureId, int32_t mode);
    int32_t BackgroundMode() const { return mode_; }

    // Picture buttons, in the order they were added; clicks are tested in hitOrder.
    void AddPictureButton(const CPictureButton& button);
    void SetHitTestOrder(const std::vector<int32_t>& controlIds);
    void MovePictureButton(int32_t controlId, QPoint position);
    // whyNot: for a disabled button, why (shown in its tooltip).
    void SetPictureButtonEnabled(int32_t controlId, bool enabled, const QString& whyNot = {});
    bool IsPictureButtonEnabled(int32_t controlId) const;
    // A key combination that presses the button from anywhere in the window; its tooltip
    // names it.
    void SetPictureButtonShortcut(int32_t controlId, const QKeySequence& keys);
    // True while the button shows its hover image.
    bool IsPictureButtonHovered(int32_t controlId) const;
    QRect PictureButtonRect(int32_t controlId) const;
    // The tooltip text shown for a button now.
    QString PictureButtonTooltip(int32_t controlId) const;
    // The widget that takes the keyboard focus for a button.
    QWidget* PictureButtonKey(int32_t controlId) const;
    // Re-reads every tooltip text from the language table (after a language change).
    void RefreshTooltips();

  protected:
    // A click on an enabled picture button.
    virtual void OnPictureClicked(int32_t controlId) = 0;

    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool event(QEvent* event) override;

    // White, transparent static texts over the picture; called again when children come.
    void ApplySkinColours();

  private:
    struct Button {
        CPictureButton picture;
        QRect rect;
        bool enabled = true;
        bool hover = false;
        QString tip;  // the tooltip's own text
        QKeySequence keys;
        QString whyNot;
        CPictureKey* key = nullptr;
        // The tooltip as shown: its text, the shortcut, and why it is disabled.
        QString Tooltip() const;
    };
    Button* Find(int32_t controlId);
    const Button* Find(int32_t controlId) const;
    // Reads the tooltip's text and hands the key its names.
    void Retitle(Button& button);
    void Press(int32_t controlId);
    void UpdateHover(QPoint windowPos, QPoint globalPos);
    void ClearHover();
    void ShowTooltip();

    QPixmap background_;
    int32_t mode_ = kTile;
    std::vector<Button> buttons_;
    std::vector<int32_t> hitOrder_;
    // The tooltip waiting to show, and where the mouse is.
    QTimer tipTimer_;
    int32_t tipButton_ = 0;
    QPoint lastGlobal_;
    // Moving the window by hand where the window system cannot do it.
    bool moving_ = false;
    QPoint moveOffset_;
};
