#include "gui/DesktopStartUp.h"

#include "gui/MainWindow.h"
#include "gui/SelectDriveDlg.h"
#include "gui/SelectLanguageDlg.h"
#include "gui/SplashWnd.h"
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
    window_->exec();
    window_->Unbind();
}
