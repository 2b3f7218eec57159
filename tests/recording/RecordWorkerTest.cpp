// The run around the recording worker, on a thread of its own: Stop during the write, and
// the wait for the worker that must serve the worker's messages (the worker's own steps,
// for every driver: the fault matrix).  The runs start the driver's filling thread: the
// suite is Threaded.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "base/ProcessFlags.h"
#include "disc/DiscImage.h"
#include "disc/DiscTestSupport.h"
#include "drivers/CdrDriver.h"
#include "drivers/DriverMessageQueue.h"
#include "recording/CountingView.h"
#include "recording/Normalization.h"
#include "recording/RecordRun.h"
#include "recording/RecordRunView.h"
#include "recording/RecordSession.h"
#include "support/VirtualRecorderRig.h"

namespace {
// Also keeps the thread each message was shown on.
class CRecordingUi : public testrig::CRecordingDriverUi {
  public:
    void ReportError(const std::string& text) override {
        CRecordingDriverUi::ReportError(text);
        threads.push_back(std::this_thread::get_id());
    }
    std::vector<std::thread::id> threads;
};

struct Rig : testrig::CVirtualRecorder {
    std::unique_ptr<CDiscImage> image;
    CRecordingUi ui;
    std::unique_ptr<CDriverMessageQueue> queue;
    std::unique_ptr<CCdrDriver> driver;
    CRecordSession state;
    CCountingView view;

    // image: the disc; queued: the driver reports through a message queue owned here.
    Rig(std::unique_ptr<CDiscImage> disc, CVirtualDevice::Config config = {}, bool queued = false)
        : CVirtualRecorder(config), image(std::move(disc)) {
        Device().ClearLog();
        IDriverUi* shown = &ui;
        if (queued) {
            queue = std::make_unique<CDriverMessageQueue>(ui);
            shown = queue.get();
        }
        driver = std::make_unique<CCdrDriver>(transport, *image, *shown);
        driver->SetSleep([](int32_t) {});
        ProcessFlags().cdTextInUse = 0;
        state.driver = driver.get();
        state.view = &view;
        state.speedChoice = 0;
        state.target = kDefaultNormalizeTarget;
        state.lower = kDefaultNormalizeLower;
        state.higher = kDefaultNormalizeHigher;
    }
};

// The dialog's Stop waits for the worker on the user-interface thread while the worker
// waits for its message to be acknowledged there: the wait serves the message.
TEST(ThreadedRecordRun, StopWhileTheWorkerReportsDoesNotHang) {
    CVirtualDevice::Config config;
    config.disc = CVirtualDevice::Disc::kWritten;
    Rig rig(disctest::MakeDisc({2}), config, true);
    CRecordRun run(*rig.queue);
    ASSERT_TRUE(run.Start(rig.state));
    EXPECT_FALSE(run.Start(rig.state)) << "one run at a time";
    run.Stop();
    EXPECT_FALSE(run.Active());
    EXPECT_EQ(rig.ui.Messages().size(), 1u);
    EXPECT_EQ(rig.ui.threads, std::vector<std::thread::id>{std::this_thread::get_id()})
        << "shown on the thread that owns the window";
    EXPECT_EQ(ProcessFlags().recordingBusy, 0);
}

TEST(ThreadedRecordRun, StopDuringTheWriteEndsItAndReleasesTheDrive) {
    Rig rig(disctest::MakeDisc({120}), {}, true);
    rig.driver->SetFillerHook([] { std::this_thread::sleep_for(std::chrono::milliseconds(5)); });
    CRecordRun run(*rig.queue);
    ASSERT_TRUE(run.Start(rig.state));
    while (rig.state.phase.load() != CRecordSession::kPhaseWritingTracks ||
           rig.state.progress.load() < 100)
        ASSERT_FALSE(run.Wait(1)) << "the write ended before Stop";
    run.Stop();  // what Stop leaves of the drive and the disc: the fault matrix
    EXPECT_EQ(rig.state.completed, 0);
    EXPECT_EQ(rig.view.posted, 1) << "after a write the buttons come back";
    EXPECT_EQ(rig.Device().FinishedDiscs(), 0);
    // The next run in the same dialog: a fresh disc is in, and it goes to the end.
    rig.driver->SetFillerHook({});
    rig.state.stopRequested = 0;
    ASSERT_TRUE(run.Start(rig.state));
    EXPECT_TRUE(run.Wait(-1));
    EXPECT_EQ(rig.state.completed, 1);
    EXPECT_EQ(rig.Device().FinishedDiscs(), 1);
}

}  // namespace
