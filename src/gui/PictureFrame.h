#pragma once
// The picture dialog's preview frame: the selected picture centred, reduced to fit and
// never enlarged, on the button-face colour; the button-shadow colour when no picture
// could be decoded.
#include <QImage>
#include <QSize>
#include <QString>
#include <QWidget>

class CPictureFrame : public QWidget {
  public:
    CPictureFrame(QSize size, QWidget* parent = nullptr);

    // Reads and shows the picture in the file; false (an empty frame) when it cannot be
    // decoded.
    bool ShowFile(const QString& path);
    // Shows nothing: the empty frame.
    void Clear();
    bool HasPicture() const { return !picture_.isNull(); }
    // Where the picture is drawn inside the frame; empty without one.
    QRect PictureRect() const;

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    QImage picture_;  // already reduced to PictureRect()'s size
    QSize pictureSize_;
};
