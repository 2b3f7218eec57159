#pragma once
// The export's user interface on a terminal: the output path comes from the command
// line (no dialog is asked), messages go to stderr, progress to the progress bar.
#include <string>
#include <vector>

#include "audio/AudioExport.h"
#include "audio/ExportUi.h"
#include "cli/ProgressBar.h"

class CCliExportUi : public IExportUi {
  public:
    bool AskSaveFile(const CFileDialogRequest& question, std::string& chosenPath) override;
    void ShowMessage(const std::string& title, const std::string& text) override;
    void ExportProgress(int64_t done, int64_t total) override;
    void ExportEnded() override { bar_.Clear(); }

  private:
    CProgressBar bar_;
};

// What export-wav and export-raw share: SONG OUT from args, the export, exit status 0
// when the file was written, 1 when not, 2 for bad arguments.
int RunExport(ExportFormat format, const std::vector<std::string>& args);
