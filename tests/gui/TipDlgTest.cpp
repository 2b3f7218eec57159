// Tip of the Day through its window, on the program's own settings store.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <utime.h>
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <filesystem>
#include <fstream>

#include "GuiRig.h"
#include "gui/TipDlg.h"
#include "support/TestPaths.h"

namespace {
void WriteTips(const std::string& folder, const std::string& text, time_t mtime) {
    std::string path = folder + "/tips.txt";
    std::ofstream(path, std::ios::binary) << text;
    struct utimbuf times {
        mtime, mtime
    };
    ::utime(path.c_str(), &times);
}

// Opens the dialog, lets look run on it, then closes it with Close or the close box.
void Open(const std::string& folder, const std::function<void(CTipDlg&)>& look, bool closeButton) {
    CTipSettings settings;
    CTipDlg dialog(folder, settings);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    look(dialog);
    if (closeButton)
        ClickButton(&dialog, "Close");
    else
        dialog.reject();
}

std::string Shown(CTipDlg& dialog) {
    return dialog.TipText()->text().toStdString();
}

TEST(TipDialog, TipsGoRoundAndAChangedFileStartsAgain) {
    QSettings().remove("Tip");
    std::string folder = testpaths::TempDir("gui-tips");
    WriteTips(folder, "; a comment\n  indented, not a tip\n\nFirst tip\r\nSecond tip\n;end\n",
              1000000000);
    Open(
        folder,
        [](CTipDlg& d) {
            EXPECT_EQ(Shown(d), "First tip");
            EXPECT_TRUE(d.ShowOnStartUp()->isChecked());
            EXPECT_TRUE(d.NextTip()->isEnabled());
            QTest::mouseClick(d.NextTip(), Qt::LeftButton);
            EXPECT_EQ(Shown(d), "Second tip");
            // After the last tip, the first again.
            QTest::mouseClick(d.NextTip(), Qt::LeftButton);
            EXPECT_EQ(Shown(d), "First tip");
        },
        true);
    EXPECT_EQ(QSettings().value("Tip/StartUp").toInt(), 0);

    // The next opening goes on after the tip shown last.
    Open(
        folder, [](CTipDlg& d) { EXPECT_EQ(Shown(d), "Second tip"); }, true);

    // Another file (another modification time) starts at its first tip.
    WriteTips(folder, "New first\nNew second\n", 1100000000);
    Open(
        folder, [](CTipDlg& d) { EXPECT_EQ(Shown(d), "New first"); }, true);
    EXPECT_EQ(QSettings().value("Tip/TimeStamp").toString().size(), 24);
}

}  // namespace
