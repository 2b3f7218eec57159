#pragma once
// "Print CD Cover": the cover's preview, the album title, the background (a picture or a
// colour), the fonts and colours of the title and of the song list, and printing on a
// printer or into a PDF file.  Nothing is kept when it closes, except which picture was
// chosen last, where the next picture dialog of the run opens.
#include <QDialog>
#include <QString>
#include <cstdint>
#include <map>
#include <string>

#include "cover/Cover.h"

class QLineEdit;
class QPushButton;
class CCoverPreview;

class CCoverDialog : public QDialog {
    Q_OBJECT
  public:
    // The buttons by their control ids.
    static constexpr int32_t kBackground = 1110;
    static constexpr int32_t kBackColor = 1115;
    static constexpr int32_t kClear = 1111;
    static constexpr int32_t kTitleFont = 1109;
    static constexpr int32_t kListFont = 1108;
    static constexpr int32_t kPrint = 1042;
    static constexpr int32_t kExit = 2;

    explicit CCoverDialog(QWidget* parent = nullptr);
    ~CCoverDialog() override;

    // The songs are added here before the dialog runs.
    CCover& Cover() { return cover_; }
    const CCover& Cover() const { return cover_; }

    // Where the picture dialog opens while no picture has been chosen in this run: the
    // start folder's "cover" folder, or fallback when that does not exist.
    void SetPictureFolder(const std::string& folder, const std::string& fallback);

    CCoverPreview* Preview() const { return preview_; }
    QLineEdit* TitleEdit() const { return titleEdit_; }
    QPushButton* Button(int32_t controlId) const;

    // The picture chosen last in this run, "" before the first.
    static QString LastPicturePath();

  private:
    void TitleEdited(const QString& text);
    void ChooseBackground();
    void ChooseBackColor();
    void ClearBackground();
    void ChooseFont(CoverText which);
    void Print();
    // Makes the picture in the file the background; false (after telling the user, the
    // background as it was) when it cannot be decoded.
    bool UsePicture(const QString& path);
    // A message box with the program's name as caption.
    void Tell(const std::string& text, bool warning = false);

    CCover cover_;
    CCoverPreview* preview_;
    QLineEdit* titleEdit_;
    std::map<int32_t, QPushButton*> buttons_;
    QString pictureFolder_;
};
