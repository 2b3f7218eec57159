// The recording worker and the run around it: the drive's preparation and release, Stop
// during the write, and the wait for the worker that must serve the worker's messages.  Runs that
// write start the driver's filling thread, and most run the worker on its own thread: those suites
// are named Threaded.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <thread>

#include "base/ProcessFlags.h"
#include "disc/CdTextBuilder.h"
#include "disc/DiscImage.h"
#include "disc/DiscTestSupport.h"
#include "drivers/CdrDriver.h"
#include "drivers/DriverMessageQueue.h"
#include "recording/Normalization.h"
#include "recording/RecordRun.h"
#include "recording/RecordRunSetup.h"
#include "recording/RecordRunView.h"
#include "recording/RecordSession.h"
#include "recording/RecordWorker.h"
#include "support/TestPaths.h"
#include "support/VirtualRecorderRig.h"

namespace {
using Phases = std::vector<int32_t>;

// Also keeps the thread each message was shown on.
class CRecordingUi : public testrig::CRecordingDriverUi {
  public:
    void ReportError(const std::string& text) override {
        CRecordingDriverUi::ReportError(text);
        threads.push_back(std::this_thread::get_id());
    }
    std::vector<std::thread::id> threads;
};

class CCountingView : public IRecordRunView {
  public:
    void PostWriteEnded() override { ++posted; }
    std::atomic<int32_t> posted{0};
};

// Phases as the run goes, in order: what the driver finds at its operations, and what
// a watcher sees in between.
struct PhaseLog {
    std::mutex mutex;
    Phases seen;
    void Note(int32_t phase) {
        std::lock_guard<std::mutex> lock(mutex);
        if (seen.empty() || seen.back() != phase)
            seen.push_back(phase);
    }
};

class CPhaseDriver : public CCdrDriver {
  public:
    using CCdrDriver::CCdrDriver;
    int32_t TestUnitReady() override {
        Note();
        if (normalizeOnAtFirstCommand < 0)
            normalizeOnAtFirstCommand = discImage.normalizeOn;
        return CCdrDriver::TestUnitReady();
    }
    int32_t InitWrite() override {
        Note();
        return CCdrDriver::InitWrite();
    }
    int32_t StartWrite() override {
        Note();
        return CCdrDriver::StartWrite();
    }
    int32_t WriteBlocks(int32_t& address, const uint8_t* data, int32_t count) override {
        Note();
        return CCdrDriver::WriteBlocks(address, data, count);
    }
    int32_t FinishDisc() override {
        Note();
        return CCdrDriver::FinishDisc();
    }
    int32_t PreventRemoval(int32_t on) override {
        Note();
        return CCdrDriver::PreventRemoval(on);
    }
    void Note() {
        if (state != nullptr && log != nullptr) {
            std::lock_guard<std::mutex> lock(log->mutex);
            const int32_t phase = state->phase.load();
            if (log->seen.empty() || log->seen.back() != phase)
                log->seen.push_back(phase);
        }
    }
    CRecordSession* state = nullptr;
    PhaseLog* log = nullptr;
    int32_t normalizeOnAtFirstCommand = -1;
};

struct Rig : testrig::CVirtualRecorder {
    std::unique_ptr<CDiscImage> image;
    CRecordingUi ui;
    std::unique_ptr<CDriverMessageQueue> queue;
    std::unique_ptr<CPhaseDriver> driver;
    CRecordSession state;
    CCountingView view;
    PhaseLog phases;

    // image: the disc; queued: the driver reports through a message queue owned here.
    Rig(std::unique_ptr<CDiscImage> disc, CVirtualDevice::Config config = {}, bool queued = false)
        : CVirtualRecorder(config), image(std::move(disc)) {
        Device().ClearLog();
        IDriverUi* shown = &ui;
        if (queued) {
            queue = std::make_unique<CDriverMessageQueue>(ui);
            shown = queue.get();
        }
        driver = std::make_unique<CPhaseDriver>(transport, *image, *shown);
        driver->SetSleep([](int32_t) {});
        driver->state = &state;
        driver->log = &phases;
        ProcessFlags().cdTextInUse = 0;
        state.driver = driver.get();
        state.view = &view;
        state.speedChoice = 0;
        state.target = kDefaultNormalizeTarget;
        state.lower = kDefaultNormalizeLower;
        state.higher = kDefaultNormalizeHigher;
    }
};

// Fails the test instead of hanging it when a wait never ends.
class CWatchdog {
  public:
    explicit CWatchdog(int seconds) {
        thread_ = std::thread([this, seconds] {
            std::unique_lock<std::mutex> lock(mutex_);
            if (!changed_.wait_for(lock, std::chrono::seconds(seconds), [this] { return done_; })) {
                std::fprintf(stderr, "watchdog: the wait never ended\n");
                std::abort();
            }
        });
    }
    ~CWatchdog() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            done_ = true;
        }
        changed_.notify_all();
        thread_.join();
    }

  private:
    std::mutex mutex_;
    std::condition_variable changed_;
    bool done_ = false;
    std::thread thread_;
};

TEST(ThreadedRecordWorker, PreparesWritesAndReleasesTheDriveInOrder) {
    Rig rig(disctest::MakeDisc({2}));
    EXPECT_EQ(RecordWorker(rig.state), 0);
    rig.phases.Note(rig.state.phase.load());
    EXPECT_EQ(rig.phases.seen, (Phases{1, 4, 2, 3, 0}));
    EXPECT_EQ(rig.driver->normalizeOnAtFirstCommand, 0);
    EXPECT_EQ(rig.state.progress, 0);
    EXPECT_EQ(rig.state.completed, 1);
    EXPECT_EQ(ProcessFlags().recordingBusy, 0);
    EXPECT_EQ(rig.view.posted, 1);
    EXPECT_TRUE(rig.ui.messages.empty());
    EXPECT_FALSE(rig.Device().RemovalPrevented());
    EXPECT_TRUE(rig.Device().TrayOpen()) << "the disc is ejected";
}

TEST(ThreadedRecordWorker, ADiscThatIsNotBlankGivesOneMessageAndNoWrite) {
    CVirtualDevice::Config config;
    config.disc = CVirtualDevice::Disc::kWritten;
    Rig rig(disctest::MakeDisc({2}), config);
    EXPECT_EQ(RecordWorker(rig.state), 0);
    EXPECT_EQ(rig.ui.messages.size(), 1u);
    for (const auto& e : rig.Device().Log()) {
        EXPECT_NE(e.cdb[0], 0x5D);
        EXPECT_NE(e.cdb[0], 0x2A);
    }
    EXPECT_FALSE(rig.Device().TrayOpen()) << "the medium stays in";
    EXPECT_EQ(rig.state.phase, 0);
    EXPECT_EQ(rig.view.posted, 0);
}

// The dialog's Stop waits for the worker on the user-interface thread while the worker
// waits for its message to be acknowledged there: the wait serves the message.
TEST(ThreadedRecordRun, StopWhileTheWorkerReportsDoesNotHang) {
    CVirtualDevice::Config config;
    config.disc = CVirtualDevice::Disc::kWritten;
    Rig rig(disctest::MakeDisc({2}), config, true);
    CWatchdog watchdog(60);
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
    CWatchdog watchdog(60);
    CRecordRun run(*rig.queue);
    ASSERT_TRUE(run.Start(rig.state));
    while (rig.state.phase.load() != CRecordSession::kPhaseWritingTracks ||
           rig.state.progress.load() < 100)
        ASSERT_FALSE(run.Wait(1)) << "the write ended before Stop";
    run.Stop();
    EXPECT_EQ(rig.state.completed, 0);
    EXPECT_EQ(rig.state.phase, 0);
    EXPECT_TRUE(rig.ui.Messages().empty());
    EXPECT_EQ(rig.view.posted, 1) << "after a write the buttons come back";
    EXPECT_FALSE(rig.Device().RemovalPrevented());
    EXPECT_TRUE(rig.Device().TrayOpen());
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
