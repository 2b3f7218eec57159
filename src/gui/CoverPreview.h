#pragma once
// The cover dialog's preview: the cover scaled to the frame, drawn by the same layout as
// the printed page.  The background picture comes already resampled to the drawing
// area, so a repaint (each typed letter of the title) never reads the file again.
#include <QImage>
#include <QSize>
#include <QWidget>

class CCover;

class CCoverPreview : public QWidget {
  public:
    // A frame of size (its client area) showing cover, which outlives it.
    CCoverPreview(const CCover& cover, QSize size, QWidget* parent = nullptr);

    // The size the background picture is resampled to.
    QSize DrawingArea() const;
    // The cover's picture, resampled to DrawingArea(); null for none.
    void SetPicture(const QImage& picture);
    const QImage& Picture() const { return picture_; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    const CCover& cover_;
    QImage picture_;
};
