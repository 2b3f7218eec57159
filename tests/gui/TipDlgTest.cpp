// Tip of the Day through its window, on the program's own settings store: Next Tip reads
// on, Close stores the check box and the close box does not (the tips' rules: TipOfTheDayTest).
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <fstream>

#include "GuiRig.h"
#include "gui/TipDlg.h"
#include "support/TestPaths.h"

namespace {
TEST(TipDialog, NextTipReadsOnAndOnlyCloseStoresTheCheckBox) {
    QSettings().remove("Tip");
    const std::string folder = testpaths::TempDir("gui-tips");
    std::ofstream(folder + "/tips.txt", std::ios::binary) << "First tip\nSecond tip\n";
    for (bool closeButton : {false, true}) {
        CTipSettings settings;
        CTipDlg dialog(folder, settings);
        dialog.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
        EXPECT_EQ(dialog.TipText()->text(), "First tip");
        QTest::mouseClick(dialog.NextTip(), Qt::LeftButton);
        EXPECT_EQ(dialog.TipText()->text(), "Second tip");
        QTest::mouseClick(dialog.ShowOnStartUp(), Qt::LeftButton);
        if (closeButton)
            ClickButton(&dialog, "Close");
        else
            dialog.close();
        EXPECT_EQ(QSettings().contains("Tip/StartUp"), closeButton);
    }
    EXPECT_EQ(QSettings().value("Tip/StartUp").toInt(), 1);
}

}  // namespace
