// tunevarn-cli verify [options] PATH...: the disc in the recorder read back and compared,
// track by track, with the disc the songs make, shaped by the same options as when it
// was burnt.  The work runs on a thread of its own, so that Ctrl-C stops it between
// reads and the terminal shows its progress.
#include <atomic>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>

#include "app/BurnerApp.h"
#include "base/StartFolder.h"
#include "cli/BurnOptions.h"
#include "cli/CliArgs.h"
#include "cli/CliCommands.h"
#include "cli/CliSupport.h"
#include "cli/Commands.h"
#include "cli/InterruptFlag.h"
#include "cli/ProgressBar.h"
#include "cli/SongArgs.h"
#include "disc/DiscImage.h"
#include "drivers/CdrDriver.h"
#include "drivers/DriverMessageQueue.h"
#include "recording/Normalization.h"
#include "recording/RecordSession.h"
#include "songlist/SongList.h"
#include "verify/DiscVerifier.h"

namespace {
// Discovery's messages, on stderr.
class CVerifyMessages : public IDriverUi {
  public:
    void ReportError(const std::string& text) override {
        std::fprintf(stderr, "trace: %s\n", TerminalLines(text).c_str());
    }
};
}  // namespace

int RunVerify(const CCliArgs& args) {
    BurnOptions options;
    if (std::string wrong = ReadOptions(args, options); !wrong.empty())
        return args.Error(wrong);
    CInterruptFlag interrupt;

    CSongList songs;
    AddSongsFromPaths(songs, options.paths);
    if (songs.RowCount() == 0) {
        std::fprintf(stderr, "tunevarn-cli: verify: no songs to compare the disc with\n");
        return kExitFailed;
    }
    CVerifyMessages shown;
    CDriverMessageQueue messages(shown);
    auto app = std::make_unique<CBurnerApp>(CaptureStartFolder(), messages);
    int status = kExitOk;
    CCdrDriver* driver = FindRecorder(args, options, *app, status);
    if (driver == nullptr)
        return status;
    CDiscImage& disc = app->DiscImage();
    disc.SetGapless(options.gapless ? 1 : 0);
    FillDiscTelling(songs, disc);
    if (disc.trackCount == 0) {
        std::fprintf(stderr, "tunevarn-cli: verify: no track for the disc\n");
        return kExitFailed;
    }

    // The level analysis and the reading, as a recording run does them, on their thread.
    CRecordSession state;
    state.normalize = options.normalize ? 1 : 0;
    state.onlyIf = options.onlyIf ? 1 : 0;
    state.lower = options.lower;
    state.higher = options.higher;
    state.target = options.target;
    CVerifyResult result;
    std::atomic<int32_t> done{0};
    std::thread worker([&] {
        if (options.normalize && AnalyzeLevels(state, disc) == 0) {
            result.stopped = true;
        } else {
            disc.normalizeOn = options.normalize ? 1 : 0;
            state.phase = CRecordSession::kPhaseVerifying;
            result = VerifyDisc(
                driver->transport, disc, state.stopRequested, state.progress,
                [](int32_t ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); });
        }
        done = 1;
    });
    CProgressBar bar;
    while (done.load() == 0) {
        if (interrupt.Raised())
            state.stopRequested = 1;
        const bool analyzing = state.phase.load() != CRecordSession::kPhaseVerifying;
        const int32_t track = state.currentTrack.load();
        const int32_t perMille = analyzing
                                     ? (track * 1000 + state.progress.load()) / disc.trackCount
                                     : state.progress.load();
        bar.Show(perMille, analyzing ? "Normalizing" : "Verifying");
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    worker.join();
    bar.Clear();

    if (result.stopped && interrupt.Raised()) {
        std::fprintf(stderr, "tunevarn-cli: verify: stopped\n");
        return interrupt.ExitStatus();
    }
    if (!result.problem.empty()) {
        std::fprintf(stderr, "tunevarn-cli: verify: %s\n", result.problem.c_str());
        return kExitFailed;
    }
    for (const std::string& line : result.Lines()) std::printf("%s\n", line.c_str());
    const bool written = std::fflush(stdout) == 0;
    return result.Verified() && written ? kExitOk : kExitFailed;
}
