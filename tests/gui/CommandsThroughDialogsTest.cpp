// A user's session with the mouse: songs added through the Insert dialog, one renamed,
// the project saved and opened again, a song exported as WAV.
#include <gtest/gtest.h>

#include <QFileDialog>
#include <QLineEdit>
#include <QMenu>
#include <filesystem>

#include "GuiRig.h"
#include "gui/RenameDlg.h"
#include "gui/SongListView.h"
#include "recording/AudioExport.h"
#include "support/TestPaths.h"

namespace {
using W = CMainWindow;

TEST(CommandsThroughDialogs, InsertRenameSaveOpenAndExport) {
    CMainWindowRig rig;
    const std::string songs = testpaths::Fixture("songs");
    const std::string out = testpaths::TempDir("gui-out");

    // Insert: two files chosen in the open dialog, whose file type names its pattern once.
    QStringList types;
    WhenModal("QFileDialog", [&](QWidget* dialog) {
        auto* fd = static_cast<QFileDialog*>(dialog);
        types = fd->nameFilters();
        fd->setDirectory(QString::fromStdString(songs));
        ChooseInFileDialog(dialog, "\"01 Morning.mp3\" \"02 Noon.MP3\"");
    });
    rig.Click(W::kInsert);
    EXPECT_EQ(rig.Names(), (std::vector<std::string>{"01 Morning", "02 Noon"}));
    ASSERT_EQ(types.size(), 1);
    EXPECT_EQ(types[0].count(QStringLiteral("*.mp3")), 1) << types[0].toStdString();

    // Rename the second song.
    QTest::mouseClick(rig.Viewport(), Qt::LeftButton, Qt::NoModifier, rig.RowPoint(1));
    const std::string firstTitle = rig.Songs().Title(0);
    const QString noon = QString::fromStdString(rig.Songs().Title(1));
    WhenModal("CRenameDlg", [noon](QWidget* dialog) {
        QLineEdit* edit = static_cast<CRenameDlg*>(dialog)->Edit();
        EXPECT_EQ(edit->text(), noon);
        edit->selectAll();
        QTest::keyClicks(edit, "High Noon");
        ClickButton(dialog, "OK");
    });
    rig.Click(W::kRename);
    EXPECT_EQ(rig.Titles(), (std::vector<std::string>{firstTitle, "High Noon"}));
    // Cancel, labelled "Exit", changes nothing.
    WhenModal("CRenameDlg", [](QWidget* dialog) {
        QTest::keyClicks(static_cast<CRenameDlg*>(dialog)->Edit(), "zzz");
        ClickButton(dialog, "Exit");
    });
    rig.Click(W::kRename);
    EXPECT_EQ(rig.Titles(), (std::vector<std::string>{firstTitle, "High Noon"}));

    // Save the project; the name gets its extension.
    WhenModal("QFileDialog", [&](QWidget* dialog) {
        static_cast<QFileDialog*>(dialog)->setDirectory(QString::fromStdString(out));
        ChooseInFileDialog(dialog, "album");
    });
    rig.Click(W::kSaveProject);
    ASSERT_TRUE(std::filesystem::exists(out + "/album.MPJ"));
    EXPECT_TRUE(
        rig.Window().TotalsLine()->text().contains(QString::fromStdString(out + "/album.MPJ")))
        << "the status line names the file written";

    // A new list, then the project opened again.
    rig.Click(W::kNewList);
    EXPECT_TRUE(rig.Titles().empty());
    WhenModal("QFileDialog", [&](QWidget* dialog) { ChooseInFileDialog(dialog, "album.MPJ"); });
    rig.Click(W::kOpenProject);
    EXPECT_EQ(rig.Titles(), (std::vector<std::string>{firstTitle, "High Noon"}));

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
}
}  // namespace
