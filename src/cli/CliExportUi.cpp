#include "cli/CliExportUi.h"

#include <cstdio>

#include "cli/CliArgs.h"
#include "cli/CliCommands.h"
#include "cli/CliSupport.h"

bool CCliExportUi::AskSaveFile(const CFileDialogRequest& question, std::string& chosenPath) {
    // The terminal commands name their output; nobody is there to answer a dialog.
    (void)question;
    (void)chosenPath;
    return false;
}

void CCliExportUi::ShowMessage(const std::string& title, const std::string& text) {
    bar_.Clear();
    std::fprintf(stderr, "tunevarn-cli: %s: %s\n", title.c_str(), TerminalText(text).c_str());
}

void CCliExportUi::ExportProgress(int64_t done, int64_t total) {
    bar_.Show(total > 0 ? static_cast<int32_t>(done * 1000 / total) : 1000, "Exporting");
}

int RunExport(ExportFormat format, const CCliArgs& args) {
    const std::vector<std::string>& operands = args.Operands();
    if (operands.empty())
        return args.Error("no SONG given");
    if (operands.size() < 2)
        return args.Error("no OUT file given");
    if (operands.size() > 2)
        return args.Error("one SONG and one OUT file, not " + std::to_string(operands.size()) +
                          " files");
    CCliExportUi ui;
    ExportResult result = ExportSongFile(format, operands[0], operands[1], ui);
    if (result == ExportResult::kStopped)
        return ui.Interrupt().ExitStatus();
    return result == ExportResult::kWritten ? kExitOk : kExitFailed;
}
