// tunevarn: the desktop program.  Start-up runs as the application object orders it
// (languages, recorders, splash, the main window); closing the main window ends it.
// "--no-splash" hides the splash window; "--desktop-start", given by the desktop's menu
// entry, starts in the per-user data folder (made and seeded on the first start) instead
// of the current folder.  Qt takes its own options before we look.
#include <QApplication>
#include <cstdio>
#include <cstring>
#include <string>

#include "app/BackendChoice.h"
#include "app/BurnerApp.h"
#include "app/DesktopStartFolder.h"
#include "app/ImageRecorder.h"
#include "base/StartFolder.h"
#include "gui/DesktopStartUp.h"
#include "gui/LanguageTranslator.h"
#include "gui/ModalWindows.h"
#include "gui/SplashWnd.h"
#include "gui/TraceBox.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Tunevarn"));
    QCoreApplication::setApplicationName(QStringLiteral("Tunevarn"));
    CLanguageTranslator translator;
    QCoreApplication::installTranslator(&translator);

    bool splash = true;
    bool desktopStart = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--no-splash") == 0) {
            splash = false;
            continue;
        }
        if (std::strcmp(argv[i], "--desktop-start") == 0) {
            desktopStart = true;
            continue;
        }
        std::fprintf(stderr,
                     "tunevarn: unknown argument '%s'\n"
                     "usage: tunevarn [--no-splash] [--desktop-start] [Qt options]\n"
                     "Start it in the folder that holds its settings and data files.\n",
                     argv[i]);
        return 2;
    }

    if (desktopStart) {
        std::string trouble, leftAlone;
        // Without its folder the program still runs, in the folder it was given.
        EnterDesktopStartFolder(trouble, leftAlone);
        for (const std::string* line : {&leftAlone, &trouble})
            if (!line->empty())
                std::fprintf(stderr, "tunevarn: %s\n", line->c_str());
    }

    CDriverMessages messages;
    std::string problem;
    auto backend = ChooseScsiBackendFromEnvironment(problem);
    // A virtual recorder that is set up wrongly leaves the program without a recorder,
    // never with the real drives in its place.
    if (!problem.empty())
        std::fprintf(stderr, "tunevarn: %s\n", problem.c_str());
    CBurnerApp app(CaptureStartFolder(), messages.Queue());
    // "Image file" is offered after the drives, for users who have none.
    app.Transport().UseBackend(WithImageRecorder(std::move(backend)));

    CModalWindows windows;
    windows.SetDriverMessages(messages.Queue());
    CDesktopStartUp ui(app, windows, messages.Box());
    CSplashWnd::EnableSplashScreen(splash);
    app.StartUp(ui, splash);
    delete CSplashWnd::Current();
    return 0;
}
