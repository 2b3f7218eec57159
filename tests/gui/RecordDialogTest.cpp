// The Record dialog through its widgets: what it opens with, the Normalize group's enable
// rules, the progress timer's line, and runs on the virtual recorder: a disc burnt from
// the main window that is the command line's disc byte for byte, Stop, Escape and the
// close box during the write (each asks first), a driver's message while the worker
// waits, the message at the end of a run, and the buttons of a failed run; the "Image
// file" recorder's folder and the gapless box.
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
QString TextOf(CRecordDialog& dialog, int32_t id) {
    if (auto* label = qobject_cast<QLabel*>(dialog.Control(id)))
        return label->text();
    if (auto* edit = qobject_cast<QLineEdit*>(dialog.Control(id)))
        return edit->text();
    return Button(dialog, id)->text();
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
// The ids of the Normalize group's controls that are enabled.
std::set<int32_t> EnabledInNormalizeGroup(CRecordDialog& dialog) {
    std::set<int32_t> enabled;
    for (int32_t id : {kNormalize, kTargetLabel, kTargetEdit, kTargetUpDown, kTargetPercent,
                       kOnlyIf, kLowerLabel, kLowerEdit, kLowerUpDown, kLowerPercent, kOrLabel,
                       kHigherLabel, kHigherEdit, kHigherUpDown, kHigherPercent})
        if (dialog.Control(id)->isEnabled())
            enabled.insert(id);
    return enabled;
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

// A drive that writes in real time at 1x, with a buffer too small to hide it: a run
// stays in its write long enough to be stopped.
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

TEST(RecordDialog, OpensAsItsTemplateSays) {
    {
        CDialogOnly three({4, 4, 5}, 0);
        CRecordDialog& d = *three.dialog;
        EXPECT_EQ(d.windowTitle(), "Record");
        EXPECT_EQ(TextOf(d, kAlbumTitle), "Go to https://tunevarn.example.org/ !");
        EXPECT_EQ(static_cast<QLineEdit*>(d.Control(kAlbumTitle))->cursorPosition(), 0)
            << "a title wider than its box shows its start";
        EXPECT_EQ(TextOf(d, kTotals), "Total tracks: 3  Total time: 00:13");
        EXPECT_EQ(TextOf(d, kTest), "&Test");
        EXPECT_EQ(TextOf(d, kSpeedFirst), "&1x (Recommended)");
        EXPECT_EQ(TextOf(d, kOrLabel), "Or");
        EXPECT_EQ(TextOf(d, kPhase), "");
        EXPECT_TRUE(Button(d, kSpeedFirst)->isChecked());
        EXPECT_TRUE(Idle(d));
        EXPECT_FALSE(Button(d, kNormalize)->isChecked());
        EXPECT_EQ(TextOf(d, kTargetEdit), "98");
        EXPECT_EQ(TextOf(d, kLowerEdit), "90");
        EXPECT_EQ(TextOf(d, kHigherEdit), "99");
        EXPECT_TRUE(d.Control(kUseCdText)->isEnabled());
        auto* bar = static_cast<QProgressBar*>(d.Control(kProgress));
        EXPECT_EQ(bar->minimum(), 1);
        EXPECT_EQ(bar->maximum(), 1000);
        EXPECT_LT(bar->value(), 1) << "empty";
        // Everything shows within the window.
        for (const CRecordDialogControl& control : RecordDialogControls())
            EXPECT_TRUE(d.rect().contains(d.Control(control.id)->geometry())) << control.id;
    }
    CDialogOnly four({4, 4, 4, 4}, 1);
    EXPECT_EQ(TextOf(*four.dialog, kAlbumTitle), "Powered by Tunevarn!");
    // Ticked by the default, yet the number boxes stay disabled; only the template's odd
    // up-down control beside Higher is enabled.
    EXPECT_TRUE(Button(*four.dialog, kNormalize)->isChecked());
    EXPECT_EQ(EnabledInNormalizeGroup(*four.dialog),
              (std::set<int32_t>{kNormalize, kHigherUpDown}));
    // A recorder that cannot write CD-TEXT: the whole group is grey.
    CDialogOnly plain({4}, 0);
    ProcessFlags().cdTextCapable = 0;
    CDiscImage& disc = *plain.disc;
    CRecordDialog noCdText(nullptr, disc, plain.cdText, plain.messages.Queue(), 0);
    for (int32_t id : {kCdTextGroup, kUseCdText, kAlbumLabel, kAlbumTitle})
        EXPECT_FALSE(noCdText.Control(id)->isEnabled()) << id;
    ProcessFlags().cdTextCapable = 0;
}

// Laid out from its texts: in every shipped language each control shows its whole text,
// and Qt's own buttons speak the language too.
TEST(RecordDialog, EveryShippedLanguageShowsInFull) {
    const auto cancelText = [] {
        QDialogButtonBox box(QDialogButtonBox::Cancel);
        return box.button(QDialogButtonBox::Cancel)->text();
    };
    English(testpaths::TempDir("record-languages"));
    const QString english = cancelText();
    CLanguageTable& table = LanguageTable();
    table.SetStartFolder(testpaths::SourceDir() + "/data");
    table.EnumerateLanguages();
    ASSERT_GE(table.LanguageCount(), 1);
    ProcessFlags().cdTextCapable = 1;
    auto disc = disctest::MakeDisc({4, 4, 5});
    CCdTextBuilder cdText;
    CDriverMessages messages;
    for (int32_t i = 0; i < table.LanguageCount(); ++i) {
        ASSERT_TRUE(table.UseLanguageForRun(table.LanguageName(i)));
        SCOPED_TRACE(table.LanguageName(i));
        CRecordDialog d(nullptr, *disc, cdText, messages.Queue(), 0);
        d.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&d));
        for (const CRecordDialogControl& control : RecordDialogControls()) {
            QWidget* w = d.Control(control.id);
            if (control.id == kTotals || control.id == kPhase || qobject_cast<QLineEdit*>(w))
                continue;
            EXPECT_GE(w->width(), w->minimumSizeHint().width()) << control.id;
            EXPECT_TRUE(d.rect().contains(w->geometry())) << control.id;
        }
        EXPECT_NE(cancelText(), english);
    }
    English(testpaths::TempDir("record-languages"));
    ProcessFlags().cdTextCapable = 0;
}

TEST(RecordDialog, TheTimerShowsThePhaseAndTheBar) {
    CDialogOnly twelve(std::vector<int32_t>(12, 2), 0);
    CRecordDialog& d = *twelve.dialog;
    CRecordSession& run = d.Logic().Session();
    auto* bar = static_cast<QProgressBar*>(d.Control(kProgress));
    auto tick = [&](int id) {
        QTimerEvent event(id);
        QApplication::sendEvent(&d, &event);
    };
    run.phase = CRecordSession::kPhaseWritingTracks;
    run.currentTrack = 11;
    run.progress = 997;
    tick(d.ProgressTimerId());
    EXPECT_EQ(TextOf(d, kPhase), "Writing track 12, total 99% done.");
    EXPECT_EQ(bar->value(), 997);
    // Another timer's event changes nothing.
    run.phase = CRecordSession::kPhaseFinalizing;
    tick(d.ProgressTimerId() + 1000);
    EXPECT_EQ(TextOf(d, kPhase), "Writing track 12, total 99% done.");
    run.phase = CRecordSession::kPhaseAnalyzing;
    run.currentTrack = 2;
    run.progress = 10;
    tick(d.ProgressTimerId());
    EXPECT_EQ(TextOf(d, kPhase), "Normalizing track 3 of 12 ");
    // The bar follows between the line's updates, from the faster repaint.
    run.progress = 640;
    EXPECT_TRUE(WaitFor([&] { return bar->value() == 640; }, 1000));
    EXPECT_EQ(TextOf(d, kPhase), "Normalizing track 3 of 12 ");
    run.phase = CRecordSession::kPhaseIdle;
    run.progress = 0;
    tick(d.ProgressTimerId());
    EXPECT_EQ(TextOf(d, kPhase), "");
    EXPECT_LT(bar->value(), 1) << "empty again at the end of a run";
}

TEST(RecordDialog, TheNormalizeBoxesFollowTheTwoClickHandlers) {
    CDialogOnly one({4}, 1);
    CRecordDialog& d = *one.dialog;
    const std::set<int32_t> target = {kNormalize,    kTargetLabel,   kTargetEdit,
                                      kTargetUpDown, kTargetPercent, kOnlyIf};
    std::set<int32_t> all = target;
    all.insert({kLowerLabel, kLowerEdit, kLowerUpDown, kLowerPercent, kOrLabel, kHigherLabel,
                kHigherEdit, kHigherUpDown, kHigherPercent});
    // The up-down beside Higher is live from the start: its arrow steps the grey box.
    QTest::mouseClick(static_cast<CUpDown*>(d.Control(kHigherUpDown))->UpArrow(), Qt::LeftButton);
    EXPECT_EQ(TextOf(d, kHigherEdit), "100");

    Click(d, kNormalize);  // off
    EXPECT_EQ(EnabledInNormalizeGroup(d), (std::set<int32_t>{kNormalize}));
    Click(d, kNormalize);  // on again
    EXPECT_EQ(EnabledInNormalizeGroup(d), target);
    Click(d, kOnlyIf);
    EXPECT_EQ(EnabledInNormalizeGroup(d), all);
    // The arrow keys step a number box through its up-down control.
    QLineEdit* lower = static_cast<QLineEdit*>(d.Control(kLowerEdit));
    QTest::keyClick(lower, Qt::Key_Down);
    EXPECT_EQ(lower->text(), "89");
    Click(d, kNormalize);  // off: the only-if box keeps its tick but loses its effect
    EXPECT_EQ(EnabledInNormalizeGroup(d), (std::set<int32_t>{kNormalize}));
    EXPECT_TRUE(Button(d, kOnlyIf)->isChecked());
    EXPECT_EQ(lower->text(), "89") << "the fields went back into the boxes unchanged";
    EXPECT_EQ(d.Logic().Session().lower, 89);
    EXPECT_EQ(d.Logic().Session().higher, 100);
}

// A disc that is not blank: the worker's one message, shown while it waits in a box of
// the program's name, then the dialog idle again by itself; Stop with no run only gives
// the buttons back.  Record and Stop at once: Stop's wait shows the message the worker is
// held by.
TEST(ThreadedRecordDialog, AFailedRunEndsIdle) {
    CVirtualDevice::Config config;
    config.disc = CVirtualDevice::Disc::kWritten;
    CRecorderRig rig(config);
    auto dialog = rig.Open();
    CRecordDialog& d = *dialog;
    std::vector<std::string> shown;
    auto acknowledge = [&] {
        WhenModal<QMessageBox>([&](QMessageBox* box) {
            shown.push_back(box->windowTitle().toStdString() + ": " + box->text().toStdString());
            EXPECT_EQ(ProcessFlags().recordingBusy, 1) << "the worker waits for OK";
            ClickButton(box, "OK");
        });
    };
    acknowledge();
    Click(d, kRecord);
    EXPECT_TRUE(Running(d));
    ASSERT_TRUE(WaitFor([&] { return !d.Logic().RunActive() && !shown.empty(); }));
    EXPECT_EQ(shown, std::vector<std::string>{"Tunevarn: The disc in the drive is not blank."});
    EXPECT_TRUE(WaitFor([&] { return Idle(d); }, 2000)) << "idle with no Stop";
    Click(d, kStop);
    EXPECT_TRUE(Idle(d));
    EXPECT_EQ(shown.size(), 1u);

    acknowledge();
    Click(d, kRecord);
    Click(d, kStop);  // returns only when the worker has ended, its message answered
    EXPECT_FALSE(d.Logic().RunActive());
    EXPECT_EQ(ProcessFlags().recordingBusy, 0);
    EXPECT_TRUE(Idle(d));
    EXPECT_EQ(shown.size(), 2u);
    EXPECT_TRUE(rig.Images().empty());
}

TEST(ThreadedRecordDialog, ARecorderWithoutCdTextClearsTheFlagOnEachStart) {
    CRecorderRig rig({}, "MMC");
    auto dialog = rig.Open();
    CRecordDialog& d = *dialog;
    for (int32_t id : {kCdTextGroup, kUseCdText, kAlbumLabel, kAlbumTitle})
        EXPECT_FALSE(d.Control(id)->isEnabled()) << id;
    std::vector<QString> ends;
    for (int32_t start : {kTest, kRecord}) {
        ProcessFlags().cdTextInUse = 1;
        WhenModal<QMessageBox>([&](QMessageBox* box) {
            ends.push_back(box->text());
            EXPECT_TRUE(Idle(d)) << "idle before the message";
            ClickButton(box, "OK");
        });
        Click(d, start);
        EXPECT_EQ(ProcessFlags().cdTextInUse, 0) << start;
        EXPECT_EQ(d.Logic().Session().useCdText, 0);
        ASSERT_TRUE(WaitFor([&] { return ends.size() == (start == kTest ? 1u : 2u); }))
            << "the write's end is told";
    }
    EXPECT_EQ(rig.Images().size(), 2u) << "the recorded disc: .bin and .cue, no CD-TEXT";
    // The test and the disc end with messages of their own; the disc's names its image.
    EXPECT_NE(ends[0], ends[1]);
    EXPECT_FALSE(ends[0].contains(QString::fromStdString(rig.out)));
    EXPECT_TRUE(ends[1].contains(QString::fromStdString(rig.out))) << ends[1].toStdString();
}

// The user's way: songs in the main window, Record, 4x, Normalize (on by default here),
// CD-TEXT with an album title, Record, the end of the write, Exit.  The image is the one
// tunevarn-cli burn makes with the same settings, and cd-info reads every title from it.
TEST(ThreadedRecordDialog, RecordFromTheMainWindowBurnsTheDiscOfTheCommandLine) {
    const std::string start = testpaths::TempDir("record-main");
    const std::string out = testpaths::TempDir("record-main-out");
    English(start);
    mp3craft::WriteBytes(start + "/nml.log", {1, 0, 0, 0});
    CDriverMessages messages;
    CBurnerApp app(start, messages.Queue());
    std::string problem;
    app.Transport().UseBackend(ChooseScsiBackend(out.c_str(), nullptr, problem));
    struct First : IChooseRecorder {
        int32_t ChooseRecorder(const std::vector<std::string>&) override { return 0; }
    } first;
    app.Recorders().DetectRecorders(start, first);
    CModalWindows windows;
    windows.SetDriverMessages(messages.Queue());
    CFakeShell shell;
    CMainWindow window(app, windows);
    CMainDialog main(window, shell, app);
    window.Present(main);
    window.show();
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
// the end names the image there, and the titles written in Latin letters.  The gapless box lays the
// disc anew, its totals follow, and the next dialog starts as it was left; a track-at-once driver
// disables the box and says why.
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
    CDriverMessages messages;
    CBurnerApp app(start, messages.Queue());
    app.Transport().UseBackend(WithImageRecorder(nullptr));
    struct First : IChooseRecorder {
        int32_t ChooseRecorder(const std::vector<std::string>&) override { return 0; }
    } first;
    app.Recorders().DetectRecorders(start, first);
    ASSERT_TRUE(app.ImageRecorderChosen());
    CModalWindows windows;
    windows.SetDriverMessages(messages.Queue());
    CFakeShell shell;
    CMainWindow window(app, windows);
    CMainDialog main(window, shell, app);
    window.Present(main);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    main.DropFiles({Fixture("gapless/Καλημέρα.mp3"), Fixture("gapless/夜明けの歌.mp3")});
    const int32_t wholeSeconds = main.SongList().TotalSeconds();

    bool burnt = false;
    WhenModal<CRecordDialog>([&](CRecordDialog* d) {
        QAbstractButton* gapless = Button(*d, kGapless);
        EXPECT_TRUE(gapless->isEnabled());
        EXPECT_FALSE(gapless->isChecked());
        const QString totals = TextOf(*d, kTotals);
        Click(*d, kGapless);
        EXPECT_TRUE(gapless->isChecked());
        EXPECT_NE(TextOf(*d, kTotals), totals);
        WhenModal("QFileDialog", [&](QWidget* dialog) {
            auto* files = static_cast<QFileDialog*>(dialog);
            files->setDirectory(QString::fromStdString(out));
            QMetaObject::invokeMethod(files, "accept");  // the Choose button
        });
        // The end also names the titles CD-TEXT carries in Latin letters.
        Click(*d, kUseCdText);
        bool told = false;
        WhenModal<QMessageBox>([&](QMessageBox* box) {
            told = box->text().contains(QString::fromStdString(out + "/disc-1.cue")) &&
                   box->text().contains(QString::fromUtf8("Καλημέρα"));
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
    // Exit, Escape and the close box would end the dialog: they ask first, and the run
    // goes on unless the user says to stop it.
    WhenModal<QMessageBox>([](QMessageBox* box) { ClickButton(box, "No"); });
    Click(d, kExit);
    EXPECT_TRUE(d.isVisible());
    EXPECT_TRUE(d.Logic().RunActive());
    Click(d, kStop);
    EXPECT_FALSE(d.Logic().RunActive());
    EXPECT_TRUE(Idle(d));
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
