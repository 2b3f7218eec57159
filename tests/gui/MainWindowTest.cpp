// The main window through its widgets, in one user's session: pictures, list, menus, keys
// and drops; songs added through the Insert dialog, one renamed, the project saved and
// opened again, a song exported as WAV; and the question before a changed list is lost.
#include <gtest/gtest.h>

#include <QApplication>
#include <QContextMenuEvent>
#include <QFileDialog>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <filesystem>
#include <fstream>
#include <set>

#include "GuiRig.h"
#include "gui/CoverDialog.h"
#include "gui/RenameDlg.h"
#include "gui/SongListView.h"
#include "recording/AudioExport.h"
#include "support/TestPaths.h"

namespace {
using W = CMainWindow;
using Names = std::vector<std::string>;

const int32_t kAllButtons[] = {
    W::kNewList, W::kOpenProject, W::kSaveProject, W::kRecord, W::kPrintCover, W::kHelp,
    W::kInsert,  W::kDelete,      W::kExit,        W::kTop,    W::kUp,         W::kPlay,
    W::kDown,    W::kBottom,      W::kLanguage,    W::kRename, W::kMinimize};

// The sample songs, by file name.
const std::string kMorning = "01 Morning";
const std::string kNoon = "02 Noon";
const std::string kEvening = "03 Evening";

// The commands of a menu's items.
std::set<int32_t> MenuCommands(QMenu* menu) {
    std::set<int32_t> ids;
    for (QAction* action : menu->actions())
        if (!action->isSeparator())
            ids.insert(action->data().toInt());
    return ids;
}

TEST(MainWindow, OneSessionThroughEveryTrigger) {
    CMainWindowRig rig(CMainWindowRig::VirtualRecorder(testpaths::TempDir("gui-recorder")));
    W& w = rig.Window();
    QWidget* view = rig.Viewport();
    CSongListView* list = w.ListView();
    const std::string songs = testpaths::Fixture("songs");
    const std::string out = testpaths::TempDir("gui-out");

    // Shift+F10 on a list without a focused row: a menu of what needs none.
    QTest::keyClick(list, Qt::Key_F10, Qt::ShiftModifier);
    ASSERT_NE(w.OpenMenu(), nullptr);
    EXPECT_EQ(MenuCommands(w.OpenMenu()), (std::set<int32_t>{W::kMenuInsert, W::kMenuTips}));
    w.OpenMenu()->close();

    // Three songs dropped on the window outside the list.
    rig.Drop(&w, QPoint(300, 60),
             {songs + "/01 Morning.mp3", songs + "/02 Noon.MP3", songs + "/More/03 Evening.mp3"});
    ASSERT_EQ(rig.Names(), (Names{kMorning, kNoon, kEvening}));

    // The Menu key opens the focused row's menu.
    QTest::mouseClick(view, Qt::LeftButton, Qt::NoModifier, rig.RowPoint(1));
    QContextMenuEvent key(QContextMenuEvent::Keyboard, QPoint(-1, -1), QPoint(-1, -1));
    QApplication::sendEvent(list, &key);
    ASSERT_NE(w.OpenMenu(), nullptr);
    ChooseMenuItem(w.OpenMenu(), W::kMenuDown);
    EXPECT_EQ(rig.Names(), (Names{kMorning, kEvening, kNoon}));

    // Each of the four move pictures moves the focused row its own way, and the focus
    // goes along.
    QTest::mouseClick(view, Qt::LeftButton, Qt::NoModifier, rig.RowPoint(1));
    const std::pair<int32_t, Names> moves[] = {{W::kDown, {kMorning, kNoon, kEvening}},
                                               {W::kUp, {kMorning, kEvening, kNoon}},
                                               {W::kTop, {kEvening, kMorning, kNoon}},
                                               {W::kBottom, {kMorning, kNoon, kEvening}}};
    for (const auto& [picture, names] : moves) {
        rig.Click(picture);
        EXPECT_EQ(rig.Names(), names) << picture;
    }

    // A dragged row lands in front of the row it is dropped on.
    QTest::mousePress(view, Qt::LeftButton, Qt::NoModifier, rig.RowPoint(0));
    QTest::mouseMove(view, rig.RowPoint(1));
    QTest::mouseMove(view, rig.RowPoint(2, 200));
    EXPECT_EQ(list->DropRow(), 2) << "the line shows where it lands";
    QTest::mouseRelease(view, Qt::LeftButton, Qt::NoModifier, rig.RowPoint(2, 200));
    EXPECT_EQ(rig.Names(), (Names{kNoon, kMorning, kEvening}));
    // Released below the last row: nothing moves, and "not allowed" was shown there.
    QPoint below(40, rig.RowPoint(2).y() + 60);
    QTest::mousePress(view, Qt::LeftButton, Qt::NoModifier, rig.RowPoint(0));
    QTest::mouseMove(view, below);
    EXPECT_EQ(view->cursor().shape(), Qt::ForbiddenCursor);
    QTest::mouseRelease(view, Qt::LeftButton, Qt::NoModifier, below);
    EXPECT_EQ(rig.Names(), (Names{kNoon, kMorning, kEvening}));
    EXPECT_FALSE(list->IsDragging());

    // Double-click plays from that row, and so does Enter.
    QTest::mouseClick(view, Qt::LeftButton, Qt::NoModifier, rig.RowPoint(1));
    QTest::mouseDClick(view, Qt::LeftButton, Qt::NoModifier, rig.RowPoint(1));
    QTest::keyClick(list, Qt::Key_Down);
    QTest::keyClick(list, Qt::Key_Return);
    ASSERT_EQ(rig.windows.played.size(), 2u);
    EXPECT_EQ(rig.windows.played[0].current, 1);
    EXPECT_EQ(rig.windows.played[1].current, 2);

    // Every picture from the keyboard: Tab reaches each, which has a name to announce, Space
    // or Enter presses it, and the common shortcuts work wherever the focus is.
    std::set<int32_t> reached;
    QApplication::setActiveWindow(&w);
    list->setFocus();
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
    list->setFocus();
    QTest::keyClick(list, Qt::Key_P, Qt::ControlModifier);
    EXPECT_EQ(rig.windows.covers, 2);
    std::ofstream(rig.StartFolder() + "/Help.htm") << "<html></html>";
    QTest::keyClick(list, Qt::Key_F1);
    EXPECT_EQ(rig.shell.opened.size(), 1u);
    WhenModal("QFileDialog", [](QWidget* dialog) { ClickButton(dialog, "Cancel"); });
    QTest::keyClick(list, Qt::Key_O, Qt::ControlModifier);
    EXPECT_EQ(rig.Songs().RowCount(), 3);
    QApplication::setActiveWindow(&w);  // back from the dialog
    WhenModal("CNormalizeInfoDlg", [](QWidget* dialog) { ClickButton(dialog, "OK"); });
    WhenModal<QMessageBox>([](QMessageBox* box) { ClickButton(box, "OK"); });  // Noon's 3 s
    QTest::keyClick(list, Qt::Key_R, Qt::ControlModifier);
    EXPECT_EQ(rig.windows.records.size(), 1u);

    // The real cover dialog gets the song list (as the list gives them: CoverTest).
    std::vector<CCoverSong> covered;
    WhenModal<CCoverDialog>([&](CCoverDialog* dialog) {
        covered = dialog->Cover().Songs();
        QTest::mouseClick(dialog->Button(CCoverDialog::kExit), Qt::LeftButton);
    });
    CModalWindows().RunCoverDialog(&w, rig.Main());
    ASSERT_EQ(covered.size(), 3u);
    EXPECT_EQ(covered[2].title, rig.Songs().Row(2).title);
    QApplication::setActiveWindow(&w);

    // Delete with two rows selected removes both; the Insert key opens the Insert dialog,
    // and cancelling it adds nothing.
    QTest::mouseClick(view, Qt::LeftButton, Qt::NoModifier, rig.RowPoint(0));
    QTest::mouseClick(view, Qt::LeftButton, Qt::ShiftModifier, rig.RowPoint(1));
    QTest::keyClick(list, Qt::Key_Delete);
    EXPECT_EQ(rig.Names(), Names{kEvening});
    WhenModal("QFileDialog", [](QWidget* dialog) { ClickButton(dialog, "Cancel"); });
    QTest::keyClick(list, Qt::Key_Insert);
    EXPECT_EQ(rig.Names(), Names{kEvening});

    // Escape, Exit and the close box ask before the changed list is lost, and Cancel keeps
    // the window; a new list asked for is given.
    int asked = 0;
    const std::pair<const char*, std::function<void()>> ways[] = {
        {"Escape", [&] { QTest::keyClick(&w, Qt::Key_Escape); }},
        {"Exit", [&] { rig.Click(W::kExit); }},
        {"close box", [&] { w.close(); }},
        {"New", [&] { rig.Click(W::kNewList); }}};
    for (const auto& [way, act] : ways) {
        const bool last = std::string(way) == "New";
        WhenModal<QMessageBox>([&asked, last](QMessageBox* box) {
            ++asked;
            ClickButton(box, last ? "Discard" : "Cancel");
        });
        act();
        EXPECT_TRUE(w.isVisible()) << way;
        EXPECT_EQ(rig.Songs().RowCount(), last ? 0 : 1) << way;
    }
    EXPECT_EQ(asked, 4);

    // Insert: two files chosen in the open dialog, whose file type names its pattern once.
    QStringList types;
    WhenModal("QFileDialog", [&](QWidget* dialog) {
        auto* fd = static_cast<QFileDialog*>(dialog);
        types = fd->nameFilters();
        fd->setDirectory(QString::fromStdString(songs));
        ChooseInFileDialog(dialog, "\"01 Morning.mp3\" \"02 Noon.MP3\"");
    });
    rig.Click(W::kInsert);
    EXPECT_EQ(rig.Names(), (Names{kMorning, kNoon}));
    ASSERT_EQ(types.size(), 1);
    EXPECT_EQ(types[0].count(QStringLiteral("*.mp3")), 1) << types[0].toStdString();

    // Rename the second song; Cancel, labelled "Exit", changes nothing.
    QTest::mouseClick(view, Qt::LeftButton, Qt::NoModifier, rig.RowPoint(1));
    const std::string firstTitle = rig.Songs().Title(0);
    const QString noon = QString::fromStdString(rig.Songs().Title(1));
    for (const char* button : {"OK", "Exit"}) {
        WhenModal("CRenameDlg", [noon, button](QWidget* dialog) {
            QLineEdit* edit = static_cast<CRenameDlg*>(dialog)->Edit();
            EXPECT_EQ(edit->text(), *button == 'O' ? noon : QString("High Noon"));
            edit->selectAll();
            QTest::keyClicks(edit, *button == 'O' ? "High Noon" : "zzz");
            ClickButton(dialog, button);
        });
        rig.Click(W::kRename);
        EXPECT_EQ(rig.Titles(), (Names{firstTitle, "High Noon"}));
    }

    // Save the project; the name gets its extension.
    WhenModal("QFileDialog", [&](QWidget* dialog) {
        static_cast<QFileDialog*>(dialog)->setDirectory(QString::fromStdString(out));
        ChooseInFileDialog(dialog, "album");
    });
    rig.Click(W::kSaveProject);
    ASSERT_TRUE(std::filesystem::exists(out + "/album.MPJ"));
    EXPECT_TRUE(w.TotalsLine()->text().contains(QString::fromStdString(out + "/album.MPJ")))
        << "the status line names the file written";

    // A new list, then the project opened again.
    rig.Click(W::kNewList);
    EXPECT_TRUE(rig.Titles().empty());
    WhenModal("QFileDialog", [&](QWidget* dialog) { ChooseInFileDialog(dialog, "album.MPJ"); });
    rig.Click(W::kOpenProject);
    EXPECT_EQ(rig.Titles(), (Names{firstTitle, "High Noon"}));

    // Export the first song as WAV from the list's menu: the dialog suggests the title.
    QString suggested;
    WhenModal("QFileDialog", [&](QWidget* dialog) {
        static_cast<QFileDialog*>(dialog)->setDirectory(QString::fromStdString(out));
        suggested = dialog->findChild<QLineEdit*>("fileNameEdit")->text();
        ChooseInFileDialog(dialog, "morning.wav");
    });
    QMenu* menu = rig.RightClickList(rig.RowPoint(0));
    ASSERT_NE(menu, nullptr);
    ChooseMenuItem(menu, W::kMenuExportWav);
    EXPECT_EQ(suggested.toStdString(), SuggestedWavName(firstTitle));
    EXPECT_TRUE(std::filesystem::exists(out + "/morning.wav"));

    // A list as it was saved goes with the window without a question.
    w.close();
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(asked, 4);
}

}  // namespace
