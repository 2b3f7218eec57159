// tunevarn-cli burn [options] PATH...: the main job without the window.  The songs become
// the disc as the record command makes it, and the run goes as from the Record dialog:
// the recording worker on its own thread, the dialog's phase texts with a progress bar
// here, Ctrl-C as its Stop, the drivers' messages on stderr.
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/BurnerApp.h"
#include "app/DiscFilling.h"
#include "base/DisplayText.h"
#include "base/ProcessFlags.h"
#include "base/StartFolder.h"
#include "cli/BurnOptions.h"
#include "cli/CliArgs.h"
#include "cli/CliCommands.h"
#include "cli/CliSupport.h"
#include "cli/Commands.h"
#include "cli/InterruptFlag.h"
#include "cli/ProgressBar.h"
#include "cli/SongArgs.h"
#include "disc/CdTextBuilder.h"
#include "disc/DiscImage.h"
#include "drivers/DriverMessageQueue.h"
#include "recording/Normalization.h"
#include "recording/RecordDialogControls.h"
#include "recording/RecordDialogLogic.h"
#include "recording/RecordDialogView.h"
#include "recording/RecordRunSetup.h"
#include "recording/RecordSession.h"
#include "scsi/ScsiTransport.h"
#include "songlist/SongList.h"
#include "ui/TextFormat.h"

namespace {
constexpr int kNotCompleted = kExitFailed;

// The drivers' messages on the terminal.  They come here on the main thread, through
// the message queue; the bar is taken off the line first.  On an interactive terminal
// the run waits for Enter, as it waits for OK on the message box.
// Once a stop was asked for, nobody waits for Enter: the run is on its way out (and after
// SIGHUP there is no terminal to press it on).  Once the disc is complete, what goes
// wrong (the unlock, the eject) is kept for warnings after the verdict.
class CBurnMessages : public IDriverUi {
  public:
    CBurnMessages(CProgressBar& bar, const CInterruptFlag& interrupt)
        : bar_(bar), interrupt_(interrupt) {}
    // The run's verdict so far, once there is a run.
    void Follow(const CRecordSession& state) { state_ = &state; }
    void ReportError(const std::string& text) override {
        if (state_ != nullptr && state_->completed.load() == 1) {
            warnings_.push_back(text);
            return;
        }
        // A failure told before any stop decides the run's verdict, even when Ctrl-C
        // then comes at its prompt.
        failedFirst_ = failedFirst_ || !interrupt_.Raised();
        bar_.Clear();
        std::fprintf(stderr, "trace: %s\n", TerminalLines(text).c_str());
        if (!interrupt_.Raised() && ::isatty(STDIN_FILENO) == 1 && ::isatty(STDERR_FILENO) == 1) {
            std::fprintf(stderr, "Press Enter to go on. ");
            std::fflush(stderr);
            std::string line;
            if (!CInterruptFlag::ReadLine(line))
                std::fputc('\n', stderr);
        }
        std::fflush(stderr);
    }
    bool FailedBeforeAnyStop() const { return failedFirst_; }
    const std::vector<std::string>& Warnings() const { return warnings_; }

  private:
    CProgressBar& bar_;
    const CInterruptFlag& interrupt_;
    const CRecordSession* state_ = nullptr;
    bool failedFirst_ = false;
    std::vector<std::string> warnings_;
};

// The Record dialog as the terminal presents it: the options are what the user set in
// its controls, its phase line and bar are drawn as a progress bar on a terminal, else
// as one line per change.  There are no buttons to change.
class CCliRecordView : public IRecordDialogView {
  public:
    explicit CCliRecordView(CProgressBar& bar)
        : bar_(bar), terminal_(::isatty(STDERR_FILENO) == 1) {}

    void ReadControls(CRecordControls& values) override { values = controls; }
    void PushFields(const CRecordControls& values) override { controls = values; }
    void EnableControl(int32_t, bool) override {}
    void SetControlText(int32_t id, const std::string& text) override {
        if (id == recordctl::kPhase)
            phaseLine_ = text;
        else if (id == recordctl::kAlbumTitle)
            controls.albumTitle = text;  // the title offered, unless --album names one
    }
    void SetCaption(const std::string&) override {}
    void SetProgressRange(int32_t, int32_t) override {}
    void SetProgress(int32_t) override {}
    void StartTimer(int32_t, int32_t) override {}
    void ShowRunResult(const std::string&) override {}  // the command says it at its end
    void PostToUi(std::function<void()>) override {}

    // The line the dialog's timer set, with the run's progress: during the analysis the
    // bar covers all tracks, not the current one alone.
    void Show(const CRecordSession& state, int32_t trackCount) {
        const int32_t phase = state.phase.load();
        const int32_t track = state.currentTrack.load();
        int32_t perMille = state.progress.load();
        if (phase == CRecordSession::kPhaseAnalyzing && trackCount > 0)
            perMille = (track * 1000 + perMille) / trackCount;
        const std::string text = TerminalText(DisplayText(phaseLine_));
        if (terminal_) {
            if (!text.empty())
                bar_.Show(perMille, text);
            return;
        }
        // Logs get a line when the phase or the track changes, not every percent.
        if (!text.empty() && (phase != shownPhase_ || track != shownTrack_)) {
            std::fprintf(stderr, "%s\n", text.c_str());
            shownPhase_ = phase;
            shownTrack_ = track;
        }
    }

    CRecordControls controls;

  private:
    CProgressBar& bar_;
    bool terminal_;
    std::string phaseLine_;
    int32_t shownPhase_ = -1;
    int32_t shownTrack_ = -1;
};
}  // namespace

int RunBurn(const CCliArgs& args) {
    BurnOptions options;
    if (std::string wrong = ReadOptions(args, options); !wrong.empty())
        return args.Error(wrong);
    // From here on a signal stops the burn its own way, whatever it is doing.
    CInterruptFlag interrupt;

    CSongList songs;
    AddSongsFromPaths(songs, options.paths);
    if (songs.RowCount() == 0) {
        std::fprintf(stderr, "tunevarn-cli: burn: no songs to burn\n");
        return kNotCompleted;
    }

    CProgressBar bar;
    CBurnMessages shown(bar, interrupt);
    CDriverMessageQueue messages(shown);
    // The application's objects, as the window program holds them for its whole run.
    auto app = std::make_unique<CBurnerApp>(CaptureStartFolder(), messages);
    int status = kExitOk;
    CCdrDriver* driver = FindRecorder(args, options, *app, status);
    if (driver == nullptr)
        return status;
    CDiscImage* disc = &app->DiscImage();
    if (options.gapless) {
        if (const std::string why = GaplessRefusal(driver); !why.empty()) {
            std::fprintf(stderr, "tunevarn-cli: burn: --gapless: %s\n", TerminalText(why).c_str());
            return kExitBadArguments;
        }
    }

    // The record command's disc: every row, as far as the disc takes them.
    disc->SetGapless(options.gapless ? 1 : 0);
    FillDiscTelling(songs, *disc);
    if (disc->trackCount == 0) {
        std::fprintf(stderr, "tunevarn-cli: burn: no track for the disc\n");
        return kNotCompleted;
    }
    if (interrupt.Raised()) {  // before anything was sent to write
        std::fprintf(stderr, "tunevarn-cli: burn: stopped; nothing was written\n");
        return interrupt.ExitStatus();
    }
    if (options.cdText && ProcessFlags().cdTextCapable.load() == 0) {
        std::fprintf(stderr, "tunevarn-cli: burn: this recorder's driver does not write CD-TEXT\n");
        return kNotCompleted;
    }
    std::printf("%s\n", TerminalText(DisplayText(app->RecorderLine())).c_str());
    std::printf("%s\n", TerminalText(DisplayText(TotalsLine(*disc))).c_str());
    std::fflush(stdout);

    // The Record dialog with the options set in its controls, then Test or Record.
    CCliRecordView view(bar);
    CRecordDialogLogic dialog(view, driver, *disc, app->NewCdTextBuilder(), messages,
                              options.normalize ? 1 : 0);
    shown.Follow(dialog.Session());
    dialog.OnInitDialog();
    view.controls.speedChoice = options.speedChoice;
    view.controls.onlyIf = options.onlyIf ? 1 : 0;
    view.controls.lower = options.lower;
    view.controls.higher = options.higher;
    view.controls.target = options.target;
    view.controls.useCdText = options.cdText ? 1 : 0;
    view.controls.verify = options.verify ? 1 : 0;
    if (options.albumGiven)
        view.controls.albumTitle = options.album;
    if (options.test)
        dialog.OnTest();
    else
        dialog.OnRecordStart();
    if (options.cdText && dialog.CdTextBuilder().TitlesShortened())
        std::fprintf(stderr,
                     "tunevarn-cli: burn: the titles do not all fit the CD-TEXT; the "
                     "last ones are cut\n");
    if (options.cdText) {
        // Said once, at the start: the titles are on their way to the disc.
        const std::string note = TransliterationNote(dialog.CdTextBuilder());
        if (!note.empty())
            std::fprintf(stderr, "tunevarn-cli: burn: %s\n", TerminalLines(note.substr(1)).c_str());
    }

    bool stopped = false;
    {
        while (!dialog.WaitForRun(50)) {
            if (interrupt.Raised() && !stopped) {
                stopped = true;
                dialog.RequestStop();  // Stop's request: the run ends its own way
            }
            dialog.OnProgressTimer(CRecordDialogLogic::kProgressTimer);
            view.Show(dialog.Session(), disc->trackCount);
        }
        // Ctrl-C at the prompt of a failure does not make the failure a stop.
        stopped = (stopped || interrupt.Raised()) && !shown.FailedBeforeAnyStop();
        bar.Clear();
    }
    if (const int32_t held = driver->UnderrunProtections(); held > 0)
        std::printf("Buffer underrun protection held the disc %d time%s.\n", held,
                    held == 1 ? "" : "s");
    const CRecordSession& state = dialog.Session();

    // A stop that came after the last block was sent finds the disc finished anyway.
    if (state.completed.load() == 1) {
        std::printf("%s\n",
                    options.test ? "Test write completed: nothing was burnt." : "Disc completed.");
        if (const std::string image = app->LastDiscImage(); !image.empty() && !options.test)
            std::printf("Image: %s\n", TerminalText(image).c_str());
        bool verified = true;
        if (options.verify) {
            // A verification that was stopped or could not be made proves nothing.
            verified = state.verified.load() == 1 && state.verifyResult.Verified();
            if (state.verified.load() == 0)
                std::printf("The disc was not verified.\n");
            else
                for (const std::string& line : state.verifyResult.Lines())
                    std::printf("%s\n", line.c_str());
        }
        const bool written = std::fflush(stdout) == 0;
        // The disc is whole; what failed after it (the unlock, the eject) is the user's
        // to see to.
        for (const std::string& warning : shown.Warnings())
            std::fprintf(stderr, "tunevarn-cli: burn: warning: %s\n",
                         TerminalLines(warning).c_str());
        if (!verified)
            return stopped ? interrupt.ExitStatus() : kNotCompleted;
        return written ? kExitOk : kNotCompleted;
    }
    std::fprintf(stderr, "tunevarn-cli: burn: %s; the disc %s\n", stopped ? "stopped" : "failed",
                 driver->ClosingUnconfirmed() == 1 ? "may be incomplete" : "was not completed");
    return stopped ? interrupt.ExitStatus() : kNotCompleted;
}
