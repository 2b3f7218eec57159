// The skinned window base: click order over overlapping pictures, disabled pictures,
// tooltips, the background drag and the default menu.
#include <gtest/gtest.h>

#include <QContextMenuEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QTest>
#include <QToolTip>
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

TEST(SkinDialog, ClicksGoToTheFirstEnabledPictureInHitOrder) {
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
}

TEST(SkinDialog, TooltipShowsAtOnceOverAPicture) {
    CTwoButtons dialog;
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    QTest::mouseMove(&dialog, QPoint(22, 30));
    for (int i = 0; i < 100 && !QToolTip::isVisible(); ++i) QTest::qWait(5);
    EXPECT_TRUE(QToolTip::isVisible());
    EXPECT_EQ(QToolTip::text(), "Clear old MP3 list, start a new list.");
    QTest::mouseMove(&dialog, QPoint(200, 150));
    QToolTip::hideText();
}

TEST(SkinDialog, DraggingTheBackgroundMovesTheWindow) {
    CTwoButtons dialog;
    dialog.move(100, 100);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
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

TEST(SkinDialog, TextsAreWhiteOverThePictureAndTheMenuEdits) {
    CTwoButtons dialog;
    auto* label = new QLabel("Over the picture", &dialog);
    auto* edit = new QLineEdit("some text", &dialog);
    edit->setGeometry(100, 100, 120, 24);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    EXPECT_EQ(label->palette().color(QPalette::WindowText), QColor(Qt::white));
    EXPECT_FALSE(label->autoFillBackground());
    EXPECT_NE(edit->palette().color(QPalette::Text), QColor(Qt::white));

    // Cut from the default menu takes the selected text of the focused field.
    edit->setFocus();
    edit->selectAll();
    QContextMenuEvent event(QContextMenuEvent::Keyboard, QPoint(-1, -1), QPoint(-1, -1));
    QApplication::sendEvent(&dialog, &event);
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    ASSERT_NE(menu, nullptr);
    ASSERT_EQ(menu->actions().size(), 3);
    EXPECT_EQ(menu->actions().at(0)->text(), "Cu&t");
    EXPECT_EQ(menu->pos(), dialog.mapToGlobal(QPoint(5, 5)));
    QTest::mouseClick(menu, Qt::LeftButton, Qt::NoModifier,
                      menu->actionGeometry(menu->actions().at(0)).center());
    EXPECT_EQ(edit->text(), "");
}
}  // namespace
