// gui_screenshots OUT_DIR FIXTURE_DIR DATA_DIR: shows every window of the desktop
// program in turn, with sample songs listed, and saves each as OUT_DIR/<name>.png.  Run
// by scripts/screenshots under a virtual X display; the pictures are for people to look
// at, nothing checks them.
#include <QApplication>
#include <QContextMenuEvent>
#include <QCursor>
#include <QDir>
#include <QDropEvent>
#include <QFileDialog>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "PacedOutput.h"
#include "app/BackendChoice.h"
#include "app/BurnerApp.h"
#include "app/DiscFilling.h"
#include "app/MainDialog.h"
#include "audio/Mp3Source.h"
#include "gui/CoverDialog.h"
#include "gui/DesktopShell.h"
#include "gui/HelpWindow.h"
#include "gui/LanguageTranslator.h"
#include "gui/MainWindow.h"
#include "gui/ModalWindows.h"
#include "gui/NormalizeInfoDlg.h"
#include "gui/PlayerDialog.h"
#include "gui/RecordDialog.h"
#include "gui/RenameDlg.h"
#include "gui/SelectDriveDlg.h"
#include "gui/SelectLanguageDlg.h"
#include "gui/SongListView.h"
#include "gui/SplashWnd.h"
#include "gui/TipDlg.h"
#include "gui/TraceBox.h"
#include "recording/RecordDialogControls.h"
#include "recording/RecordDialogLogic.h"
#include "support/TestPaths.h"
#include "ui/LanguageTable.h"
#include "virtualdrive/VirtualBus.h"

namespace fs = std::filesystem;

namespace {
QString outDir;

void Settle(int ms = 150) {
    QTest::qWait(ms);
    QApplication::processEvents();
}

void Save(const QPixmap& pixmap, const char* name) {
    QString path = outDir + QLatin1Char('/') + QLatin1String(name) + QStringLiteral(".png");
    if (!pixmap.save(path))
        std::fprintf(stderr, "gui_screenshots: could not write %s\n", qPrintable(path));
}

// What the screen shows in the window's frame (with popups over it, if any).
QPixmap Screen(QRect area) {
    return QGuiApplication::primaryScreen()->grabWindow(0, area.x(), area.y(), area.width(),
                                                        area.height());
}

void Shoot(QWidget& widget, const char* name) {
    widget.show();
    if (!QTest::qWaitForWindowExposed(&widget))
        std::fprintf(stderr, "gui_screenshots: a window did not show\n");
    Settle();
    Save(Screen(widget.frameGeometry()), name);
    widget.close();
}

// Pictures the modal window that open() runs, then closes it.
void ShootModal(const char* name, const std::function<void()>& open) {
    QTimer::singleShot(400, [name] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            Save(Screen(modal->frameGeometry()), name);
            modal->close();
        }
    });
    open();
}

// A check box or radio button reacts on its mark and text only: click the mark.
void ClickControl(QWidget* control) {
    QPoint at = control->rect().center();
    if (control->inherits("QCheckBox") || control->inherits("QRadioButton"))
        at.setX(control->height() / 2);
    QTest::mouseClick(control, Qt::LeftButton, Qt::NoModifier, at);
}

// The application of a Record dialog, with one virtual recorder, and the dialog shown.
struct RecordRig {
    CDriverMessages messages;
    CBurnerApp app;
    std::unique_ptr<CRecordDialog> dialog;

    RecordRig(CSongList& songs, const std::string& start, CVirtualDevice::Config drive,
              int32_t normalizeOn, QWidget* owner)
        : app(start, messages.Queue()) {
        messages.Box().SetOwner(owner);
        drive.outputFolder = testpaths::TempDir("screenshots-record");
        app.Transport().UseBackend(
            std::make_unique<CVirtualBus>(std::vector<CVirtualDevice::Config>{drive}));
        struct First : IChooseRecorder {
            int32_t ChooseRecorder(const std::vector<std::string>&) override { return 0; }
        } first;
        app.Recorders().DetectRecorders(start, first);
        FillDiscImage(songs, app.DiscImage());
        dialog =
            std::make_unique<CRecordDialog>(app.Driver(), app.DiscImage(), app.NewCdTextBuilder(),
                                            messages.Queue(), normalizeOn, owner);
        dialog->show();
        if (!QTest::qWaitForWindowExposed(dialog.get()))
            std::fprintf(stderr, "gui_screenshots: a window did not show\n");
        Settle();
    }
};

// The Record dialog over the listed songs: idle, in English and in German; in the middle
// of a write to a virtual recorder that writes at 1x in real time, Normalize and CD-TEXT
// on; the message at the end of a disc written; and a run on a disc that is not blank,
// with the drive's message, then the dialog idle again.
void ShootRecordDialog(CSongList& songs, const std::string& start, QWidget* parent) {
    if (LanguageTable().UseLanguageForRun("Deutsch")) {
        RecordRig rig(songs, start, {}, 0, parent);
        Save(Screen(rig.dialog->frameGeometry()), "record-german");
        rig.dialog->close();
        LanguageTable().SelectLanguage(0);
    }
    {
        RecordRig rig(songs, start, {}, 0, parent);
        rig.dialog->Logic().SetImageLocator([&rig] { return rig.app.LastDiscImage(); });
        CRecordDialog& dialog = *rig.dialog;
        // The message comes up over the dialog once the disc is written; it runs its own
        // event loop, in which this looks for it.
        bool shot = false;
        QTimer look;
        QObject::connect(&look, &QTimer::timeout, [&] {
            QWidget* box = QApplication::activeModalWidget();
            if (shot || box == nullptr || box == &dialog || !box->isVisible())
                return;
            shot = true;
            Settle(300);
            Save(Screen(dialog.frameGeometry().united(box->frameGeometry())),
                 "record-complete-message");
            box->close();
        });
        look.start(50);
        ClickControl(dialog.Control(recordctl::kRecord));
        for (int i = 0; i < 600 && !shot; ++i) Settle(50);
        look.stop();
        dialog.close();
    }
    {
        CVirtualDevice::Config slow;
        slow.realTime = true;
        slow.bufferBytes = 65536;
        slow.leadInMinute = 99;
        slow.leadInSecond = 58;
        RecordRig rig(songs, start, slow, 1, parent);
        CRecordDialog& dialog = *rig.dialog;
        Save(Screen(dialog.frameGeometry()), "record");
        // Normalize opens ticked by the default with its boxes grey; off and on again
        // enables them.
        for (int32_t id : {recordctl::kNormalize, recordctl::kNormalize, recordctl::kSpeed4x,
                           recordctl::kUseCdText, recordctl::kRecord})
            ClickControl(dialog.Control(id));
        const CRecordSession& run = dialog.Logic().Session();
        for (int i = 0; i < 600 && !(run.phase.load() == CRecordSession::kPhaseWritingTracks &&
                                     run.progress.load() > 100);
             ++i)
            Settle(50);
        Settle(2100);  // a tick of the phase line
        Save(Screen(dialog.frameGeometry()), "record-writing");
        ClickControl(dialog.Control(recordctl::kStop));
        dialog.close();
    }
    CVirtualDevice::Config written;
    written.disc = CVirtualDevice::Disc::kWritten;
    RecordRig rig(songs, start, written, 0, parent);
    CRecordDialog& dialog = *rig.dialog;
    QTimer::singleShot(600, [&dialog] {
        if (QWidget* box = QApplication::activeModalWidget(); box != nullptr && box != &dialog) {
            Save(Screen(dialog.frameGeometry().united(box->frameGeometry())),
                 "record-failed-message");
            box->close();
        }
    });
    ClickControl(dialog.Control(recordctl::kRecord));
    for (int i = 0; i < 100 && dialog.Logic().RunActive(); ++i) Settle(50);
    Settle();
    Save(Screen(dialog.frameGeometry()), "record-failed");
    ClickControl(dialog.Control(recordctl::kStop));
    dialog.close();
}

struct ScratchStore : ITipStore {
    int64_t ReadNumber(const char*, int64_t def) override { return def; }
    std::string ReadText(const char*) override { return ""; }
    void WriteNumber(const char*, int64_t) override {}
    void WriteText(const char*, const std::string&) override {}
};
}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    CLanguageTranslator translator;
    QCoreApplication::installTranslator(&translator);
    if (argc < 4) {
        std::fprintf(stderr, "usage: gui_screenshots OUT_DIR FIXTURE_DIR DATA_DIR\n");
        return 2;
    }
    outDir = QString::fromLocal8Bit(argv[1]);
    const std::string fixtures = argv[2];
    const std::string data = argv[3];

    // A start folder with the shipped data, as scripts/run prepares it.
    const std::string start = testpaths::TempDir("screenshots");
    std::error_code ec;
    if (fs::is_directory(data))
        fs::copy(data, start, fs::copy_options::recursive, ec);
    if (!fs::exists(start + "/tips.txt"))
        std::ofstream(start + "/tips.txt")
            << "Drop a whole folder on the list to add every song in it.\n";
    CLanguageTable& languages = LanguageTable();
    languages.SetStartFolder(start);
    languages.EnumerateLanguages();

    CDriverMessages messages;
    CBurnerApp app(start, messages.Queue());
    std::string problem;
    std::string discs = testpaths::TempDir("screenshots-discs");
    app.Transport().UseBackend(ChooseScsiBackend(discs.c_str(), nullptr, problem));
    struct First : IChooseRecorder {
        int32_t ChooseRecorder(const std::vector<std::string>&) override { return 0; }
    } first;
    app.Recorders().DetectRecorders(start, first);

    // The windows start-up shows.
    std::vector<std::string> rows{"English"};
    for (int32_t i = 0; i < languages.LanguageCount(); ++i)
        rows.push_back(languages.LanguageName(i));
    {
        CSelectLanguageDlg dialog(rows);
        Shoot(dialog, "select-language");
    }
    {
        // As the desktop program offers them: the drives, then the image file.
        CSelectDriveDlg dialog(
            {"TUNEVARN Virtual CD-RW 1.0", "TUNEVARN Second Burner 2.1", "Image file"});
        Shoot(dialog, "select-drive");
    }
    CSplashWnd::EnableSplashScreen(true);
    CSplashWnd::ShowSplashScreen(nullptr);
    if (CSplashWnd* splash = CSplashWnd::Current()) {
        if (!QTest::qWaitForWindowExposed(splash))
            std::fprintf(stderr, "gui_screenshots: a window did not show\n");
        Settle();
        Save(Screen(splash->frameGeometry()), "splash");
        delete splash;
    }

    // The main window with songs listed, the second one selected.
    CModalWindows windows;
    CDesktopShell shell;
    CMainWindow window(app, windows);
    CMainDialog main(window, shell, app);
    window.Present(main);
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        std::fprintf(stderr, "gui_screenshots: a window did not show\n");
    // Empty: Record and Delete dimmed, Record's tooltip saying why.
    QCursor::setPos(window.mapToGlobal(window.PictureButtonRect(CMainWindow::kDelete).center()));
    Settle(600);
    Save(Screen(window.frameGeometry()), "main-window-empty");
    QCursor::setPos(window.mapToGlobal(QPoint(320, 470)));
    QMimeData songs;
    songs.setUrls({QUrl::fromLocalFile(QString::fromStdString(fixtures + "/songs")),
                   QUrl::fromLocalFile(QString::fromStdString(fixtures + "/id3v1_space.mp3")),
                   QUrl::fromLocalFile(QString::fromStdString(fixtures + "/vbr_xing_44100.mp3"))});
    QDragEnterEvent enter(QPoint(300, 200), Qt::CopyAction, &songs, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(&window, &enter);
    QDropEvent drop(QPointF(300, 200), Qt::CopyAction, &songs, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(&window, &drop);
    QWidget* viewport = window.ListView()->viewport();
    QRect row1 = window.ListView()->visualRect(window.ListView()->model()->index(1, 0));
    QTest::mouseClick(viewport, Qt::LeftButton, Qt::NoModifier, row1.center());
    QCursor::setPos(window.mapToGlobal(QPoint(320, 470)));
    Settle(300);
    Save(Screen(window.frameGeometry()), "main-window");

    // A row dragged over another: the line where it would land.
    {
        auto rowCentre = [&](int row) {
            return window.ListView()
                ->visualRect(window.ListView()->model()->index(row, 0))
                .center();
        };
        QTest::mousePress(viewport, Qt::LeftButton, Qt::NoModifier, rowCentre(0));
        QTest::mouseMove(viewport, rowCentre(1));
        QTest::mouseMove(viewport, rowCentre(3));
        Settle();
        Save(Screen(window.frameGeometry()), "list-drag");
        QTest::mouseMove(viewport, rowCentre(0));
        QTest::mouseRelease(viewport, Qt::LeftButton, Qt::NoModifier, rowCentre(0));
    }

    // The keyboard's focus on Record, and its tooltip.
    window.activateWindow();
    QApplication::setActiveWindow(&window);
    Settle();
    window.PictureButtonKey(CMainWindow::kRecord)->setFocus(Qt::TabFocusReason);
    Settle(300);
    Save(Screen(window.frameGeometry().adjusted(0, 0, 120, 40)), "main-window-focus");
    window.ListView()->setFocus();

    // Leaving a changed list asks first.
    ShootModal("unsaved-list-question", [&] { QTest::keyClick(&window, Qt::Key_Escape); });
    Settle();

    // The mouse over Record: its hover image and its tooltip.
    QCursor::setPos(window.mapToGlobal(window.PictureButtonRect(CMainWindow::kRecord).center()));
    Settle(600);
    Save(Screen(window.frameGeometry().adjusted(0, 0, 120, 40)), "main-window-hover");
    QCursor::setPos(window.mapToGlobal(QPoint(320, 470)));
    Settle();

    // The list's context menu with its submenu, and the language menu.
    QPoint at = row1.center() + QPoint(60, 0);
    QContextMenuEvent request(QContextMenuEvent::Mouse, at, viewport->mapToGlobal(at));
    QApplication::sendEvent(viewport, &request);
    Settle();
    if (QMenu* menu = window.OpenMenu()) {
        QAction* sub = menu->actions().at(4);
        menu->setActiveAction(sub);
        Settle(400);
        Save(Screen(window.frameGeometry().adjusted(0, 0, 200, 60)), "list-menu");
        menu->close();
    }
    QCursor::setPos(window.mapToGlobal(window.PictureButtonRect(CMainWindow::kLanguage).center()));
    Settle();
    QTest::mouseClick(&window, Qt::LeftButton, Qt::NoModifier,
                      window.PictureButtonRect(CMainWindow::kLanguage).center());
    Settle();
    if (QMenu* menu = window.OpenMenu()) {
        Save(Screen(window.frameGeometry().adjusted(0, 0, 100, 100)), "language-menu");
        menu->close();
    }
    QCursor::setPos(window.mapToGlobal(QPoint(320, 470)));
    Settle();

    // The small dialogs.
    {
        CRenameDlg dialog(main.SongList().Title(1), &window);
        Shoot(dialog, "rename");
    }
    {
        CNormalizeInfoDlg dialog(&window);
        Shoot(dialog, "normalizing-info");
    }
    {
        ScratchStore store;
        CTipDlg dialog(start, store, &window);
        Shoot(dialog, "tip-of-the-day");
    }
    // The player two seconds into the third song of the list, with the mouse over Next,
    // and stopped.  Its device keeps real time but stays silent: the machine taking the
    // pictures has no sound card.
    {
        CPlayerSongs list;
        for (int32_t i = 0; i < main.SongList().RowCount(); ++i) {
            list.paths.push_back(main.SongList().FullPath(i));
            list.titles.push_back(main.SongList().Title(i));
        }
        list.current = 2;
        CMp3Source decoder;
        CPacedOutput device;
        CPlayerDialog player(list, decoder, device, nullptr, &window);
        player.show();
        if (!QTest::qWaitForWindowExposed(&player))
            std::fprintf(stderr, "gui_screenshots: a window did not show\n");
        Settle(2400);
        Save(Screen(player.frameGeometry()), "player");
        QCursor::setPos(
            player.mapToGlobal(player.PictureButtonRect(CPlayerDialog::kNext).center()));
        Settle(300);
        Save(Screen(player.frameGeometry()), "player-hover");
        // Stopped: the clock halts where it was.
        QPoint stop = player.PictureButtonRect(CPlayerDialog::kStop).center();
        QTest::mouseClick(&player, Qt::LeftButton, Qt::NoModifier, stop);
        QCursor::setPos(window.mapToGlobal(QPoint(320, 470)));
        Settle(1200);
        Save(Screen(player.frameGeometry()), "player-idle");
        player.close();
        QCursor::setPos(window.mapToGlobal(QPoint(320, 470)));
        Settle();
    }
    ShootRecordDialog(main.SongList(), start, &window);

    // A move with no song selected warns; a driver's message in its box.
    window.ListView()->clearSelection();
    window.ListView()->setCurrentIndex(QModelIndex());
    ShootModal("warning", [&] {
        QTest::mouseClick(&window, Qt::LeftButton, Qt::NoModifier,
                          window.PictureButtonRect(CMainWindow::kUp).center());
    });
    messages.Box().SetOwner(&window);
    ShootModal("driver-message", [&] {
        messages.Queue().ReportError(
            "Write error: the drive reports sense key 3, ASC 0C, ASCQ 00.");
    });
    // The cover dialog over the list, its picture dialog on a shipped background, and the
    // cover with that background.
    {
        CCoverDialog cover(&window);
        cover.Cover().AddCoverSongs(main.SongList());
        cover.SetPictureFolder(start + "/cover", start);
        Shoot(cover, "cover");
        cover.show();
        if (!QTest::qWaitForWindowExposed(&cover))
            std::fprintf(stderr, "gui_screenshots: a window did not show\n");
        QTimer::singleShot(500, [] {
            auto* files = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            auto* edit =
                files ? files->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")) : nullptr;
            if (edit == nullptr) {
                std::fprintf(stderr, "gui_screenshots: no picture dialog\n");
                return;
            }
            edit->setText(QStringLiteral("Sky.jpg"));
            Settle(400);
            Save(Screen(files->frameGeometry()), "cover-picture");
            QTest::keyClick(edit, Qt::Key_Return);
        });
        QTest::mouseClick(cover.Button(CCoverDialog::kBackground), Qt::LeftButton);
        Settle();
        Save(Screen(cover.frameGeometry()), "cover-background");
        cover.close();
    }
    // Help in the program's own window, as on a desktop without a browser.
    window.ShowHelpPage(start + "/Help.htm");
    if (CHelpWindow* help = window.HelpWindow()) {
        if (!QTest::qWaitForWindowExposed(help))
            std::fprintf(stderr, "gui_screenshots: a window did not show\n");
        Settle();
        Save(Screen(help->frameGeometry()), "help");
        help->close();
    }
    window.Unbind();
    return 0;
}
