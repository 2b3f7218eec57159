#pragma once
// The main window: the skinned 640 x 480 window of the song list with its picture
// buttons, the totals line, the recorder line, the list's context menu and the language
// menu.  It presents the core's command layer (CMainDialog): every click, key, menu
// choice and drop runs one of its commands, and the window only shows what the core then
// holds.  It is also what those commands ask of a window (IMainWindowUi): dialogs,
// message boxes and the other modal windows.
#include <QPointer>
#include <QTimer>
#include <cstdint>
#include <memory>
#include <vector>

#include "app/MainWindowUi.h"
#include "gui/HelpWindow.h"
#include "gui/SkinDialog.h"

#include <QMenu>

class CBurnerApp;
class CMainDialog;
class CModalWindows;
class CSongListModel;
class CSongListView;
class QLabel;
class QProgressDialog;

class CMainWindow : public CSkinDialog, public IMainWindowUi {
    Q_OBJECT
  public:
    // Control ids of the picture buttons.
    enum Control : int32_t {
        kExit = 1,
        kPlay = 1003,
        kRecord = 1008,
        kHelp = 1009,
        kInsert = 1010,
        kDelete = 1011,
        kTop = 1020,
        kUp = 1021,
        kDown = 1022,
        kBottom = 1023,
        kRename = 1024,
        kMinimize = 1025,
        kNewList = 1039,
        kOpenProject = 1040,
        kSaveProject = 1041,
        kPrintCover = 1042,
        kLanguage = 1074,
    };
    // Command ids of the list's context menu.
    enum MenuCommand : int32_t {
        kMenuPlay = 32771,
        kMenuRename = 1024,
        kMenuExportWav = 32778,
        kMenuExportRaw = 32777,
        kMenuExportM3u = 32781,
        kMenuExportPls = 32782,
        kMenuExportText = 32783,
        kMenuUp = 32772,
        kMenuDown = 32773,
        kMenuInsert = 1001,
        kMenuDelete = 1002,
        kMenuTips = 32779,
    };

    CMainWindow(CBurnerApp& app, CModalWindows& windows, QWidget* parent = nullptr);
    ~CMainWindow() override;

    // Prepares the window on the command layer (its initialisation), before it is shown
    // or run; Unbind lets go of it before the command layer ends.
    void Present(CMainDialog& main);
    void Unbind();

    CSongListView* ListView() const { return list_; }
    QLabel* TotalsLine() const { return totals_; }
    QLabel* RecorderLine() const { return recorder_; }
    // The context menu or language menu open now, if any.
    QMenu* OpenMenu() const { return menu_.data(); }
    // The program's own help window, once Help has opened it.
    CHelpWindow* HelpWindow() const { return help_.data(); }
    // Before the session ends (logout): false when the user wants the list kept.
    bool MayEndSession();

    // IMainWindowUi.
    bool AskSaveFile(const CFileDialogRequest& question, std::string& chosenPath) override;
    void ShowMessage(const std::string& title, const std::string& text) override;
    void ExportStarted() override;
    void ExportProgress(int64_t done, int64_t total) override;
    void ExportEnded() override;
    int32_t AskNormalizeDefault() override;
    std::vector<std::string> AskFilesToOpen(const CFileDialogRequest& request,
                                            bool several) override;
    bool AskNewTitle(std::string& title) override;
    void RunPlayer(const CPlayerSongs& songs) override;
    void RunRecordDialog(const CRecordDialogRequest& request) override;
    void RunCoverDialog() override;
    void ShowTipOfTheDay() override;
    SaveChangesAnswer AskSaveChanges(const std::string& question) override;
    void ShowStatusNote(const std::string& text) override;
    void ShowHelpPage(const std::string& path) override;
    void SetCommandEnabled(int32_t controlId, bool enabled, const std::string& whyNot) override;
    void RefreshTexts() override;
    void Minimize() override;
    void CloseMainWindow() override;

    // Escape and the close box end the window as Exit does, asking first about a list
    // that changed.
    void reject() override;

  protected:
    void OnPictureClicked(int32_t controlId) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

  private:
    // Runs a command of the core, then shows what the core holds.
    template <typename Command>
    void Run(Command command);
    void SyncFromCore();
    void TakeSelectionFromView();
    // The list's context menu for a point on the screen: shown only when a row lies at
    // that height.
    void ShowListMenu(QPoint globalPos);
    // From the keyboard: the focused row's menu beside it, or on a list without one a
    // menu of the commands that need no row.
    void ShowKeyboardMenu();
    void PopUp(QPoint globalPos, bool wholeMenu);
    void ShowLanguageMenu(QPoint globalPos);
    void SetTabOrder();

    CBurnerApp& app_;
    CModalWindows& windows_;
    CMainDialog* main_ = nullptr;
    CSongListView* list_;
    QLabel* totals_;
    QLabel* recorder_;
    std::unique_ptr<CSongListModel> model_;
    QPointer<QMenu> menu_;
    QPointer<CHelpWindow> help_;
    QProgressDialog* progress_ = nullptr;
    QTimer noteTimer_;  // how long a status note stays
    bool syncing_ = false;
    bool dropping_ = false;
};
