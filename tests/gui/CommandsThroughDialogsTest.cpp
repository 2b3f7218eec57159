// A user's session with the mouse: songs added through the Insert dialog, one renamed,
// the project saved and opened again, a song exported as WAV, a slip of the save dialog
// that would have written over a song.
#include <gtest/gtest.h>

#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <filesystem>

#include "GuiRig.h"
#include "gui/RenameDlg.h"
#include "gui/SongListView.h"
#include "recording/AudioExport.h"
#include "support/Mp3Craft.h"
#include "support/TestPaths.h"

namespace {
using W = CMainWindow;

TEST(CommandsThroughDialogs, InsertRenameSaveOpenAndExport) {
    CMainWindowRig rig;
    const std::string songs = testpaths::Fixture("songs");
    const std::string out = testpaths::TempDir("gui-out");

    // Insert: two files chosen in the open dialog, which starts in the start folder.
    QString folderShown;
    QStringList types;
    WhenModal("QFileDialog", [&](QWidget* dialog) {
        auto* fd = static_cast<QFileDialog*>(dialog);
        folderShown = fd->directory().absolutePath();
        types = fd->nameFilters();
        fd->setDirectory(QString::fromStdString(songs));
        ChooseInFileDialog(dialog, "\"01 Morning.mp3\" \"02 Noon.MP3\"");
    });
    rig.Click(W::kInsert);
    EXPECT_EQ(rig.Names(), (std::vector<std::string>{"01 Morning", "02 Noon"}));
    EXPECT_EQ(std::filesystem::file_size(rig.StartFolder() + "/MP3.dir"), 256u);
    // The file type names its pattern once.
    ASSERT_EQ(types.size(), 1);
    EXPECT_EQ(types[0].count(QStringLiteral("*.mp3")), 1) << types[0].toStdString();
    // The next Insert dialog opens where the last one picked.
    WhenModal("QFileDialog", [&](QWidget* dialog) {
        folderShown = static_cast<QFileDialog*>(dialog)->directory().absolutePath();
        ClickButton(dialog, "Cancel");
    });
    rig.Click(W::kInsert);
    EXPECT_EQ(folderShown.toStdString(), songs);

    // Rename the second song.
    QTest::mouseClick(rig.Viewport(), Qt::LeftButton, Qt::NoModifier, rig.RowPoint(1));
    const std::string firstTitle = rig.Songs().Title(0);
    const QString noon = QString::fromStdString(rig.Songs().Title(1));
    WhenModal("CRenameDlg", [noon](QWidget* dialog) {
        EXPECT_EQ(dialog->windowTitle(), "Rename MP3 title");
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
    WhenModal("QFileDialog", [&](QWidget* dialog) {
        folderShown = static_cast<QFileDialog*>(dialog)->directory().absolutePath();
        ChooseInFileDialog(dialog, "album.MPJ");
    });
    rig.Click(W::kOpenProject);
    EXPECT_EQ(folderShown.toStdString(), out);
    EXPECT_EQ(rig.Titles(), (std::vector<std::string>{firstTitle, "High Noon"}));
    EXPECT_TRUE(rig.Window().IsPictureButtonEnabled(W::kDelete));

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
    // The song's whole seconds of CD audio and the header.
    EXPECT_EQ(std::filesystem::file_size(out + "/morning.wav"),
              44u + static_cast<uintmax_t>(rig.Songs().SongDuration(0)) * 176400u);

    // Saving the project over a song of the list, named through a link, is refused with
    // a message naming the file, even after the dialog's question was answered Yes.
    const std::string song = out + "/kept.mp3";
    std::filesystem::copy_file(songs + "/01 Morning.mp3", song);
    ASSERT_EQ(rig.Songs().AddSong(song), AddSongResult::kAdded);
    std::filesystem::create_symlink("kept.mp3", out + "/link.MPJ");
    QString refusal;
    WhenModal("QFileDialog", [&](QWidget* dialog) {
        static_cast<QFileDialog*>(dialog)->setDirectory(QString::fromStdString(out));
        WhenModal<QMessageBox>([&](QMessageBox* replace) {
            WhenModal<QMessageBox>([&](QMessageBox* box) {
                refusal = box->text();
                ClickButton(box, "OK");
            });
            ClickButton(replace, "Yes");
        });
        ChooseInFileDialog(dialog, "link.MPJ");
    });
    rig.Click(W::kSaveProject);
    EXPECT_TRUE(refusal.contains(QString::fromStdString(out + "/link.MPJ")))
        << refusal.toStdString();
    EXPECT_TRUE(std::filesystem::is_symlink(out + "/link.MPJ"));
    EXPECT_TRUE(mp3craft::ReadBytes(song) == mp3craft::ReadBytes(songs + "/01 Morning.mp3"));
}
}  // namespace
