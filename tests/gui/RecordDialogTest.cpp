// The Record dialog on the virtual recorder: a disc burnt from the main window that is
// the command line's disc byte for byte; the "Image file" recorder's folder and the
// gapless box; Stop, Escape and the close box during the write (each asks first; what a
// stopped run leaves, and the drive it releases: the record run's and the fault matrix's).
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QCheckBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QRadioButton>
#include <filesystem>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "GuiRig.h"
#include "app/DiscFilling.h"
#include "app/ImageRecorder.h"
#include "gui/RecordDialog.h"
#include "recording/RecordDialogControls.h"
#include "recording/RecordDialogLogic.h"
#include "support/Mp3Craft.h"
#include "support/RunCommand.h"
#include "support/TestPaths.h"
#include "virtualdrive/VirtualBus.h"

namespace {
using namespace recordctl;
using testpaths::Fixture;

const std::vector<std::string> kSongs = {Fixture("songs/01 Morning.mp3"),
                                         Fixture("songs/02 Noon.MP3"),
                                         Fixture("songs/More/03 Evening.mp3")};

QAbstractButton* Button(CRecordDialog& dialog, int32_t id) {
    return qobject_cast<QAbstractButton*>(dialog.Control(id));
}
QString LabelText(CRecordDialog& dialog, int32_t id) {
    return static_cast<QLabel*>(dialog.Control(id))->text();
}
// A check box or radio button reacts only on its mark and text, which a control as wide
// as its template's may not have at its centre: those are clicked on the mark.
void Click(CRecordDialog& dialog, int32_t id) {
    QWidget* control = dialog.Control(id);
    QPoint at = control->rect().center();
    if (qobject_cast<QCheckBox*>(control) || qobject_cast<QRadioButton*>(control))
        at.setX(control->height() / 2);
    QTest::mouseClick(control, Qt::LeftButton, Qt::NoModifier, at);
}
// Idle: Test and Record usable, Stop not.
bool Idle(CRecordDialog& dialog) {
    return Button(dialog, kTest)->isEnabled() && Button(dialog, kRecord)->isEnabled() &&
           !Button(dialog, kStop)->isEnabled();
}
bool WaitFor(const std::function<bool()>& condition) {
    return QTest::qWaitFor(condition, 120000);
}

// The Record dialog over the sample songs on the rig's recorder, as the Record command
// opens it.
std::unique_ptr<CRecordDialog> OpenDialog(CMainWindowRig& rig) {
    CBurnerApp& app = rig.App();
    CSongList songs;
    for (const std::string& song : kSongs) songs.AddSong(song);
    FillDiscImage(songs, app.DiscImage());
    auto dialog = std::make_unique<CRecordDialog>(app.Driver(), app.DiscImage(),
                                                  app.NewCdTextBuilder(), rig.Messages(), 0);
    dialog->Logic().SetImageLocator([&app] { return app.LastDiscImage(); });
    dialog->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(dialog.get()));
    return dialog;
}

// The user's way: songs in the main window, Record, 4x, Normalize (on by default here),
// CD-TEXT with an album title, Record, the end of the write, Exit.  The image is the one
// tunevarn-cli burn makes with the same settings.
TEST(ThreadedRecordDialog, RecordFromTheMainWindowBurnsTheDiscOfTheCommandLine) {
    const std::string out = testpaths::TempDir("record-main-out");
    CMainWindowRig rig(CMainWindowRig::VirtualRecorder(out));
    rig.windows.realRecord = true;
    mp3craft::WriteBytes(rig.StartFolder() + "/nml.log", {1, 0, 0, 0});
    rig.Main().DropFiles(kSongs);

    bool burnt = false;
    WhenModal<CRecordDialog>([&](CRecordDialog* d) {
        EXPECT_TRUE(Button(*d, kNormalize)->isChecked());
        Click(*d, kSpeed4x);
        Click(*d, kUseCdText);
        auto* album = static_cast<QLineEdit*>(d->Control(kAlbumTitle));
        album->clear();
        QTest::keyClicks(album, "Sample Album");
        bool told = false;
        WhenModal<QMessageBox>([&](QMessageBox* box) {
            told = box->text().contains(QString::fromStdString(out + "/disc-1"));
            ClickButton(box, "OK");
        });
        Click(*d, kRecord);
        burnt = WaitFor([&] { return Idle(*d); });
        EXPECT_EQ(d->Logic().Session().completed, 1);
        EXPECT_TRUE(WaitFor([&] { return told; })) << "the end names the image";
        Click(*d, kExit);
    });
    WhenModal<QMessageBox>([](QMessageBox* box) { ClickButton(box, "OK"); });  // Noon's 3 s
    rig.Click(CMainWindow::kRecord);
    ASSERT_TRUE(burnt);

    const std::string cliOut = testpaths::TempDir("record-cli-out");
    std::vector<std::string> args = {"burn",      "--speed", "4",           "--normalize",
                                     "--cd-text", "--album", "Sample Album"};
    args.insert(args.end(), kSongs.begin(), kSongs.end());
    auto cli = testpaths::RunCli({"TUNEVARN_VIRTUAL_RECORDER=" + cliOut}, args,
                                 testpaths::TempDir("record-cli"));
    ASSERT_EQ(cli.status, 0) << cli.err;

    // The same layout, titles, audio and CD-TEXT packs (what they hold: the end-to-end tests).
    for (const char* file : {"/disc-1.cue", "/disc-1.bin", "/disc-1.cdt"})
        EXPECT_TRUE(mp3craft::ReadBytes(out + file) == mp3craft::ReadBytes(cliOut + file)) << file;
    // The drive got the speed of the 4x button: 4 x 177 kB/s.
    EXPECT_NE(testpaths::ReadText(out + "/commands-0.log").find("BB 00 FF FF 02 C4"),
              std::string::npos);
}

// With "Image file" chosen, Record asks for the folder (remembered for next time) and
// the end names the image there.  The gapless box lays the disc anew, its totals follow,
// and the next dialog starts with it as it was left; a track-at-once driver disables it.
TEST(ThreadedRecordDialog, TheImageFileAsksForItsFolderAndTheGaplessBoxIsKept) {
    {
        CVirtualDevice::Config tao;
        tao.model = CVirtualDevice::Config::Model::kTrackAtOnce;
        CMainWindowRig rig(std::make_unique<CVirtualBus>(std::vector<CVirtualDevice::Config>{tao}),
                           "MMCTRACK");
        EXPECT_FALSE(Button(*OpenDialog(rig), kGapless)->isEnabled());
    }
    const std::string out = testpaths::TempDir("record-image-out");
    CMainWindowRig rig(WithImageRecorder(nullptr));
    rig.windows.realRecord = true;
    ASSERT_TRUE(rig.App().ImageRecorderChosen());
    mp3craft::WriteBytes(rig.StartFolder() + "/nml.log", {0, 0, 0, 0});
    rig.Main().DropFiles({Fixture("gapless/Καλημέρα.mp3"), Fixture("gapless/夜明けの歌.mp3")});
    const int32_t wholeSeconds = rig.Songs().TotalSeconds();

    bool burnt = false;
    WhenModal<CRecordDialog>([&](CRecordDialog* d) {
        const QString totals = LabelText(*d, kTotals);
        Click(*d, kGapless);
        EXPECT_NE(LabelText(*d, kTotals), totals);
        WhenModal("QFileDialog", [&](QWidget* dialog) {
            auto* files = static_cast<QFileDialog*>(dialog);
            files->setDirectory(QString::fromStdString(out));
            QMetaObject::invokeMethod(files, "accept");  // the Choose button
        });
        bool told = false;
        WhenModal<QMessageBox>([&](QMessageBox* box) {
            told = box->text().contains(QString::fromStdString(out + "/disc-1.cue"));
            ClickButton(box, "OK");
        });
        Click(*d, kRecord);
        burnt = WaitFor([&] { return Idle(*d) && told; });
        Click(*d, kExit);
    });
    rig.Click(CMainWindow::kRecord);
    ASSERT_TRUE(burnt) << "no image named at the end";
    EXPECT_TRUE(std::filesystem::exists(out + "/disc-1.bin"));
    EXPECT_LT(rig.Songs().TotalSeconds(), wholeSeconds) << "the list counts exact lengths";

    // The next Record: the boxes as they were left, the folder dialog where the image went.
    QString folderShown;
    WhenModal<CRecordDialog>([&](CRecordDialog* d) {
        EXPECT_TRUE(Button(*d, kGapless)->isChecked());
        WhenModal("QFileDialog", [&](QWidget* dialog) {
            folderShown = static_cast<QFileDialog*>(dialog)->directory().absolutePath();
            ClickButton(dialog, "Cancel");
        });
        Click(*d, kRecord);
        EXPECT_TRUE(Idle(*d)) << "a cancelled folder starts nothing";
        Click(*d, kExit);
    });
    rig.Click(CMainWindow::kRecord);
    EXPECT_EQ(folderShown.toStdString(), out);
}

TEST(ThreadedRecordDialog, EndingTheDialogDuringTheWriteAsksBeforeItStopsTheRun) {
    // A drive that writes in real time with a buffer too small to hide it: a run stays
    // in its write long enough to be stopped.
    CVirtualDevice::Config slow;
    slow.realTime = true;
    slow.bufferBytes = 65536;
    slow.leadInMinute = 99;
    slow.leadInSecond = 58;
    slow.outputFolder = testpaths::TempDir("record-out");
    CMainWindowRig rig(std::make_unique<CVirtualBus>(std::vector<CVirtualDevice::Config>{slow}));
    auto dialog = OpenDialog(rig);
    CRecordDialog& d = *dialog;
    Click(d, kSpeed4x);  // each write long enough to stop, not to wait for
    CRecordSession& run = d.Logic().Session();
    auto* bar = static_cast<QProgressBar*>(d.Control(kProgress));
    auto writing = [&] {
        return run.phase.load() == CRecordSession::kPhaseWritingTracks && run.progress.load() >= 20;
    };
    Click(d, kRecord);
    ASSERT_TRUE(WaitFor(writing));
    // The bar moves between the phase line's 2-second updates.
    std::set<int> positions;
    for (int i = 0; i < 20; ++i) {
        QTest::qWait(50);
        positions.insert(bar->value());
    }
    EXPECT_GE(positions.size(), 3u);
    // The disc being written keeps its layout.
    EXPECT_FALSE(Button(d, kGapless)->isEnabled());
    Click(d, kStop);
    EXPECT_FALSE(d.Logic().RunActive());
    EXPECT_TRUE(Idle(d));
    EXPECT_TRUE(Button(d, kGapless)->isEnabled());

    // Exit, Escape and the close box would end the dialog: they ask first, and the run
    // goes on unless the user says to stop it.
    const std::pair<const char*, std::function<void()>> ways[] = {
        {"Exit", [&] { Click(d, kExit); }},
        {"Escape", [&] { QTest::keyClick(&d, Qt::Key_Escape); }},
        {"close box", [&] { d.close(); }}};
    for (const auto& [way, end] : ways) {
        d.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&d));
        Click(d, kRecord);
        ASSERT_TRUE(WaitFor(writing)) << way;
        for (const bool stop : {false, true}) {
            WhenModal<QMessageBox>(
                [stop](QMessageBox* box) { ClickButton(box, stop ? "Yes" : "No"); });
            end();
            EXPECT_EQ(d.isVisible(), !stop) << way;
            EXPECT_EQ(d.Logic().RunActive(), !stop) << way;
        }
    }
    EXPECT_EQ(run.completed, 0);
}

}  // namespace
