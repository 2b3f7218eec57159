// tunevarn-cli analyze [--normalize-default on|off] PATH...: the level analysis of
// normalization over the songs as the tracks of one disc, and for each track its peak,
// its level and the gain that the Record dialog's default settings would apply.
#include <atomic>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "base/StartFolder.h"
#include "cli/CliArgs.h"
#include "cli/CliCommands.h"
#include "cli/CliNormalizeQuestion.h"
#include "cli/CliSupport.h"
#include "cli/Commands.h"
#include "cli/InterruptFlag.h"
#include "cli/ProgressBar.h"
#include "cli/SongArgs.h"
#include "disc/DiscImage.h"
#include "recording/Normalization.h"
#include "recording/RecordSession.h"

namespace {
// Runs the analysis on a worker thread, as a recording does, and shows its progress
// here; Ctrl-C asks it to stop.  1 when every track was measured.
int32_t RunAnalysis(CRecordSession& state, CDiscImage& disc, const CInterruptFlag& interrupt) {
    std::atomic<int32_t> result{-1};
    std::thread worker([&] { result = AnalyzeLevels(state, disc); });
    CProgressBar bar;
    const int32_t tracks = disc.trackCount;
    while (result.load() < 0) {
        if (interrupt.Raised())
            state.stopRequested = 1;
        int32_t track = state.currentTrack.load();
        if (state.phase.load() == CRecordSession::kPhaseAnalyzing && track < tracks) {
            char label[64];
            std::snprintf(label, sizeof label, "Normalizing track %d of %d", track + 1, tracks);
            bar.Show((track * 1000 + state.progress.load()) / tracks, label);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    worker.join();
    bar.Clear();
    return result.load();
}
}  // namespace

int RunAnalyze(const CCliArgs& args) {
    bool normalizeOn = true;
    if (args.Has("--normalize-default")) {
        std::string value = args.Value("--normalize-default");
        if (value != "on" && value != "off")
            return args.Error("--normalize-default takes on or off, not '" + value + "'");
        normalizeOn = value == "on";
    }
    if (args.Operands().empty())
        return args.Error("no PATH given");

    // The songs as burn takes them: files, folders, playlists and projects, then the
    // disc the record command would make of them.
    CSongList songs;
    AddSongsFromPaths(songs, args.Operands());
    auto disc = std::make_unique<CDiscImage>();
    FillDiscTelling(songs, *disc);
    if (disc->trackCount == 0) {
        std::fprintf(stderr, "tunevarn-cli: analyze: no songs to analyze\n");
        return kExitFailed;
    }

    // The default the record command would start with, asked and stored as it would be.
    CCliNormalizeQuestion question(normalizeOn);
    int32_t byDefault = LoadNormalizeDefault(CaptureStartFolder(), question);

    CRecordSession state;
    state.normalize = 1;
    state.target = kDefaultNormalizeTarget;
    state.lower = kDefaultNormalizeLower;
    state.higher = kDefaultNormalizeHigher;
    state.onlyIf = 0;
    CInterruptFlag interrupt;
    if (RunAnalysis(state, *disc, interrupt) != 1) {
        std::fprintf(stderr, "tunevarn-cli: analysis stopped\n");
        return interrupt.Raised() ? interrupt.ExitStatus() : kExitFailed;
    }

    std::printf("Normalizing by default: %s\n", byDefault != 0 ? "on" : "off");
    std::printf("Track   Peak  Level   Gain  File\n");
    for (int32_t t = 0; t < disc->trackCount; ++t) {
        int32_t peak = disc->peak[static_cast<size_t>(t)];
        float gain = 1.0f;
        CDiscImage::GainForPeak(peak, state.onlyIf, state.lower, state.higher, state.target, gain);
        std::printf("%5d  %5d  %4d%%  %5.3f  %s\n", t + 1, peak, CDiscImage::LevelOfPeak(peak),
                    static_cast<double>(gain),
                    TerminalText(disc->trackPath[static_cast<size_t>(t)].data()).c_str());
    }
    return std::fflush(stdout) == 0 ? kExitOk : kExitFailed;
}
