// Start-up as a user sees it: the language dialog on a first start, the splash, the
// main window; closing it ends the run.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QSettings>
#include <filesystem>
#include <fstream>

#include "GuiRig.h"
#include "app/BackendChoice.h"
#include "gui/DesktopStartUp.h"
#include "gui/SelectDriveDlg.h"
#include "gui/SelectLanguageDlg.h"
#include "gui/SplashWnd.h"
#include "support/TestPaths.h"
#include "ui/LanguageTable.h"

namespace {
std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

struct StartUpRun {
    std::string start = testpaths::TempDir("gui-startup");
    CDriverMessages messages;
    CFakeModalWindows windows;
    std::vector<std::string> seen;

    // tips: the Tip of the Day's box as stored, ticked or not.
    void Run(int recorders, bool splash, bool tips = false) {
        QSettings().setValue(QStringLiteral("Tip/StartUp"), tips ? 0 : 1);
        std::string problem;
        CBurnerApp app(start, messages.Queue());
        if (recorders > 0) {
            std::string bus = start + "/bus.txt";
            std::ofstream out(bus);
            for (int i = 0; i < recorders; ++i)
                out << "[device]\nvendor = V" << i << "\nproduct = Burner\nrevision = 1.0\n";
            out.close();
            app.Transport().UseBackend(ChooseScsiBackend(start.c_str(), bus.c_str(), problem));
        } else {
            app.Transport().UseBackend(
                ChooseScsiBackend(nullptr, (start + "/none").c_str(), problem));
        }
        CDesktopStartUp ui(app, windows, messages.Box());
        CSplashWnd::EnableSplashScreen(splash);
        EXPECT_FALSE(app.StartUp(ui, splash));
        recorderLine = app.Recorders().RecorderLine();
        languageSetWritten = std::filesystem::exists(start + "/language.set");
        LanguageTable().SelectLanguage(0);
    }
    std::string recorderLine;
    bool languageSetWritten = false;
};

// The main window, once it runs: note what is up, then Exit.
void ExitMainWindowWhenItRuns(StartUpRun& run) {
    WhenModal("CMainWindow", [&run](QWidget* w) {
        auto* window = static_cast<CMainWindow*>(w);
        if (CSplashWnd* splash = CSplashWnd::Current())
            run.seen.push_back("splash " + std::to_string(splash->width()) + "x" +
                               std::to_string(splash->height()));
        run.seen.push_back("main window " + window->RecorderLine()->text().toStdString());
        QTest::mouseClick(window, Qt::LeftButton, Qt::NoModifier,
                          window->PictureButtonRect(CMainWindow::kExit).center());
    });
}

TEST(StartUpWindows, FirstStartCancelledRunsInEnglishAndWritesNothing) {
    StartUpRun run;
    std::filesystem::create_directories(run.start + "/Language");
    std::ofstream(run.start + "/Language/fr.txt") << "[Info]\nLanguage=Français\n";
    WhenModal("CSelectLanguageDlg", [&run](QWidget* dialog) {
        auto* list = static_cast<CSelectLanguageDlg*>(dialog)->List();
        run.seen.push_back("languages " + list->item(0)->text().toStdString() + "," +
                           list->item(1)->text().toStdString() + " at " +
                           std::to_string(list->currentRow()));
        ExitMainWindowWhenItRuns(run);
        ClickButton(dialog, "Cancel");
    });
    run.Run(0, false);
    EXPECT_EQ(run.seen, (std::vector<std::string>{"languages English,Français at 0",
                                                  "main window No CDR driver found."}));
    EXPECT_FALSE(run.languageSetWritten);
}

TEST(StartUpWindows, FirstStartOkOnEnglishWritesTheSetting) {
    StartUpRun run;
    WhenModal("CSelectLanguageDlg", [&run](QWidget* dialog) {
        ExitMainWindowWhenItRuns(run);
        ClickButton(dialog, "OK");
    });
    run.Run(0, false);
    EXPECT_EQ(ReadAll(run.start + "/language.set"), "English\n$$default.ini\n");
}

// No splash when the command line says so; the tip of the day over the main window
// while its box is ticked.
TEST(StartUpWindows, NoSplashWhenTheCommandLineSaysSoAndTheTipWhenItsBoxIsTicked) {
    StartUpRun run;
    std::ofstream(run.start + "/language.set") << "English\n$$default.ini\n";
    WhenModal("CTipDlg", [&run](QWidget* dialog) {
        run.seen.push_back(std::string("tip over ") +
                           dialog->parentWidget()->metaObject()->className());
        ClickButton(dialog, "Close");
    });
    ExitMainWindowWhenItRuns(run);
    run.Run(1, false, true);
    EXPECT_EQ(run.seen, (std::vector<std::string>{"tip over CMainWindow",
                                                  "main window CD Recorder: V0 Burner 1.0"}));
}
}  // namespace
