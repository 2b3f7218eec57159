#pragma once
// "Select CDR Drive": shown at start-up when several recorders were found; one line per
// recorder (vendor, product, revision) in a drop-down list, the first selected.
#include <QDialog>
#include <cstdint>
#include <string>
#include <vector>

class QComboBox;

class CSelectDriveDlg : public QDialog {
    Q_OBJECT
  public:
    explicit CSelectDriveDlg(const std::vector<std::string>& lines, QWidget* parent = nullptr);
    int32_t Choice() const;
    QComboBox* Drives() const { return drives_; }

    // Runs the dialog: the chosen line, or -1 when cancelled.
    static int32_t Run(const std::vector<std::string>& lines, QWidget* parent = nullptr);

  private:
    QComboBox* drives_;
};
