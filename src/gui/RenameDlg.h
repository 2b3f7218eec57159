#pragma once
// "Rename MP3 title": one edit field holding the title; OK keeps the edited title,
// "&Exit" (Cancel) leaves it as it was.
#include <QDialog>
#include <string>

class QLineEdit;

class CRenameDlg : public QDialog {
    Q_OBJECT
  public:
    explicit CRenameDlg(const std::string& title, QWidget* parent = nullptr);
    std::string Title() const;
    QLineEdit* Edit() const { return edit_; }

    // Runs the dialog on title: true with the edited title on OK.
    static bool Run(std::string& title, QWidget* parent = nullptr);

  private:
    QLineEdit* edit_;
};
