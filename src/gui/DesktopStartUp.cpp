#include "gui/DesktopStartUp.h"

#include <QGuiApplication>
#include <QSessionManager>
#include <QTimer>

#include "gui/MainWindow.h"
#include "gui/SelectDriveDlg.h"
#include "gui/SelectLanguageDlg.h"
#include "gui/SplashWnd.h"
#include "gui/TipDlg.h"
#include "gui/TraceBox.h"

CDesktopStartUp::CDesktopStartUp(CBurnerApp& app, CModalWindows& windows, CTraceBox& traceBox)
    : app_(app), windows_(windows), traceBox_(traceBox) {}

CDesktopStartUp::~CDesktopStartUp() = default;

int32_t CDesktopStartUp::RunLanguageDialog(const std::vector<std::string>& rows) {
    return CSelectLanguageDlg::Run(rows);
}

int32_t CDesktopStartUp::ChooseRecorder(const std::vector<std::string>& lines) {
    return CSelectDriveDlg::Run(lines);
}

void CDesktopStartUp::ShowSplashScreen() {
    CSplashWnd::ShowSplashScreen(nullptr);
}

IMainWindowUi& CDesktopStartUp::MainWindowUi() {
    if (!window_) {
        window_ = std::make_unique<CMainWindow>(app_, windows_);
        traceBox_.SetOwner(window_.get());
    }
    return *window_;
}

void CDesktopStartUp::RunMainWindow(CMainDialog& main) {
    MainWindowUi();
    window_->Present(main);
    CMainWindow* window = window_.get();
    // Logging out ends the program too: a changed list is asked about first, and the
    // user may keep the session for it.
    QObject::connect(qApp, &QGuiApplication::commitDataRequest, window,
                     [window](QSessionManager& session) {
                         if (session.allowsInteraction()) {
                             if (!window->MayEndSession())
                                 session.cancel();
                             session.release();
                         }
                     });
    // The tip of the day over the window that has just opened, while its box is ticked.
    CTipSettings tips;
    if (CTipOfTheDay::WantedAtStartUp(tips))
        QTimer::singleShot(0, window, [window] { window->ShowTipOfTheDay(); });
    window_->exec();
    window_->Unbind();
}
