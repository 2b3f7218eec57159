// The Record dialog on the virtual recorder: a disc burnt from the main window that is
// the command line's disc byte for byte, Stop, Escape and the close box during the write
// (each asks first), a driver's message while the worker waits, the "Image file"
// recorder's folder and the gapless box.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QThread>
#include <QTimerEvent>
#include <QToolButton>
#include <filesystem>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "GuiRig.h"
#include "app/BackendChoice.h"
#include "app/DiscFilling.h"
#include "app/ImageRecorder.h"
#include "base/ProcessFlags.h"
#include "disc/CdTextBuilder.h"
#include "disc/DiscTestSupport.h"
#include "drivers/RecorderDiscovery.h"
#include "gui/RecordDialog.h"
#include "gui/UpDown.h"
#include "recording/RecordDialogControls.h"
#include "recording/RecordDialogLogic.h"
#include "recording/RecordWorker.h"
#include "support/CdInfo.h"
#include "support/Mp3Craft.h"
#include "support/RunCommand.h"
#include "support/TestPaths.h"
#include "ui/LanguageTable.h"
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
// A check box or radio button reacts only on its mark and text, which a control as wide
// as its template's may not have at its centre: those are clicked on the mark.
QString LabelText(CRecordDialog& dialog, int32_t id) {
    auto* label = qobject_cast<QLabel*>(dialog.Control(id));
    return label ? label->text() : QString();
}
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
bool Running(CRecordDialog& dialog) {
    return !Button(dialog, kTest)->isEnabled() && !Button(dialog, kRecord)->isEnabled() &&
           Button(dialog, kStop)->isEnabled();
}

void English(const std::string& start) {
    LanguageTable().SetStartFolder(start);
    LanguageTable().EnumerateLanguages();
    LanguageTable().SelectLanguage(0);
}

// A dialog over a disc of silent tracks and no recorder: what it shows by itself.
struct CDialogOnly {
    std::unique_ptr<CDiscImage> disc;
    CCdTextBuilder cdText;
    CDriverMessages messages;
    std::unique_ptr<CRecordDialog> dialog;

    CDialogOnly(const std::vector<int32_t>& seconds, int32_t normalizeOn) {
        English(testpaths::TempDir("record-dialog"));
        ProcessFlags().cdTextCapable = 1;
        disc = disctest::MakeDisc(seconds);
        dialog =
            std::make_unique<CRecordDialog>(nullptr, *disc, cdText, messages.Queue(), normalizeOn);
        dialog->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(dialog.get()));
    }
};

// The application with one virtual recorder writing into a folder of its own, the songs
// on its disc as the record command puts them there.
struct CRecorderRig {
    std::string start = testpaths::TempDir("record-start");
    std::string out = testpaths::TempDir("record-out");
    CDriverMessages messages;
    std::unique_ptr<CBurnerApp> app;

    explicit CRecorderRig(CVirtualDevice::Config config = {}, const std::string& driver = "") {
        English(start);
        app = std::make_unique<CBurnerApp>(start, messages.Queue());
        config.outputFolder = out;
        app->Transport().UseBackend(
            std::make_unique<CVirtualBus>(std::vector<CVirtualDevice::Config>{config}));
        app->Recorders().SetDriverOverride(driver);
        struct First : IChooseRecorder {
            int32_t ChooseRecorder(const std::vector<std::string>&) override { return 0; }
        } first;
        app->Recorders().DetectRecorders(start, first);
        EXPECT_NE(app->Driver(), nullptr);
        CSongList songs;
        for (const std::string& song : kSongs) songs.AddSong(song);
        FillDiscImage(songs, app->DiscImage());
        app->NewCdTextBuilder();
    }
    ~CRecorderRig() { ProcessFlags().cdTextInUse = 0; }

    std::unique_ptr<CRecordDialog> Open(int32_t normalizeOn = 0) {
        auto dialog = std::make_unique<CRecordDialog>(
            app->Driver(), app->DiscImage(), *app->CdTextBuilder(), messages.Queue(), normalizeOn);
        dialog->Logic().SetImageLocator([this] { return app->LastDiscImage(); });
        dialog->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(dialog.get()));
        return dialog;
    }
    // What the recorder wrote besides its command log.
    std::vector<std::string> Images() const {
        std::vector<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(out))
            if (e.path().filename().string().rfind("commands-", 0) != 0)
                names.push_back(e.path().filename().string());
        return names;
    }
};

// A drive that writes in real time at the speed asked for, with a buffer too small to hide
// it: a run stays in its write long enough to be stopped.
CVirtualDevice::Config SlowDrive() {
    CVirtualDevice::Config config;
    config.realTime = true;
    config.bufferBytes = 65536;
    config.leadInMinute = 99;
    config.leadInSecond = 58;
    return config;
}

bool WaitFor(const std::function<bool()>& condition, int ms = 120000) {
    return QTest::qWaitFor(condition, ms);
}

// The main window shown over an application whose first recorder on backend is chosen,
// as the desktop program starts with one drive.
struct CMainWindowRig {
    CDriverMessages messages;
    CBurnerApp app;
    CModalWindows windows;
    CFakeShell shell;
    std::unique_ptr<CMainWindow> window;
    std::unique_ptr<CMainDialog> main;

    CMainWindowRig(const std::string& start, std::unique_ptr<IScsiBackend> backend)
        : app(start, messages.Queue()) {
        app.Transport().UseBackend(std::move(backend));
        struct First : IChooseRecorder {
            int32_t ChooseRecorder(const std::vector<std::string>&) override { return 0; }
        } first;
        app.Recorders().DetectRecorders(start, first);
        windows.SetDriverMessages(messages.Queue());
        window = std::make_unique<CMainWindow>(app, windows);
        main = std::make_unique<CMainDialog>(*window, shell, app);
        window->Present(*main);
        window->show();
    }
};

// The user's way: songs in the main window, Record, 4x, Normalize (on by default here),
// CD-TEXT with an album title, Record, the end of the write, Exit.  The image is the one
// tunevarn-cli burn makes with the same settings, and cd-info reads every title from it.
TEST(ThreadedRecordDialog, RecordFromTheMainWindowBurnsTheDiscOfTheCommandLine) {
    const std::string start = testpaths::TempDir("record-main");
    const std::string out = testpaths::TempDir("record-main-out");
    English(start);
    mp3craft::WriteBytes(start + "/nml.log", {1, 0, 0, 0});
    std::string problem;
    CMainWindowRig rig(start, ChooseScsiBackend(out.c_str(), nullptr, problem));
    CMainWindow& window = *rig.window;
    CMainDialog& main = *rig.main;
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    main.DropFiles(kSongs);
    ASSERT_EQ(main.SongList().RowCount(), 3);

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
        EXPECT_TRUE(Running(*d));
        burnt = WaitFor([&] { return Idle(*d); });
        EXPECT_EQ(d->Logic().Session().completed, 1);
        EXPECT_TRUE(WaitFor([&] { return told; })) << "the end names the image";
        Click(*d, kExit);
    });
    WhenModal<QMessageBox>([](QMessageBox* box) { ClickButton(box, "OK"); });  // Noon's 3 s
    const QPoint record = window.PictureButtonRect(CMainWindow::kRecord).center();
    QTest::mouseMove(&window, record);
    QTest::mouseClick(&window, Qt::LeftButton, Qt::NoModifier, record);
    ASSERT_TRUE(burnt);
    window.Unbind();

    const std::string cliStart = testpaths::TempDir("record-cli");
    const std::string cliOut = testpaths::TempDir("record-cli-out");
    std::vector<std::string> argv = {"/usr/bin/env",
                                     "-u",
                                     "TUNEVARN_VIRTUAL_BUS",
                                     "TUNEVARN_VIRTUAL_RECORDER=" + cliOut,
                                     testpaths::Cli(),
                                     "burn",
                                     "--speed",
                                     "4",
                                     "--normalize",
                                     "--cd-text",
                                     "--album",
                                     "Sample Album"};
    argv.insert(argv.end(), kSongs.begin(), kSongs.end());
    auto cli = testpaths::RunProgram(argv, cliStart);
    ASSERT_EQ(cli.status, 0) << cli.err;

    const testpaths::CdInfo shown = testpaths::ReadWithCdInfo(out + "/disc-1.cue");
    const testpaths::CdInfo expected = testpaths::ReadWithCdInfo(cliOut + "/disc-1.cue");
    ASSERT_EQ(shown.lsn.size(), 3u);
    EXPECT_EQ(shown.lsn, expected.lsn);
    EXPECT_EQ(shown.leadOut, expected.leadOut);
    EXPECT_EQ(shown.titles,
              (std::vector<std::string>{"Sample Album", main.SongList().Title(0),
                                        main.SongList().Title(1), main.SongList().Title(2)}));
    EXPECT_EQ(shown.titles, expected.titles);
    const auto audio = mp3craft::ReadBytes(out + "/disc-1.bin");
    EXPECT_EQ(audio.size(), static_cast<size_t>(shown.leadOut) * 2352u);
    EXPECT_TRUE(audio == mp3craft::ReadBytes(cliOut + "/disc-1.bin")) << "the audio differs";
    EXPECT_TRUE(mp3craft::ReadBytes(out + "/disc-1.cdt") ==
                mp3craft::ReadBytes(cliOut + "/disc-1.cdt"));
    // The drive got the speed of the 4x button: 4 x 177 kB/s.
    const auto commands = mp3craft::ReadBytes(out + "/commands-0.log");
    EXPECT_NE(std::string(commands.begin(), commands.end()).find("BB 00 FF FF 02 C4"),
              std::string::npos);
}

// With "Image file" chosen, Record asks for the folder (remembered for next time) and
// the end names the image there, the titles written in Latin letters and the verification.  The
// gapless box lays the disc anew, its totals follow, and the next dialog starts with both boxes as
// they were left; a track-at-once driver disables the box and says why.
TEST(ThreadedRecordDialog, TheImageFileAsksForItsFolderAndTheGaplessBoxIsKept) {
    {
        CVirtualDevice::Config tao;
        tao.model = CVirtualDevice::Config::Model::kTrackAtOnce;
        CRecorderRig rig(tao, "MMCTRACK");
        auto dialog = rig.Open();
        EXPECT_FALSE(Button(*dialog, kGapless)->isEnabled());
        EXPECT_FALSE(Button(*dialog, kGapless)->toolTip().isEmpty());
    }
    const std::string start = testpaths::TempDir("record-image");
    const std::string out = testpaths::TempDir("record-image-out");
    English(start);
    mp3craft::WriteBytes(start + "/nml.log", {0, 0, 0, 0});
    CMainWindowRig rig(start, WithImageRecorder(nullptr));
    ASSERT_TRUE(rig.app.ImageRecorderChosen());
    CMainWindow& window = *rig.window;
    CMainDialog& main = *rig.main;
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    main.DropFiles({Fixture("gapless/Καλημέρα.mp3"), Fixture("gapless/夜明けの歌.mp3")});
    const int32_t wholeSeconds = main.SongList().TotalSeconds();

    bool burnt = false;
    WhenModal<CRecordDialog>([&](CRecordDialog* d) {
        QAbstractButton* gapless = Button(*d, kGapless);
        EXPECT_TRUE(gapless->isEnabled());
        EXPECT_FALSE(gapless->isChecked());
        const QString totals = LabelText(*d, kTotals);
        Click(*d, kGapless);
        EXPECT_TRUE(gapless->isChecked());
        EXPECT_NE(LabelText(*d, kTotals), totals);
        WhenModal("QFileDialog", [&](QWidget* dialog) {
            auto* files = static_cast<QFileDialog*>(dialog);
            files->setDirectory(QString::fromStdString(out));
            QMetaObject::invokeMethod(files, "accept");  // the Choose button
        });
        // The end also names the titles CD-TEXT carries in Latin letters, and, verified,
        // how each track read back.
        Click(*d, kUseCdText);
        Click(*d, kVerify);
        bool told = false;
        WhenModal<QMessageBox>([&](QMessageBox* box) {
            told = box->text().contains(QString::fromStdString(out + "/disc-1.cue")) &&
                   box->text().contains(QString::fromUtf8("Καλημέρα")) &&
                   box->text().contains("Track 2: verified");
            ClickButton(box, "OK");
        });
        Click(*d, kRecord);
        burnt = WaitFor([&] { return Idle(*d) && told; });
        Click(*d, kExit);
    });
    const QPoint record = window.PictureButtonRect(CMainWindow::kRecord).center();
    QTest::mouseClick(&window, Qt::LeftButton, Qt::NoModifier, record);
    ASSERT_TRUE(burnt) << "no image named at the end";
    EXPECT_TRUE(std::filesystem::exists(out + "/disc-1.bin"));
    EXPECT_LT(main.SongList().TotalSeconds(), wholeSeconds) << "the list counts exact lengths";

    // The next Record: the box as it was left, the folder dialog where the image went.
    QString folderShown;
    WhenModal<CRecordDialog>([&](CRecordDialog* d) {
        EXPECT_TRUE(Button(*d, kGapless)->isChecked());
        EXPECT_TRUE(Button(*d, kVerify)->isChecked());
        WhenModal("QFileDialog", [&](QWidget* dialog) {
            folderShown = static_cast<QFileDialog*>(dialog)->directory().absolutePath();
            ClickButton(dialog, "Cancel");
        });
        Click(*d, kRecord);
        EXPECT_TRUE(Idle(*d)) << "a cancelled folder starts nothing";
        Click(*d, kExit);
    });
    QTest::mouseClick(&window, Qt::LeftButton, Qt::NoModifier, record);
    EXPECT_EQ(folderShown.toStdString(), out);
    window.Unbind();
}

TEST(ThreadedRecordDialog, EndingTheDialogDuringTheWriteAsksBeforeItStopsTheRun) {
    CRecorderRig rig(SlowDrive());
    auto dialog = rig.Open();
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
    // Exit, Escape and the close box would end the dialog: they ask first, and the run
    // goes on unless the user says to stop it.
    for (bool closeBox : {false, true}) {
        WhenModal<QMessageBox>([](QMessageBox* box) { ClickButton(box, "No"); });
        if (closeBox)
            d.close();
        else
            Click(d, kExit);
        EXPECT_TRUE(d.isVisible()) << closeBox;
        EXPECT_TRUE(d.Logic().RunActive()) << closeBox;
    }
    Click(d, kStop);
    EXPECT_FALSE(d.Logic().RunActive());
    EXPECT_TRUE(Idle(d));
    EXPECT_TRUE(Button(d, kGapless)->isEnabled());
    EXPECT_EQ(run.completed, 0);

    for (bool escape : {true, false}) {
        const char* way = escape ? "Escape" : "close box";
        d.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&d));
        Click(d, kRecord);
        ASSERT_TRUE(WaitFor(writing)) << way;
        WhenModal<QMessageBox>([](QMessageBox* box) { ClickButton(box, "Yes"); });
        if (escape)
            QTest::keyClick(&d, Qt::Key_Escape);
        else
            d.close();
        EXPECT_FALSE(d.isVisible()) << way;
        EXPECT_FALSE(d.Logic().RunActive()) << way;
        EXPECT_EQ(ProcessFlags().recordingBusy, 0) << way;
        EXPECT_EQ(run.completed, 0) << way;
    }
    EXPECT_TRUE(rig.Images().empty());
}

// A WRITE that fails: the driver's message box comes up on the window's thread while the
// worker waits for OK, and after it the run ends as a write does: released, ejected, the
// buttons back.
TEST(ThreadedRecordDialog, AWriteFaultShowsItsTraceBoxWhileTheWorkerWaits) {
    CVirtualDevice::Config config;
    config.faults.push_back({0x2A, 3, 1, CVirtualDevice::Config::Fault::Kind::kSense, 3, 0x0C, 0});
    CRecorderRig rig(config);
    auto dialog = rig.Open();
    CRecordDialog& d = *dialog;
    std::vector<std::string> shown;
    WhenModal<QMessageBox>([&](QMessageBox* box) {
        shown.push_back(box->windowTitle().toStdString() + ": " + box->text().toStdString());
        EXPECT_EQ(QThread::currentThread(), QApplication::instance()->thread());
        EXPECT_TRUE(d.Logic().RunActive());
        EXPECT_EQ(ProcessFlags().recordingBusy, 1);
        EXPECT_TRUE(Running(d));
        ClickButton(box, "OK");
    });
    Click(d, kRecord);
    ASSERT_TRUE(WaitFor([&] { return Idle(d); }));
    EXPECT_EQ(shown, std::vector<std::string>{"Tunevarn: Write data failed."});
    EXPECT_TRUE(WaitFor([&] { return !d.Logic().RunActive(); }));
    EXPECT_EQ(d.Logic().Session().completed, 0);
    EXPECT_EQ(ProcessFlags().recordingBusy, 0);
    EXPECT_TRUE(rig.app->Recorders().Driver() != nullptr);
    EXPECT_TRUE(rig.Images().empty());
    Click(d, kExit);
    EXPECT_FALSE(d.isVisible());
}

}  // namespace
