// The main window through its widgets: pictures, list, menus, keys and drops.
#include <gtest/gtest.h>

#include <QApplication>
#include <QContextMenuEvent>
#include <QMenu>
#include <QMessageBox>
#include <fstream>
#include <set>

#include "GuiRig.h"
#include "gui/SongListView.h"
#include "support/TestPaths.h"

namespace {
using W = CMainWindow;

const int32_t kAllButtons[] = {
    W::kNewList, W::kOpenProject, W::kSaveProject, W::kRecord, W::kPrintCover, W::kHelp,
    W::kInsert,  W::kDelete,      W::kExit,        W::kTop,    W::kUp,         W::kPlay,
    W::kDown,    W::kBottom,      W::kLanguage,    W::kRename, W::kMinimize};

// The sample songs, by file name.
const std::string kMorning = "01 Morning";
const std::string kNoon = "02 Noon";
const std::string kEvening = "03 Evening";

std::string Song(const std::string& name) {
    return testpaths::Fixture(name);
}

// Three songs of different titles, dropped on the window outside the list.
void AddThree(CMainWindowRig& rig) {
    rig.Drop(&rig.Window(), QPoint(300, 60),
             {Song("songs/01 Morning.mp3"), Song("songs/02 Noon.MP3"),
              Song("songs/More/03 Evening.mp3")});
    ASSERT_EQ(rig.Names(), (std::vector<std::string>{kMorning, kNoon, kEvening}));
}

// The commands of a menu's items.
std::set<int32_t> MenuCommands(QMenu* menu) {
    std::set<int32_t> ids;
    for (QAction* action : menu->actions())
        if (!action->isSeparator())
            ids.insert(action->data().toInt());
    return ids;
}

// The Menu key and Shift+F10 open the focused row's menu; on a list without a focused row
// a menu of what needs none.
TEST(MainWindow, ContextMenuFromTheKeyboard) {
    CMainWindowRig rig;
    W& w = rig.Window();
    QTest::keyClick(w.ListView(), Qt::Key_F10, Qt::ShiftModifier);
    ASSERT_NE(w.OpenMenu(), nullptr);
    EXPECT_EQ(MenuCommands(w.OpenMenu()), (std::set<int32_t>{W::kMenuInsert, W::kMenuTips}));
    w.OpenMenu()->close();

    AddThree(rig);
    QTest::mouseClick(rig.Viewport(), Qt::LeftButton, Qt::NoModifier, rig.RowPoint(1));
    QContextMenuEvent key(QContextMenuEvent::Keyboard, QPoint(-1, -1), QPoint(-1, -1));
    QApplication::sendEvent(w.ListView(), &key);
    ASSERT_NE(w.OpenMenu(), nullptr);
    ChooseMenuItem(w.OpenMenu(), W::kMenuDown);
    EXPECT_EQ(rig.Names(), (std::vector<std::string>{kMorning, kEvening, kNoon}));
}

TEST(MainWindow, DraggingARowPlacesItInFrontOfTheRowItIsDroppedOn) {
    CMainWindowRig rig;
    AddThree(rig);
    QWidget* view = rig.Viewport();
    QTest::mousePress(view, Qt::LeftButton, Qt::NoModifier, rig.RowPoint(0));
    QTest::mouseMove(view, rig.RowPoint(1));
    QTest::mouseMove(view, rig.RowPoint(2, 200));
    EXPECT_EQ(rig.Window().ListView()->DropRow(), 2) << "the line shows where it lands";
    QTest::mouseRelease(view, Qt::LeftButton, Qt::NoModifier, rig.RowPoint(2, 200));
    EXPECT_EQ(rig.Names(), (std::vector<std::string>{kNoon, kMorning, kEvening}));
    EXPECT_EQ(rig.Songs().SelectedRows(), std::vector<int32_t>{1});
    EXPECT_EQ(rig.Window().ListView()->currentIndex().row(), 1);

    // Released below the last row: nothing moves, and "not allowed" was shown there.
    QPoint below(40, rig.RowPoint(2).y() + 60);
    QTest::mousePress(view, Qt::LeftButton, Qt::NoModifier, rig.RowPoint(0));
    QTest::mouseMove(view, below);
    EXPECT_EQ(view->cursor().shape(), Qt::ForbiddenCursor);
    QTest::mouseRelease(view, Qt::LeftButton, Qt::NoModifier, below);
    EXPECT_EQ(rig.Names(), (std::vector<std::string>{kNoon, kMorning, kEvening}));
    EXPECT_FALSE(rig.Window().ListView()->IsDragging());
}

// Each of the four move pictures moves the focused row its own way, and the focus goes along.
TEST(MainWindow, TheMovePicturesMoveTheFocusedRow) {
    CMainWindowRig rig;
    AddThree(rig);
    QTest::mouseClick(rig.Viewport(), Qt::LeftButton, Qt::NoModifier, rig.RowPoint(1));
    const std::pair<int32_t, std::vector<std::string>> moves[] = {
        {W::kDown, {kMorning, kEvening, kNoon}},
        {W::kUp, {kMorning, kNoon, kEvening}},
        {W::kTop, {kNoon, kMorning, kEvening}},
        {W::kBottom, {kMorning, kEvening, kNoon}},
    };
    for (const auto& [picture, names] : moves) {
        rig.Click(picture);
        EXPECT_EQ(rig.Names(), names) << picture;
    }
}

TEST(MainWindow, KeysAndDoubleClickInTheList) {
    CMainWindowRig rig;
    AddThree(rig);
    QWidget* view = rig.Viewport();
    CSongListView* list = rig.Window().ListView();
    // Double-click plays from that row, and so does Enter.
    QTest::mouseClick(view, Qt::LeftButton, Qt::NoModifier, rig.RowPoint(1));
    QTest::mouseDClick(view, Qt::LeftButton, Qt::NoModifier, rig.RowPoint(1));
    ASSERT_EQ(rig.windows.played.size(), 1u);
    EXPECT_EQ(rig.windows.played[0].current, 1);
    EXPECT_EQ(rig.windows.played[0].titles.size(), 3u);
    QTest::keyClick(list, Qt::Key_Down);
    QTest::keyClick(list, Qt::Key_Return);
    ASSERT_EQ(rig.windows.played.size(), 2u);
    EXPECT_EQ(rig.windows.played[1].current, 2);
    EXPECT_TRUE(rig.Window().isVisible());

    // Delete with two rows selected removes both.
    QTest::mouseClick(view, Qt::LeftButton, Qt::NoModifier, rig.RowPoint(0));
    QTest::mouseClick(view, Qt::LeftButton, Qt::ShiftModifier, rig.RowPoint(1));
    QTest::keyClick(list, Qt::Key_Delete);
    EXPECT_EQ(rig.Names(), std::vector<std::string>{kEvening});

    // Insert opens the Insert dialog; cancelling it adds nothing.
    WhenModal("QFileDialog", [](QWidget* dialog) { ClickButton(dialog, "Cancel"); });
    QTest::keyClick(list, Qt::Key_Insert);
    EXPECT_EQ(rig.Names(), std::vector<std::string>{kEvening});
}

// Escape, Exit and the close box ask before a changed list is lost (Cancel keeps the
// window), and only then.
TEST(MainWindow, EndingAsksAboutAChangedListOnly) {
    CMainWindowRig rig;
    W& w = rig.Window();
    QTest::keyClick(&w, Qt::Key_Escape);
    EXPECT_FALSE(w.isVisible()) << "nothing listed: no question";
    w.show();
    AddThree(rig);
    int asked = 0;
    const std::pair<const char*, std::function<void()>> ways[] = {
        {"Escape", [&] { QTest::keyClick(&w, Qt::Key_Escape); }},
        {"Exit", [&] { rig.Click(W::kExit); }},
        {"close box", [&] { w.close(); }}};
    for (const auto& [way, end] : ways) {
        const bool last = std::string(way) == "close box";
        WhenModal<QMessageBox>([&asked, last](QMessageBox* box) {
            ++asked;
            ClickButton(box, last ? "Discard" : "Cancel");
        });
        end();
        EXPECT_EQ(w.isVisible(), !last) << way;
    }
    EXPECT_EQ(asked, 3);
    EXPECT_EQ(rig.Songs().RowCount(), 3) << "the list goes with the window, not before";
}

// Every picture from the keyboard: Tab reaches each, which has a name to announce, Space
// or Enter presses it, and the common shortcuts work wherever the focus is.
TEST(MainWindow, EveryPictureFromTheKeyboard) {
    CMainWindowRig rig(CMainWindowRig::VirtualRecorder(testpaths::TempDir("gui-recorder")));
    AddThree(rig);
    W& w = rig.Window();
    w.ListView()->setFocus();
    std::set<int32_t> reached;
    for (int i = 0; i < 40; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        for (int32_t id : kAllButtons)
            if (QApplication::focusWidget() == w.PictureButtonKey(id))
                reached.insert(id);
    }
    EXPECT_EQ(reached, std::set<int32_t>(std::begin(kAllButtons), std::end(kAllButtons)));
    for (int32_t id : kAllButtons)  // what a screen reader announces
        EXPECT_FALSE(w.PictureButtonKey(id)->accessibleName().isEmpty()) << id;
    w.PictureButtonKey(W::kPrintCover)->setFocus(Qt::TabFocusReason);
    QTest::keyClick(w.PictureButtonKey(W::kPrintCover), Qt::Key_Space);
    EXPECT_EQ(rig.windows.covers, 1);
    w.PictureButtonKey(W::kMinimize)->setFocus(Qt::TabFocusReason);
    QTest::keyClick(w.PictureButtonKey(W::kMinimize), Qt::Key_Return);
    EXPECT_TRUE(w.windowState() & Qt::WindowMinimized);
    w.showNormal();
    QApplication::setActiveWindow(&w);

    w.ListView()->setFocus();
    QTest::keyClick(w.ListView(), Qt::Key_P, Qt::ControlModifier);
    EXPECT_EQ(rig.windows.covers, 2);
    std::ofstream(rig.StartFolder() + "/Help.htm") << "<html></html>";
    QTest::keyClick(w.ListView(), Qt::Key_F1);
    EXPECT_EQ(rig.shell.opened.size(), 1u);
    WhenModal("QFileDialog", [](QWidget* dialog) { ClickButton(dialog, "Cancel"); });
    QTest::keyClick(w.ListView(), Qt::Key_O, Qt::ControlModifier);
    EXPECT_EQ(rig.Songs().RowCount(), 3);
    QApplication::setActiveWindow(&w);  // back from the dialog
    WhenModal("CNormalizeInfoDlg", [](QWidget* dialog) { ClickButton(dialog, "OK"); });
    WhenModal<QMessageBox>([](QMessageBox* box) { ClickButton(box, "OK"); });  // Noon's 3 s
    QTest::keyClick(w.ListView(), Qt::Key_R, Qt::ControlModifier);
    EXPECT_EQ(rig.windows.records.size(), 1u);
}

}  // namespace
