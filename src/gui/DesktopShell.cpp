#include "gui/DesktopShell.h"

#include <QDesktopServices>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

#include "gui/QtText.h"

namespace {
constexpr int kAskMs = 3000;
}

bool CDesktopShell::HasBrowser() {
    // What xdg-open itself would use: the desktop's choice for web pages, the user's
    // $BROWSER, or the system's browser.
    if (!qEnvironmentVariableIsEmpty("BROWSER") ||
        !QStandardPaths::findExecutable(QStringLiteral("x-www-browser")).isEmpty())
        return true;
    const QString mime = QStandardPaths::findExecutable(QStringLiteral("xdg-mime"));
    if (mime.isEmpty())
        return false;
    QProcess query;
    query.start(mime,
                {QStringLiteral("query"), QStringLiteral("default"), QStringLiteral("text/html")});
    if (!query.waitForFinished(kAskMs)) {
        query.kill();
        query.waitForFinished();
        return false;
    }
    return !query.readAllStandardOutput().trimmed().isEmpty();
}

bool CDesktopShell::OpenDocument(const std::string& path) {
    return HasBrowser() && QDesktopServices::openUrl(QUrl::fromLocalFile(PathText(path)));
}
