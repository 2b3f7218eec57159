#pragma once
// "Tip of the Day": the light bulb, "Did you know...", one tip from "tips.txt", the box
// "Show Tips on StartUp", "Next Tip" and "Close".  Which tip comes next and the box's
// state persist in the desktop's per-user settings (section "Tip").  The texts are the
// dialog's own; they do not follow the language choice.
#include <QDialog>
#include <QRect>
#include <memory>
#include <string>

#include "ui/TipOfTheDay.h"

class QCheckBox;
class QLabel;
class QPushButton;

// The "Tip" section of the program's QSettings.
class CTipSettings : public ITipStore {
  public:
    int64_t ReadNumber(const char* key, int64_t def) override;
    std::string ReadText(const char* key) override;
    void WriteNumber(const char* key, int64_t value) override;
    void WriteText(const char* key, const std::string& value) override;
};

class CTipDlg : public QDialog {
    Q_OBJECT
  public:
    CTipDlg(const std::string& startFolder, ITipStore& store, QWidget* parent = nullptr);
    ~CTipDlg() override;

    QLabel* TipText() const { return tipText_; }
    QCheckBox* ShowOnStartUp() const { return startUp_; }
    QPushButton* NextTip() const { return next_; }

    // Runs the dialog on the program's own settings.
    static void ShowTipOfTheDay(const std::string& startFolder, QWidget* parent = nullptr);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void accept() override;

  private:
    void ShowTip();
    void TellTrouble();

    std::unique_ptr<CTipOfTheDay> tips_;
    QRect frame_;
    QLabel* tipText_;
    QCheckBox* startUp_;
    QPushButton* next_;
    bool troubleTold_ = false;
};
