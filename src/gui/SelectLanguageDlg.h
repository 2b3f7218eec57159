#pragma once
// "Select Language", shown at the first start: four fixed lines asking for the language
// in four languages (never translated), the list of languages with English first and
// selected, OK and Cancel.
#include <QDialog>
#include <cstdint>
#include <string>
#include <vector>

class QListWidget;

class CSelectLanguageDlg : public QDialog {
    Q_OBJECT
  public:
    explicit CSelectLanguageDlg(const std::vector<std::string>& rows, QWidget* parent = nullptr);
    // The selected row.
    int32_t Choice() const;
    QListWidget* List() const { return list_; }

    // Runs the dialog: the chosen row, or -1 when cancelled.
    static int32_t Run(const std::vector<std::string>& rows, QWidget* parent = nullptr);

  private:
    QListWidget* list_;
};
