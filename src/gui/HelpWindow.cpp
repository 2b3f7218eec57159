#include "gui/HelpWindow.h"

#include <QDialogButtonBox>
#include <QPushButton>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

#include "gui/QtText.h"
#include "ui/LanguageTable.h"

namespace {
constexpr int32_t kHelpTitleText = 4020;
}

CHelpWindow::CHelpWindow(QWidget* parent) : QDialog(parent, Qt::Window) {
    setObjectName(QStringLiteral("helpWindow"));
    browser_ = new QTextBrowser(this);
    // Links out of the page would need the browser there is none of.
    browser_->setOpenExternalLinks(false);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(browser_);
    layout->addWidget(buttons);
    resize(640, 560);
}

void CHelpWindow::ShowPage(const QString& path) {
    browser_->setSource(QUrl::fromLocalFile(path));
    const QString title = browser_->documentTitle();
    setWindowTitle(title.isEmpty() ? FromBytes(Text(kHelpTitleText)) : title);
    show();
    raise();
    activateWindow();
}
