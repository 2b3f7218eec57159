// The main window through its widgets: pictures, list, menus, keys and drops.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QRadioButton>
#include <QScrollBar>
#include <QTextBrowser>
#include <QToolTip>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>

#include "GuiRig.h"
#include "gui/HelpWindow.h"
#include "gui/SongListView.h"
#include "support/TestPaths.h"
#include "ui/LanguageTable.h"

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

// Three songs of different titles.
void AddThree(CMainWindowRig& rig) {
    rig.Drop(rig.Viewport(), QPoint(20, 20),
             {Song("songs/01 Morning.mp3"), Song("songs/02 Noon.MP3"),
              Song("songs/More/03 Evening.mp3")});
    ASSERT_EQ(rig.Names(), (std::vector<std::string>{kMorning, kNoon, kEvening}));
}

std::vector<std::string> MenuLines(QMenu* menu) {
    std::vector<std::string> lines;
    for (QAction* action : menu->actions()) {
        if (action->isSeparator())
            lines.push_back("-");
        else if (action->menu() != nullptr)
            lines.push_back(action->text().toStdString() + " >");
        else
            lines.push_back(std::to_string(action->data().toInt()) + " " +
                            action->text().toStdString());
    }
    return lines;
}

TEST(MainWindow, LayoutAtTheTopLeftWithItsColumns) {
    CMainWindowRig rig;
    W& w = rig.Window();
    EXPECT_EQ(w.size(), QSize(640, 480));
    EXPECT_EQ(w.windowTitle(), "Tunevarn");
    EXPECT_TRUE(w.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(w.PictureButtonRect(W::kNewList), QRect(169, 22, 38, 36));
    EXPECT_EQ(w.PictureButtonRect(W::kExit), QRect(550, 41, 46, 25));
    EXPECT_EQ(w.PictureButtonRect(W::kLanguage), QRect(6, 412, 19, 19));
    EXPECT_EQ(w.PictureButtonRect(W::kRename), QRect(24, 435, 88, 17));
    EXPECT_EQ(w.PictureButtonRect(W::kMinimize), QRect(615, 55, 19, 18));
    EXPECT_EQ(w.ListView()->geometry(), QRect(29, 98, 581, 335));
    EXPECT_EQ(w.TotalsLine()->geometry(), QRect(29, 78, 600, 20));
    EXPECT_EQ(w.RecorderLine()->geometry(), QRect(120, 438, 350, 20));
    QHeaderView* header = w.ListView()->header();
    EXPECT_EQ(header->sectionSize(0), 300);
    EXPECT_EQ(header->sectionSize(1), 80);
    // The Full Path column takes the rest: an empty list does not scroll sideways.
    EXPECT_FALSE(w.ListView()->horizontalScrollBar()->isVisible());
    auto* model = w.ListView()->model();
    EXPECT_EQ(model->headerData(0, Qt::Horizontal).toString(), "MP3 Title");
    EXPECT_EQ(model->headerData(1, Qt::Horizontal).toString(), "Time");
    EXPECT_EQ(model->headerData(2, Qt::Horizontal).toString(), "Full Path");
    EXPECT_EQ(w.TotalsLine()->text(),
              "0 songs, total time: 00:00, time left:<74min disc>74:00 <80min disc>80:00");
    EXPECT_EQ(w.RecorderLine()->text(), "No CDR driver found.");
    // The tooltip names the shortcut.
    EXPECT_EQ(
        w.PictureButtonTooltip(W::kInsert),
        "Add MP3 files. (" + QKeySequence(Qt::Key_Insert).toString(QKeySequence::NativeText) + ")");
}

TEST(MainWindow, HoverFollowsTheMouseOnAndOffEveryPicture) {
    CMainWindowRig rig(true);
    AddThree(rig);
    W& w = rig.Window();
    for (int32_t id : kAllButtons) {
        rig.Hover(rig.Centre(id));
        EXPECT_TRUE(w.IsPictureButtonHovered(id)) << id;
        EXPECT_NE(w.cursor().shape(), Qt::ArrowCursor) << id;
        // One pixel outside the picture, on the background.
        QRect r = w.PictureButtonRect(id);
        QPoint outside = r.right() + 2 < 640 ? QPoint(r.right() + 2, r.center().y())
                                             : QPoint(r.left() - 2, r.center().y());
        rig.Hover(outside);
        EXPECT_FALSE(w.IsPictureButtonHovered(id)) << id;
        EXPECT_EQ(w.cursor().shape(), Qt::ArrowCursor) << id;
    }
    // Straight off the window from a picture.
    rig.Hover(rig.Centre(W::kExit));
    ASSERT_TRUE(w.IsPictureButtonHovered(W::kExit));
    QTest::mouseMove(&w, QPoint(700, 45));
    EXPECT_FALSE(w.IsPictureButtonHovered(W::kExit));
}

TEST(MainWindow, RecordAndDeleteNeitherHighlightNorReactOnAnEmptyList) {
    CMainWindowRig rig(true);
    W& w = rig.Window();
    EXPECT_EQ(w.RecorderLine()->text().left(13), "CD Recorder: ");
    std::map<int32_t, QImage> dimmed;
    for (int32_t id : {W::kRecord, W::kDelete}) {
        rig.Hover(rig.Centre(id));
        EXPECT_FALSE(w.IsPictureButtonHovered(id));
        EXPECT_EQ(w.cursor().shape(), Qt::ArrowCursor);
        rig.Click(id);
        // The tooltip says why; the picture looks other than an enabled one.
        EXPECT_TRUE(w.PictureButtonTooltip(id).contains(QLatin1Char('\n'))) << id;
        dimmed[id] = w.grab(w.PictureButtonRect(id)).toImage();
    }
    QTest::keyClick(&w, Qt::Key_R, Qt::ControlModifier);
    EXPECT_TRUE(rig.windows.records.empty());

    // Songs listed and a recorder: both come alive; Delete removes the selected songs.
    AddThree(rig);
    EXPECT_TRUE(w.IsPictureButtonEnabled(W::kRecord));
    EXPECT_TRUE(w.IsPictureButtonEnabled(W::kDelete));
    rig.Hover(QPoint(320, 470));
    for (int32_t id : {W::kRecord, W::kDelete}) {
        EXPECT_FALSE(w.PictureButtonTooltip(id).contains(QLatin1Char('\n'))) << id;
        EXPECT_NE(w.grab(w.PictureButtonRect(id)).toImage(), dimmed[id]) << id;
    }
    rig.Hover(QPoint(320, 60));
    rig.Hover(rig.Centre(W::kDelete));
    EXPECT_TRUE(w.IsPictureButtonHovered(W::kDelete));
    QTest::mouseClick(rig.Viewport(), Qt::LeftButton, Qt::NoModifier, rig.RowPoint(0));
    QTest::mouseClick(rig.Viewport(), Qt::LeftButton, Qt::ControlModifier, rig.RowPoint(2));
    rig.Click(W::kDelete);
    EXPECT_EQ(rig.Names(), std::vector<std::string>{kNoon});

    // Deleting the last song disables both again.
    rig.Click(W::kDelete);
    EXPECT_EQ(rig.Songs().RowCount(), 0);
    EXPECT_FALSE(w.IsPictureButtonEnabled(W::kRecord));
    EXPECT_FALSE(w.IsPictureButtonEnabled(W::kDelete));
}

TEST(MainWindow, RecordStaysDisabledWithSongsButNoRecorder) {
    CMainWindowRig rig(false);
    AddThree(rig);
    EXPECT_TRUE(rig.Window().IsPictureButtonEnabled(W::kDelete));
    EXPECT_FALSE(rig.Window().IsPictureButtonEnabled(W::kRecord));
    rig.Hover(rig.Centre(W::kRecord));
    EXPECT_FALSE(rig.Window().IsPictureButtonHovered(W::kRecord));
    rig.Click(W::kRecord);
    EXPECT_TRUE(rig.windows.records.empty());
}

TEST(MainWindow, RecordOpensTheRecordDialogAfterTheNormalizingQuestion) {
    CMainWindowRig rig(true);
    AddThree(rig);
    WhenModal("CNormalizeInfoDlg", [](QWidget* dialog) {
        QTest::mouseClick(dialog->findChildren<QRadioButton*>().at(1), Qt::LeftButton);
        ClickButton(dialog, "OK");
    });
    // Noon lasts 3 seconds: the user learns that its track is made up to the shortest a
    // CD allows.
    QString told;
    WhenModal<QMessageBox>([&told](QMessageBox* box) {
        told = box->text();
        ClickButton(box, "OK");
    });
    rig.Click(W::kRecord);
    EXPECT_TRUE(told.contains("4 seconds")) << told.toStdString();
    // "OFF by default" was chosen and stored: the dialog starts with normalizing off.
    EXPECT_EQ(rig.windows.records, std::vector<int32_t>{0});
    EXPECT_TRUE(std::filesystem::exists(rig.StartFolder() + "/nml.log"));
}

TEST(MainWindow, ContextMenuOnlyAtTheHeightOfARow) {
    CMainWindowRig rig;
    AddThree(rig);
    W& w = rig.Window();
    // Below the last row: nothing.
    QPoint below(50, rig.RowPoint(2).y() + 40);
    rig.RightClickList(below);
    EXPECT_EQ(w.OpenMenu(), nullptr);

    // Right of the last column of row 1: the menu, with row 1 selected and focused.
    QPoint right(rig.Viewport()->width() - 4, rig.RowPoint(1).y());
    rig.RightClickList(right);
    ASSERT_NE(w.OpenMenu(), nullptr);
    EXPECT_EQ(rig.Songs().FocusedRow(), 1);
    EXPECT_TRUE(rig.Songs().IsSelected(1));
    EXPECT_EQ(MenuLines(w.OpenMenu()),
              (std::vector<std::string>{"32771 &Play", "1024 &Rename Title", "32778 Export &Wav",
                                        "32777 Export Raw Audio&Track", "Export &Song List >", "-",
                                        "32772 &Up", "32773 &Down", "-", "1001 &Insert",
                                        "1002 &Delete", "-", "32779 &Tips of the day"}));
    QMenu* sub = w.OpenMenu()->actions().at(4)->menu();
    EXPECT_EQ(MenuLines(sub),
              (std::vector<std::string>{"32781 To &WinAmp M3U Play List",
                                        "32782 To Sonique PLS Play List",
                                        "32783 To Text File for CD Label Printing"}));
    // Down on the row the menu belongs to.
    ChooseMenuItem(w.OpenMenu(), W::kMenuDown);
    EXPECT_EQ(rig.Names(), (std::vector<std::string>{kMorning, kEvening, kNoon}));
}

// The Menu key and Shift+F10 open the focused row's menu; on a list without a focused row
// a menu of what needs none.
TEST(MainWindow, ContextMenuFromTheKeyboard) {
    CMainWindowRig rig;
    W& w = rig.Window();
    QTest::keyClick(w.ListView(), Qt::Key_F10, Qt::ShiftModifier);
    ASSERT_NE(w.OpenMenu(), nullptr);
    EXPECT_EQ(MenuLines(w.OpenMenu()),
              (std::vector<std::string>{"1001 &Insert", "-", "32779 &Tips of the day"}));
    w.OpenMenu()->close();

    AddThree(rig);
    QTest::mouseClick(rig.Viewport(), Qt::LeftButton, Qt::NoModifier, rig.RowPoint(1));
    QContextMenuEvent key(QContextMenuEvent::Keyboard, QPoint(-1, -1), QPoint(-1, -1));
    QApplication::sendEvent(w.ListView(), &key);
    ASSERT_NE(w.OpenMenu(), nullptr);
    EXPECT_EQ(w.OpenMenu()->actions().size(), 13);
    // Next to its row, which Down then moves.
    const QRect row = w.ListView()->visualRect(w.ListView()->model()->index(1, 0));
    EXPECT_LT(std::abs(w.OpenMenu()->pos().y() - rig.Viewport()->mapToGlobal(row.bottomLeft()).y()),
              row.height() * 2);
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
    EXPECT_TRUE(rig.Window().ListView()->IsDragging());
    EXPECT_EQ(rig.Window().ListView()->DropRow(), 2) << "the line shows where it lands";
    EXPECT_NE(view->cursor().shape(), Qt::ArrowCursor);
    EXPECT_NE(view->cursor().shape(), Qt::ForbiddenCursor);
    QTest::mouseRelease(view, Qt::LeftButton, Qt::NoModifier, rig.RowPoint(2, 200));
    EXPECT_EQ(rig.Names(), (std::vector<std::string>{kNoon, kMorning, kEvening}));
    EXPECT_EQ(rig.Songs().FocusedRow(), 1);
    EXPECT_EQ(rig.Songs().SelectedRows(), std::vector<int32_t>{1});
    EXPECT_EQ(rig.Window().ListView()->currentIndex().row(), 1);

    // Upwards: the last row in front of the first.
    QTest::mousePress(view, Qt::LeftButton, Qt::NoModifier, rig.RowPoint(2));
    QTest::mouseMove(view, rig.RowPoint(0));
    QTest::mouseRelease(view, Qt::LeftButton, Qt::NoModifier, rig.RowPoint(0));
    EXPECT_EQ(rig.Names(), (std::vector<std::string>{kEvening, kNoon, kMorning}));

    // Released below the last row: nothing moves, and "not allowed" was shown there.
    QPoint below(40, rig.RowPoint(2).y() + 60);
    QTest::mousePress(view, Qt::LeftButton, Qt::NoModifier, rig.RowPoint(0));
    QTest::mouseMove(view, below);
    EXPECT_EQ(view->cursor().shape(), Qt::ForbiddenCursor);
    EXPECT_EQ(rig.Window().ListView()->DropRow(), -1);
    QTest::mouseRelease(view, Qt::LeftButton, Qt::NoModifier, below);
    EXPECT_EQ(rig.Names(), (std::vector<std::string>{kEvening, kNoon, kMorning}));
    EXPECT_FALSE(rig.Window().ListView()->IsDragging());
}

TEST(MainWindow, DroppedFolderAddsItsSongsInFrontOfTheFocusedRow) {
    CMainWindowRig rig;
    rig.Drop(rig.Viewport(), QPoint(30, 30),
             {Song("m1_44100_stereo.mp3"), Song("id3v1_space.mp3")});
    ASSERT_EQ(rig.Names(), (std::vector<std::string>{"m1_44100_stereo", "id3v1_space"}));
    // Focus the second row, then drop a folder (with a text file and a hidden folder in
    // the fixtures) and a file that is not a song.
    QTest::mouseClick(rig.Viewport(), Qt::LeftButton, Qt::NoModifier, rig.RowPoint(1));
    rig.Drop(&rig.Window(), QPoint(300, 60), {Song("songs"), Song("garbage.mp3")});
    EXPECT_EQ(rig.Names(), (std::vector<std::string>{"m1_44100_stereo", kMorning, kNoon, kEvening,
                                                     "id3v1_space"}));
    EXPECT_EQ(rig.Window().TotalsLine()->text().left(8), "5 songs,");
    EXPECT_TRUE(rig.Window().IsPictureButtonEnabled(W::kDelete));
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

// Escape, the close box and Exit ask before a changed list is lost, and only then.
TEST(MainWindow, EndingAsksAboutAChangedListOnly) {
    CMainWindowRig rig;
    W& w = rig.Window();
    QTest::keyClick(&w, Qt::Key_Escape);
    EXPECT_FALSE(w.isVisible()) << "nothing listed: no question";

    w.show();
    AddThree(rig);
    int asked = 0;
    auto answer = [&](const QString& button) {
        WhenModal<QMessageBox>([&asked, button](QMessageBox* box) {
            ++asked;
            ClickButton(box, button);
        });
    };
    answer("Cancel");
    QTest::keyClick(&w, Qt::Key_Escape);
    EXPECT_TRUE(w.isVisible());
    answer("Cancel");
    rig.Click(W::kExit);
    EXPECT_TRUE(w.isVisible());
    answer("Discard");
    w.close();
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(asked, 3);
    EXPECT_EQ(rig.Songs().RowCount(), 3) << "the list goes with the window, not before";
}

// Every picture from the keyboard: Tab reaches each, Space or Enter presses it, each has
// its tooltip as the name a screen reader announces, and the common shortcuts work.
TEST(MainWindow, EveryPictureFromTheKeyboard) {
    CMainWindowRig rig(true);
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

    for (int32_t id : kAllButtons) {
        QAccessibleInterface* key = QAccessible::queryAccessibleInterface(w.PictureButtonKey(id));
        ASSERT_NE(key, nullptr);
        EXPECT_EQ(key->role(), QAccessible::PushButton) << id;
        EXPECT_FALSE(key->text(QAccessible::Name).isEmpty()) << id;
        EXPECT_TRUE(w.PictureButtonTooltip(id).startsWith(key->text(QAccessible::Name))) << id;
    }
    QAccessibleInterface* list = QAccessible::queryAccessibleInterface(w.ListView());
    EXPECT_FALSE(list->text(QAccessible::Name).isEmpty());
    EXPECT_NE(w.ListView()
                  ->model()
                  ->index(0, 0)
                  .data(Qt::AccessibleTextRole)
                  .toString()
                  .indexOf(QString::fromStdString(rig.Songs().Title(0))),
              -1);

    // The focus shows on the picture that has it.
    const QRect print = w.PictureButtonRect(W::kPrintCover);
    const QImage unfocused = w.grab(print).toImage();
    w.PictureButtonKey(W::kPrintCover)->setFocus(Qt::TabFocusReason);
    EXPECT_NE(w.grab(print).toImage(), unfocused);
    QTest::keyClick(w.PictureButtonKey(W::kPrintCover), Qt::Key_Space);
    EXPECT_EQ(rig.windows.covers, 1);
    w.PictureButtonKey(W::kMinimize)->setFocus(Qt::TabFocusReason);
    QTest::keyClick(w.PictureButtonKey(W::kMinimize), Qt::Key_Return);
    EXPECT_TRUE(w.windowState() & Qt::WindowMinimized);
    w.showNormal();
    QApplication::setActiveWindow(&w);

    // Shortcuts, wherever the focus is.
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

TEST(MainWindow, MovesWithoutAFocusedSongWarn) {
    CMainWindowRig rig;
    AddThree(rig);
    QString text;
    QString title;
    WhenModal<QMessageBox>([&](QMessageBox* box) {
        text = box->text();
        title = box->windowTitle();
        ClickButton(box, "OK");
    });
    rig.Click(W::kUp);
    EXPECT_EQ(title, "Warning");
    EXPECT_EQ(text, "You should select a MP3 file in the list first.");
    // With a focus, the picture buttons move the song.
    QTest::mouseClick(rig.Viewport(), Qt::LeftButton, Qt::NoModifier, rig.RowPoint(2));
    rig.Click(W::kTop);
    EXPECT_EQ(rig.Names(), (std::vector<std::string>{kEvening, kMorning, kNoon}));
    rig.Click(W::kBottom);
    rig.Click(W::kUp);
    EXPECT_EQ(rig.Names(), (std::vector<std::string>{kMorning, kEvening, kNoon}));
    rig.Click(W::kPrintCover);
    EXPECT_EQ(rig.windows.covers, 1);
    WhenModal<QMessageBox>([](QMessageBox* box) { ClickButton(box, "Discard"); });
    rig.Click(W::kNewList);
    EXPECT_TRUE(rig.Names().empty());
}

// Help: the browser's, the program's own window without one, and a word when the page
// is missing.
TEST(MainWindow, HelpWithAndWithoutABrowser) {
    CMainWindowRig rig;
    const std::string help = rig.StartFolder() + "/Help.htm";
    QString said;
    WhenModal<QMessageBox>([&](QMessageBox* box) {
        said = box->text();
        ClickButton(box, "OK");
    });
    rig.Click(W::kHelp);
    EXPECT_TRUE(said.contains(QString::fromStdString(help)));
    EXPECT_TRUE(rig.shell.opened.empty());

    std::ofstream(help) << "<html><head><title>Sample help</title></head><body>"
                           "<p id=\"top\">Sample text</p></body></html>";
    rig.Click(W::kHelp);
    EXPECT_EQ(rig.shell.opened, std::vector<std::string>{help});
    EXPECT_EQ(rig.Window().HelpWindow(), nullptr);
    rig.shell.hasBrowser = false;
    rig.Click(W::kHelp);
    CHelpWindow* window = rig.Window().HelpWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->windowTitle(), "Sample help");
    EXPECT_TRUE(window->Browser()->toPlainText().contains("Sample text"));
}

TEST(MainWindow, ChoosingALanguageRetitlesEverythingAtOnce) {
    CMainWindowRig rig;
    std::filesystem::create_directories(rig.StartFolder() + "/Language");
    std::ofstream(rig.StartFolder() + "/Language/Pig.txt")
        << "[Info]\nLanguage=Piglatin\n[String]\n"
           "MP3 Title=Itle-tay\nTime=Ime-tay\nFull Path=Ath-pay\n"
           "%d songs, total time: %02d:%02d, time left:<74min disc>%02d:%02d <80min "
           "disc>%02d:%02d=%d ongs-say %02d:%02d (%02d:%02d / %02d:%02d)\n"
           "No CDR driver found.=O-nay ecorder-ray\n"
           "Add MP3 files.=Add-ay ongs-say\n";
    LanguageTable().EnumerateLanguages();
    AddThree(rig);
    W& w = rig.Window();

    rig.Click(W::kLanguage);
    QMenu* menu = w.OpenMenu();
    ASSERT_NE(menu, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(menu));
    std::vector<std::string> lines = MenuLines(menu);
    EXPECT_EQ(lines, (std::vector<std::string>{"15000 English (Default)", "-", "15001 Piglatin"}));
    EXPECT_TRUE(menu->actions().at(0)->isChecked());
    ChooseMenuItem(menu, 15001);

    auto* model = w.ListView()->model();
    EXPECT_EQ(model->headerData(0, Qt::Horizontal).toString(), "Itle-tay");
    EXPECT_EQ(model->headerData(1, Qt::Horizontal).toString(), "Ime-tay");
    EXPECT_EQ(w.ListView()->header()->model()->headerData(2, Qt::Horizontal).toString(), "Ath-pay");
    const int32_t total = rig.Songs().TotalSeconds();
    char expected[64];
    std::snprintf(expected, sizeof expected, "3 ongs-say %02d:%02d (%02d:%02d / %02d:%02d)",
                  total / 60, total % 60, (4440 - total) / 60, (4440 - total) % 60,
                  (4800 - total) / 60, (4800 - total) % 60);
    EXPECT_EQ(w.TotalsLine()->text().toStdString(), expected);
    EXPECT_EQ(w.RecorderLine()->text(), "O-nay ecorder-ray");
    EXPECT_TRUE(w.PictureButtonTooltip(W::kInsert).startsWith("Add-ay ongs-say ("));
    // The tooltip itself, 10 ms after the mouse came.
    rig.Hover(rig.Centre(W::kInsert));
    for (int i = 0; i < 200 && !QToolTip::isVisible(); ++i) QTest::qWait(10);
    EXPECT_TRUE(QToolTip::isVisible());
    EXPECT_EQ(QToolTip::text(), w.PictureButtonTooltip(W::kInsert));
    rig.Hover(QPoint(320, 470));

    // Remembered for the next start.
    std::ifstream set(rig.StartFolder() + "/language.set");
    std::string name;
    std::getline(set, name);
    EXPECT_EQ(name, "Piglatin");

    // And back: the menu shows the check mark on the current language.
    rig.Click(W::kLanguage);
    ASSERT_NE(w.OpenMenu(), nullptr);
    EXPECT_TRUE(w.OpenMenu()->actions().at(2)->isChecked());
    ChooseMenuItem(w.OpenMenu(), 15000);
    EXPECT_EQ(model->headerData(0, Qt::Horizontal).toString(), "MP3 Title");
    EXPECT_EQ(w.RecorderLine()->text(), "No CDR driver found.");
}

TEST(MainWindow, MinimizeAndExit) {
    CMainWindowRig rig;
    rig.Click(W::kMinimize);
    EXPECT_TRUE(rig.Window().windowState() & Qt::WindowMinimized);
    rig.Window().showNormal();
    rig.Click(W::kExit);
    EXPECT_FALSE(rig.Window().isVisible());
}
}  // namespace
