#pragma once
// What the window tests share: acting on a modal window when it opens, the main window
// on a fresh start folder with its command layer, and a record of the modal windows
// that the commands open.
#include <QApplication>
#include <QPoint>
#include <QTest>
#include <QWidget>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "app/BurnerApp.h"
#include "app/MainDialog.h"
#include "gui/MainWindow.h"
#include "gui/ModalWindows.h"
#include "gui/TraceBox.h"

// Readable test failures for Qt texts.
inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

// Calls action with the first modal window of class T that becomes active, from the
// event loop that runs it.  Gives up (and fails the test) after timeoutMs.
void WhenModal(const char* className, std::function<void(QWidget*)> action, int timeoutMs = 10000);
template <typename T>
void WhenModal(std::function<void(T*)> action, int timeoutMs = 10000) {
    WhenModal(
        T::staticMetaObject.className(), [action](QWidget* w) { action(static_cast<T*>(w)); },
        timeoutMs);
}

class QMenu;

// Picks the item of a menu whose action carries commandId, with a real click.
void ChooseMenuItem(QMenu* menu, int32_t commandId);

// Presses a dialog button by its text (mnemonics ignored), with a real click.
void ClickButton(QWidget* dialog, const QString& text);
// Types a file name into a file dialog and confirms it with Enter.
void ChooseInFileDialog(QWidget* dialog, const QString& fileNames);

// The modal windows the commands open, noted instead of run; the Record dialog runs for
// real when realRecord is set.
struct CFakeModalWindows : CModalWindows {
    std::vector<CPlayerSongs> played;
    std::vector<int32_t> records;  // normalizeOn of each Record dialog
    int covers = 0;
    bool realRecord = false;
    void RunRecordDialog(QWidget* parent, const CRecordDialogRequest& request) override {
        records.push_back(request.normalizeOn);
        if (realRecord)
            CModalWindows::RunRecordDialog(parent, request);
    }
    void RunPlayer(QWidget*, const CPlayerSongs& songs) override { played.push_back(songs); }
    void RunCoverDialog(QWidget*, CMainDialog&) override { ++covers; }
};

struct CFakeShell : IShell {
    std::vector<std::string> opened;
    bool OpenDocument(const std::string& path) override {
        opened.push_back(path);
        return true;
    }
};

class CMainWindowRig {
  public:
    // The recorders of backend are found and the first is chosen, with driver when named;
    // none without a backend.
    explicit CMainWindowRig(std::unique_ptr<IScsiBackend> backend = nullptr,
                            const std::string& driver = "");
    // One virtual recorder writing into out.
    static std::unique_ptr<IScsiBackend> VirtualRecorder(const std::string& out);
    ~CMainWindowRig();

    CMainWindow& Window() { return *window_; }
    CMainDialog& Main() { return *main_; }
    CBurnerApp& App() { return *app_; }
    CDriverMessageQueue& Messages() { return messages_.Queue(); }
    CSongList& Songs() { return main_->SongList(); }
    const std::string& StartFolder() const { return start_; }

    // Moves the mouse onto a picture of the window and clicks it.
    void Click(int32_t controlId);
    // A point on a row of the list, in viewport coordinates, x pixels from its left.
    QPoint RowPoint(int32_t row, int x = 10) const;
    QWidget* Viewport() const;
    // Right-clicks the list at pos (viewport coordinates): the press, then the menu
    // request the window system sends with it.  The menu that opened, or nullptr.
    QMenu* RightClickList(QPoint pos);
    // Drops local files and folders on a widget, as a file manager does.
    void Drop(QWidget* target, QPoint pos, const std::vector<std::string>& paths);
    // The titles in row order.
    std::vector<std::string> Titles() const;
    // The songs' file names, without folder and extension, in row order: what the rows
    // are, whatever titles the files' tags give.
    std::vector<std::string> Names() const;

    CFakeModalWindows windows;
    CFakeShell shell;

  private:
    std::string start_;
    CDriverMessages messages_;
    std::unique_ptr<CBurnerApp> app_;
    std::unique_ptr<CMainWindow> window_;
    std::unique_ptr<CMainDialog> main_;
};
