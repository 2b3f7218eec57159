#pragma once
// The state a recording run shares between the Record dialog (the user-interface
// thread, which owns it) and the recording worker, and through it the driver's write.
// Each field has one writer at a time; the other side polls it.  Shared words are
// atomics: a plain int read on one thread while written on another is a data race.
#include <atomic>
#include <cstdint>
#include <string>

#include "verify/DiscVerifier.h"

class CCdrDriver;
class IRecordRunView;

struct CRecordSession {
    // Phase codes: what the run is doing, as the dialog's timer shows it.
    static constexpr int32_t kPhaseIdle = 0;
    static constexpr int32_t kPhaseInitializing = 1;
    static constexpr int32_t kPhaseWritingTracks = 2;
    static constexpr int32_t kPhaseFinalizing = 3;
    static constexpr int32_t kPhaseLeadIn = 4;
    static constexpr int32_t kPhaseVerifying = 5;
    static constexpr int32_t kPhaseAnalyzing = 999;

    std::atomic<int32_t> stopRequested{0};  // dialog: 0 at the start of a run, 1 on Stop
    std::atomic<int32_t> currentTrack{0};   // 0-based track being analysed or written
    std::atomic<int32_t> phase{kPhaseIdle};
    std::atomic<int32_t> progress{0};  // per mille
    // The chosen driver; set by the dialog before the worker starts and not changed
    // while it runs.  Its disc image pointer leads to the disc.
    CCdrDriver* driver = nullptr;
    std::atomic<int32_t> speedChoice{-1};  // speed radio button, 0 to 5
    std::atomic<int32_t> normalize{0};     // nonzero = normalize
    std::atomic<int32_t> onlyIf{0};        // normalization parameters (percent)
    std::atomic<int32_t> lower{0};
    std::atomic<int32_t> higher{0};
    std::atomic<int32_t> target{0};
    std::atomic<int32_t> useCdText{0};  // the dialog's own
    std::atomic<int32_t> verify{0};     // nonzero: a completed real write is verified
    std::string albumTitle;             // the dialog's own; never read by the worker
    // Whoever shows the run; the worker posts its button changes there.  May be null.
    IRecordRunView* view = nullptr;
    // Worker: 1 when the run's write finished the disc (test or real), else 0.
    std::atomic<int32_t> completed{0};
    // Worker: 1 when the run verified its disc (verifyResult says how it went), else 0.
    // The result is written before the worker ends and read after it has been joined.
    std::atomic<int32_t> verified{0};
    CVerifyResult verifyResult;
};
