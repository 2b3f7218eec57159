#pragma once
// What start-up asks of the window program: the language and drive dialogs, the splash
// window, and the main window, which it creates when start-up comes to it and runs
// until it closes.
#include <memory>

#include "app/BurnerApp.h"
#include "gui/DesktopShell.h"

class CMainWindow;
class CModalWindows;
class CTraceBox;

class CDesktopStartUp : public IStartUpUi {
  public:
    CDesktopStartUp(CBurnerApp& app, CModalWindows& windows, CTraceBox& traceBox);
    ~CDesktopStartUp() override;

    int32_t RunLanguageDialog(const std::vector<std::string>& rows) override;
    int32_t ChooseRecorder(const std::vector<std::string>& lines) override;
    void ShowSplashScreen() override;
    IMainWindowUi& MainWindowUi() override;
    IShell& Shell() override { return shell_; }
    void RunMainWindow(CMainDialog& main) override;

    // The main window once start-up has made it.
    CMainWindow* Window() const { return window_.get(); }

  private:
    CBurnerApp& app_;
    CModalWindows& windows_;
    CTraceBox& traceBox_;
    CDesktopShell shell_;
    std::unique_ptr<CMainWindow> window_;
};
