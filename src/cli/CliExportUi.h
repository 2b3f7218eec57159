#pragma once
// The export's user interface on a terminal: the output path comes from the command
// line (no dialog is asked), messages go to stderr, progress to the progress bar.
#include <string>
#include <vector>

#include "cli/InterruptFlag.h"
#include "cli/ProgressBar.h"
#include "recording/AudioExport.h"
#include "recording/ExportUi.h"

class CCliArgs;

class CCliExportUi : public IExportUi {
  public:
    bool AskSaveFile(const CFileDialogRequest& question, std::string& chosenPath) override;
    void ShowMessage(const std::string& title, const std::string& text) override;
    void ExportProgress(int64_t done, int64_t total) override;
    void ExportEnded() override { bar_.Clear(); }
    bool ExportStopRequested() override { return interrupt_.Raised(); }

    const CInterruptFlag& Interrupt() const { return interrupt_; }

  private:
    CInterruptFlag interrupt_;  // for the whole export: a signal never cuts a file short
    CProgressBar bar_;
};

// What export-wav and export-raw share: SONG OUT from args, the export, exit status 0
// when the file was written, 1 when not, 2 for bad arguments, 128 + the signal that
// stopped it (no file is left then).
int RunExport(ExportFormat format, const CCliArgs& args);
