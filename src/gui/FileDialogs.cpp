#include "gui/FileDialogs.h"

#include <QFileDialog>
#include <QRegularExpression>

#include "gui/QtText.h"

QStringList NameFilters(const std::string& filter) {
    // Fields separated by "|", ended by "||": display text, pattern, display, pattern...
    // The display text names its pattern in braces; Qt shows the pattern itself, so
    // the braces go.
    static const QRegularExpression braces(QStringLiteral("\\s*\\{[^}]*\\}\\s*"));
    QStringList fields = PathText(filter).split(QLatin1Char('|'));
    QStringList out;
    for (qsizetype i = 0; i + 1 < fields.size(); i += 2) {
        const QString& display = fields[i];
        const QString& pattern = fields[i + 1];
        if (display.isEmpty() && pattern.isEmpty())
            break;
        QString name = display;
        name.replace(braces, QStringLiteral(" "));
        QString patterns = pattern;
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        out << name.simplified() + QStringLiteral(" (") + patterns + QLatin1Char(')');
    }
    return out;
}

namespace {
void Prepare(QFileDialog& dialog, const CFileDialogRequest& request) {
    // Our own dialog everywhere: the same on every desktop, and with the read-only
    // option never shown.
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setOption(QFileDialog::ReadOnly, false);
    dialog.setNameFilters(NameFilters(request.filter));
    if (!request.defaultExtension.empty())
        dialog.setDefaultSuffix(QString::fromStdString(request.defaultExtension));
    if (!request.folder.empty())
        dialog.setDirectory(PathText(request.folder));
    if (!request.suggestedName.empty())
        dialog.selectFile(PathText(request.suggestedName));
}
}  // namespace

std::vector<std::string> AskOpenFiles(QWidget* parent, const CFileDialogRequest& request,
                                      bool several) {
    QFileDialog dialog(parent);
    dialog.setObjectName(QStringLiteral("openDialog"));
    Prepare(dialog, request);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(several ? QFileDialog::ExistingFiles : QFileDialog::ExistingFile);
    std::vector<std::string> chosen;
    if (dialog.exec() != QDialog::Accepted)
        return chosen;
    for (const QString& file : dialog.selectedFiles()) chosen.push_back(PathBytes(file));
    return chosen;
}

bool AskSaveFile(QWidget* parent, const CFileDialogRequest& request, std::string& chosen) {
    QFileDialog dialog(parent);
    dialog.setObjectName(QStringLiteral("saveDialog"));
    Prepare(dialog, request);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return false;
    chosen = PathBytes(dialog.selectedFiles().front());
    return true;
}

bool AskFolder(QWidget* parent, const std::string& caption, const std::string& folder,
               std::string& chosen) {
    QFileDialog dialog(parent, FromBytes(caption));
    dialog.setObjectName(QStringLiteral("folderDialog"));
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setOption(QFileDialog::ShowDirsOnly, true);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    if (!folder.empty())
        dialog.setDirectory(PathText(folder));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return false;
    chosen = PathBytes(dialog.selectedFiles().front());
    return true;
}
