#pragma once
// "Normalizing info": asked once, the first time Record is used, whether normalizing
// starts switched on in the Record dialog.  The choice (0 on, 1 off) lives for the
// whole run, so closing the window without OK keeps the one made before (0 at first).
#include <QDialog>
#include <cstdint>

class QRadioButton;

class CNormalizeInfoDlg : public QDialog {
    Q_OBJECT
  public:
    explicit CNormalizeInfoDlg(QWidget* parent = nullptr);
    QRadioButton* Option(int32_t index) const { return index == 0 ? on_ : off_; }

    // Runs the dialog and returns the choice: 0 "ON by default", 1 "OFF by default".
    static int32_t Run(QWidget* parent = nullptr);
    // The choice of this run so far.
    static int32_t Choice();

  protected:
    void accept() override;

  private:
    QRadioButton* on_;
    QRadioButton* off_;
};
