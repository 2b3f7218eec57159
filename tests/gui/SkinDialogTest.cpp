// The skinned window base: click order over overlapping pictures, disabled pictures and
// the background drag.
#include <gtest/gtest.h>

#include <QTest>
#include <vector>

#include "gui/SkinDialog.h"

namespace {
class CTwoButtons : public CSkinDialog {
  public:
    CTwoButtons() {
        SetBackground(140, kCentre);
        resize(300, 200);
        // Two pictures that overlap between x = 30 and 57.
        AddPictureButton({7, 142, 143, {20, 20}, 32774});
        AddPictureButton({8, 142, 143, {30, 20}, 32775});
        SetHitTestOrder({8, 7});
    }
    std::vector<int32_t> clicked;

  protected:
    void OnPictureClicked(int32_t id) override { clicked.push_back(id); }
};

TEST(SkinDialog, ClicksGoToTheFirstEnabledPictureInHitOrderAndTheBackgroundDrags) {
    CTwoButtons dialog;
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    QPoint overlap(40, 30);
    QTest::mouseClick(&dialog, Qt::LeftButton, Qt::NoModifier, overlap);
    QTest::mouseClick(&dialog, Qt::LeftButton, Qt::NoModifier, QPoint(22, 30));
    EXPECT_EQ(dialog.clicked, (std::vector<int32_t>{8, 7}));
    // Disabled, the first picture lets the click through to the one under it, and shows
    // no hover.
    dialog.SetPictureButtonEnabled(8, false);
    QTest::mouseMove(&dialog, QPoint(62, 30));
    EXPECT_FALSE(dialog.IsPictureButtonHovered(8));
    QTest::mouseClick(&dialog, Qt::LeftButton, Qt::NoModifier, overlap);
    EXPECT_EQ(dialog.clicked, (std::vector<int32_t>{8, 7, 7}));
    // Both hovered where they overlap, as each tests its own rectangle.
    dialog.SetPictureButtonEnabled(8, true);
    QTest::mouseMove(&dialog, overlap);
    EXPECT_TRUE(dialog.IsPictureButtonHovered(7));
    EXPECT_TRUE(dialog.IsPictureButtonHovered(8));

    // Dragging the background moves the window.
    QPoint before = dialog.pos();
    QTest::mousePress(&dialog, Qt::LeftButton, Qt::NoModifier, QPoint(150, 150));
    QTest::mouseMove(&dialog, QPoint(180, 170));
    QTest::mouseRelease(&dialog, Qt::LeftButton, Qt::NoModifier, QPoint(180, 170));
    EXPECT_EQ(dialog.pos(), before + QPoint(30, 20));
    // A press on a picture does not move it.
    QTest::mousePress(&dialog, Qt::LeftButton, Qt::NoModifier, QPoint(22, 30));
    QTest::mouseMove(&dialog, QPoint(60, 90));
    QTest::mouseRelease(&dialog, Qt::LeftButton, Qt::NoModifier, QPoint(60, 90));
    EXPECT_EQ(dialog.pos(), before + QPoint(30, 20));
}

}  // namespace
