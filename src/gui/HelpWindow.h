#pragma once
// The help page in a window of the program's own, for a desktop without a browser: the
// start folder's "Help.htm" in a text browser that follows the page's own links.  It
// stays open beside the main window until closed.
#include <QDialog>
#include <QString>

class QTextBrowser;

class CHelpWindow : public QDialog {
    Q_OBJECT
  public:
    explicit CHelpWindow(QWidget* parent = nullptr);

    // Shows the page at path (from its top) and brings the window to the front.
    void ShowPage(const QString& path);
    QTextBrowser* Browser() const { return browser_; }

  private:
    QTextBrowser* browser_;
};
