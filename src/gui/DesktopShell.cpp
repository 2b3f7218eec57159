#include "gui/DesktopShell.h"

#include <QDesktopServices>
#include <QUrl>

#include "gui/QtText.h"

void CDesktopShell::OpenDocument(const std::string& path) {
    QDesktopServices::openUrl(QUrl::fromLocalFile(PathText(path)));
}
