#include "recording/RecordWorker.h"

#include <chrono>
#include <iterator>
#include <thread>

#include "base/ProcessFlags.h"
#include "disc/DiscImage.h"
#include "drivers/CdrDriver.h"
#include "recording/Normalization.h"
#include "recording/RecordRunView.h"
#include "recording/RecordSession.h"
#include "verify/DiscVerifier.h"

bool SpeedFactorOfChoice(int32_t choice, int32_t& factor) {
    static constexpr int32_t kFactors[] = {1, 2, 4, 6, 8, 0};
    if (choice < 0 || choice >= static_cast<int32_t>(std::size(kFactors)))
        return false;
    factor = kFactors[choice];
    return true;
}

namespace {
// Steps 2 to 8: false when the run ended early (stop during the analysis, no medium,
// no blank disc).
bool Run(CRecordSession& state, CCdrDriver& driver) {
    CDiscImage& disc = driver.discImage;
    // The dialog's controls stay live during a run and any click reads them into the
    // fields: the run keeps the settings it started with.
    const int32_t normalize = state.normalize.load();
    const int32_t speedChoice = state.speedChoice.load();
    if (normalize != 0 && AnalyzeLevels(state, disc) == 0)
        return false;  // stopped: the drive is not touched
    disc.normalizeOn = normalize;
    state.phase = CRecordSession::kPhaseInitializing;

    driver.TestUnitReady();
    if (driver.LoadUnload(1) != 0)
        return false;
    driver.TestUnitReady();
    driver.TestUnitReady();
    driver.Rezero();
    int32_t factor = 0;
    if (SpeedFactorOfChoice(speedChoice, factor))
        driver.SetSpeed(2, factor);
    if (driver.CheckBlankDisc() != 0) {
        // No disc, a disc that is not blank and one that cannot be read each say so.
        driver.ReportError(CCdrDriver::BlankCheckMessage(driver.LastBlankCheck()));
        return false;
    }

    // A stop during the preparation writes nothing; the drive is released all the same.
    if (state.stopRequested.load() == 0) {
        driver.WriteDisc(&state, state.progress, state.phase, state.stopRequested,
                         state.currentTrack);
        state.completed = driver.DiscCompleted();
    }
    // Read back before the tray opens: the disc just written is still in it.
    if (state.completed.load() == 1 && driver.test.load() == 0 && state.verify.load() != 0 &&
        state.stopRequested.load() == 0) {
        state.phase = CRecordSession::kPhaseVerifying;
        state.verifyResult = VerifyDisc(
            driver.transport, disc, state.stopRequested, state.progress,
            [](int32_t ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); });
        state.verified = 1;
    }
    driver.PreventRemoval(0);
    driver.Rezero();
    driver.LoadUnload(0);
    state.progress = 0;
    state.phase = CRecordSession::kPhaseIdle;
    if (state.view != nullptr)
        state.view->PostWriteEnded();
    return true;
}
}  // namespace

int32_t RecordWorker(CRecordSession& state) {
    ProcessFlags().recordingBusy = 1;
    state.completed = 0;
    state.verified = 0;
    if (state.driver != nullptr)
        Run(state, *state.driver);
    state.progress = 0;
    state.phase = CRecordSession::kPhaseIdle;
    ProcessFlags().recordingBusy = 0;
    return 0;
}
