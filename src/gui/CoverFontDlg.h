#pragma once
// The font dialog of the cover's title and song list: our own font dialog with a text
// colour among its effects (next to underline and strike-out), shown in the sample.
#include <QColor>
#include <QFontDialog>

class QPushButton;

class CCoverFontDlg : public QFontDialog {
    Q_OBJECT
  public:
    CCoverFontDlg(const QFont& font, QColor color, QWidget* parent = nullptr);

    QColor Color() const { return color_; }
    QPushButton* ColorButton() const { return colorButton_; }

  private:
    void ChooseColor();
    void ShowColor();

    QColor color_;
    QPushButton* colorButton_;
};
