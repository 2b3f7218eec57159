// What the drivers do when the drive misbehaves: waits that a stop or a vanished drive
// ends, the retries a drive asks for (BUSY, "long write in progress"), buffer underrun
// protection, and the messages that name the fault before anything is written.  The
// drivers' pauses are recorded, not slept, except on the real-time recorder.  Every
// write starts the filling thread: the suites are Threaded.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <thread>
#include <typeinfo>

#include "base/ProcessFlags.h"
#include "disc/CdTextBuilder.h"
#include "drivers/CdrDriver.h"
#include "drivers/MmcRawDriver.h"
#include "drivers/MmcTrackDriver.h"
#include "drivers/SonyDriver.h"
#include "drivers/TeacDriver.h"
#include "support/VirtualRecorderRig.h"

namespace {
using testrig::CDriverRig;
using Fault = CVirtualDevice::Fault;
using Model = CVirtualDeviceConfig::Model;

constexpr char kGone[] = "The recorder no longer answers: it was disconnected or switched off.";

Fault FaultOn(uint8_t operationCode, Fault::Kind kind, int32_t times, int32_t first = 1) {
    Fault fault;
    fault.operationCode = operationCode;
    fault.first = first;
    fault.times = times;
    fault.kind = kind;
    return fault;
}

Fault SenseOn(uint8_t operationCode, uint8_t key, uint8_t asc, uint8_t ascq, int32_t times,
              int32_t first = 1) {
    Fault fault = FaultOn(operationCode, Fault::Kind::kSense, times, first);
    fault.senseKey = key;
    fault.asc = asc;
    fault.ascq = ascq;
    return fault;
}

CVirtualDevice::Config With(Model model, std::vector<Fault> faults) {
    CVirtualDevice::Config config;
    config.model = model;
    config.faults = std::move(faults);
    return config;
}

template <typename TDriver>
int64_t SecondsWaited(const CDriverRig<TDriver>& rig) {
    return std::count(rig.sleeps.begin(), rig.sleeps.end(), 1000);
}

// A drive that stays "becoming ready" for ever after the flush: the user's Stop ends the
// wait at the next second instead of five minutes later, and the disc is not taken for
// complete.
TEST(ThreadedDriverWaits, StopEndsTheWaitForADriveThatNeverGetsReady) {
    CDriverRig<CCdrDriver> rig({2}, With(Model::kMmc, {SenseOn(0x00, 2, 0x04, 0x01, -1)}));
    int32_t waited = 0;
    rig.driver->SetSleep([&](int32_t ms) {
        if (ms == 1000 && ++waited == 3)
            rig.stop = 1;
    });
    rig.WriteDisc();
    EXPECT_EQ(waited, 3);
    EXPECT_EQ(rig.driver->DiscCompleted(), 0);
    EXPECT_EQ(rig.driver->ClosingUnconfirmed(), 1) << "the disc was whole before the wait";
    EXPECT_TRUE(rig.ui.messages.empty());
}

// Track at once: the three-minute close of the session and the ready wait after it end
// on the same stop, and a stop given before a wait grants the drive a few seconds only.
TEST(ThreadedDriverWaits, StopEndsTheCloseOfATrackAtOnceSession) {
    CDriverRig<CMmcTrackDriver> rig({2, 2},
                                    With(Model::kTrackAtOnce, {SenseOn(0x00, 2, 0x04, 0x08, -1)}));
    int32_t waited = 0;
    rig.driver->SetSleep([&](int32_t ms) {
        if (ms == 1000 && ++waited == 1)
            rig.stop = 1;
    });
    rig.WriteDisc();
    EXPECT_EQ(waited, 1);

    CDriverRig<CCdrDriver> stopped({60}, With(Model::kMmc, {SenseOn(0x00, 2, 0x04, 0x08, -1)}));
    stopped.driver->SetFillerHook([&] { stopped.stop = 1; });
    stopped.WriteDisc();
    EXPECT_LE(SecondsWaited(stopped), 3);
    EXPECT_EQ(stopped.driver->DiscCompleted(), 0);
}

// READ BUFFER CAPACITY lost in the transport: flow control gives up at once rather than
// asking for two seconds, and the write ends with the one message.
TEST(ThreadedDriverWaits, FlowControlEndsOnAGoneDrive) {
    CDriverRig<CCdrDriver> rig({4},
                               With(Model::kMmc, {FaultOn(0x5C, Fault::Kind::kTransport, -1, 3)}));
    rig.WriteDisc();
    EXPECT_EQ(rig.ui.messages, std::vector<std::string>{kGone});
    EXPECT_EQ(rig.driver->DiscCompleted(), 0);
    EXPECT_TRUE(rig.FilesLeft().empty());
    EXPECT_LE(rig.Count(0x5C), 4u);
}

// The Sony drive's ten-second pause after a write it took but asks time for.
TEST(ThreadedDriverWaits, StopEndsTheSonyPause) {
    CDriverRig<CSonyDriver> rig({4}, With(Model::kSony, {SenseOn(0xE1, 6, 0x80, 0x00, -1, 3)}));
    int32_t paused = 0;
    rig.driver->SetSleep([&](int32_t ms) {
        if (ms == CSonyDriver::kBusyPauseMs && ++paused == 2)
            rig.stop = 1;
    });
    rig.WriteDisc();
    EXPECT_EQ(paused, 2);
    EXPECT_EQ(rig.driver->DiscCompleted(), 0);
}

TEST(ThreadedDriverRetries, ABusyDriveIsAskedAgainAFewTimes) {
    CDriverRig<CCdrDriver> brief({2}, With(Model::kMmc, {FaultOn(0x2A, Fault::Kind::kBusy, 3, 4),
                                                         FaultOn(0x35, Fault::Kind::kBusy, 1)}));
    brief.WriteDisc();
    EXPECT_TRUE(brief.ui.messages.empty());
    EXPECT_EQ(brief.driver->DiscCompleted(), 1);
    // The 50: the look at the drive's buffer before the flush.
    EXPECT_EQ(brief.sleeps, (std::vector<int32_t>{20, 40, 80, 50, 20}));

    CDriverRig<CCdrDriver> stuck({2},
                                 With(Model::kMmc, {FaultOn(0x2A, Fault::Kind::kBusy, -1, 4)}));
    stuck.WriteDisc();
    EXPECT_EQ(stuck.ui.messages, std::vector<std::string>{"Write data failed !!!."});
    EXPECT_EQ(stuck.driver->DiscCompleted(), 0);
    EXPECT_EQ(stuck.Count(0x2A), 3u + 5u) << "three good WRITEs, then one and four tries more";
}

// "Long write in progress" and its siblings on the CD-TEXT lead-in and on the flush are
// waited out as on the audio.
TEST(ThreadedDriverRetries, LongWriteInProgressOnTheLeadInAndTheFlush) {
    CDriverRig<CCdrDriver> rig({2}, With(Model::kMmc, {SenseOn(0x2A, 2, 0x04, 0x08, 12, 2),
                                                       SenseOn(0x35, 2, 0x04, 0x07, 12)}));
    CCdTextBuilder builder;
    builder.AddText("Album", 0);
    builder.AddText("Song", 1);
    builder.BuildPacks();
    rig.driver->SetCdTextSource(&builder);
    ProcessFlags().cdTextInUse = 1;
    rig.WriteDisc();
    EXPECT_TRUE(rig.ui.messages.empty()) << rig.ui.messages[0];
    EXPECT_EQ(rig.driver->DiscCompleted(), 1);
    EXPECT_FALSE(rig.FilesLeft().empty());
}

TEST(ThreadedDriverMessages, AFailedFlushIsReported) {
    CDriverRig<CCdrDriver> rig({2}, With(Model::kMmc, {SenseOn(0x35, 3, 0x0C, 0x00, 1)}));
    rig.WriteDisc();
    EXPECT_EQ(rig.ui.messages, std::vector<std::string>{
                                   "Flushing the drive's cache failed: the disc is not complete."});
    EXPECT_EQ(rig.driver->DiscCompleted(), 0);
}

// A "blank" disc whose next writable address is not 0 says so, and nothing is sent.
TEST(ThreadedDriverMessages, ABlankDiscWithAWritableAddressBeyondZero) {
    CVirtualDevice::Config config;
    std::vector<uint8_t> info(28, 0);
    info[1] = 26;
    info[7] = 0x01;  // next writable address valid
    info[15] = 100;
    config.replies.push_back({{0x52, 0x01, 0x00, 0x00, 0x00, 0xFF}, info});
    CDriverRig<CCdrDriver> rig({2}, config);
    rig.WriteDisc();
    EXPECT_EQ(rig.ui.messages,
              std::vector<std::string>{
                  "The disc claims to be blank, but writing would have to start at block 100, "
                  "not at 0."});
    EXPECT_EQ(rig.Count(0x5D), 0u);
    EXPECT_TRUE(rig.Writes().empty());
}

// More music than the disc holds is refused before the drive hears of it, with both
// times: the songs' lead-out start (2-second pregap included) and the disc's last one.
template <typename TDriver>
void ExpectRefusedAsTooLong(Model model, const char* text) {
    CDriverRig<TDriver> rig({2400, 2414}, With(model, {}));
    rig.WriteDisc();
    EXPECT_EQ(rig.ui.messages, std::vector<std::string>{text}) << typeid(TDriver).name();
    EXPECT_EQ(rig.Count(0x5D), 0u);
    EXPECT_TRUE(rig.Writes().empty());
}

TEST(ThreadedDriverMessages, MoreMusicThanTheDiscHoldsIsRefusedWithBothTimes) {
    ExpectRefusedAsTooLong<CCdrDriver>(Model::kMmc,
                                       "The songs need 80:16 but the disc holds 79:59.");
    ExpectRefusedAsTooLong<CMmcRawDriver>(Model::kMmcRaw,
                                          "The songs need 80:16 but the disc holds 79:59.");
    // Track at once leaves a 2-second gap before each track.
    ExpectRefusedAsTooLong<CMmcTrackDriver>(Model::kTrackAtOnce,
                                            "The songs need 80:18 but the disc holds 79:59.");
    // A disc whose last lead-out may start at 00:10:00 takes 8 seconds of songs after the
    // pregap, and not one more.
    CVirtualDevice::Config small;
    std::vector<uint8_t> info(34, 0);
    info[1] = 32;
    info[17] = 97;
    info[18] = 24;
    info[21] = 0;
    info[22] = 10;
    info[23] = 0;
    small.replies.push_back({{0x51}, info});
    CDriverRig<CCdrDriver> fits({8}, small);
    fits.WriteDisc();
    EXPECT_TRUE(fits.ui.messages.empty());
    EXPECT_EQ(fits.driver->DiscCompleted(), 1);
    CDriverRig<CCdrDriver> over({9}, small);
    over.WriteDisc();
    EXPECT_EQ(over.ui.messages,
              std::vector<std::string>{"The songs need 00:11 but the disc holds 00:10."});
}

TEST(ThreadedDriverMessages, CdTextOnADriveThatCannotWriteItIsRefusedFirst) {
    CVirtualDevice::Config config;
    config.cdText = false;
    CDriverRig<CCdrDriver> rig({2}, config);
    CCdTextBuilder builder;
    builder.AddText("Album", 0);
    builder.BuildPacks();
    rig.driver->SetCdTextSource(&builder);
    ProcessFlags().cdTextInUse = 1;
    rig.WriteDisc();
    EXPECT_EQ(rig.ui.messages, std::vector<std::string>{
                                   "This drive cannot write CD-TEXT: write the disc without it."});
    EXPECT_EQ(rig.Count(0x5D), 0u);
    EXPECT_TRUE(rig.Writes().empty());
}

// A filler that falls behind a fast real-time drive for the last few slots: a drive
// that offers buffer underrun protection pauses and the disc is finished, the pauses
// counted; one without loses the disc.
TEST(ThreadedDriverUnderrun, ProtectionLetsTheDrivePauseForTheFiller) {
    for (bool bufe : {true, false}) {
        CVirtualDevice::Config config;
        config.maxSpeed = 32;
        config.bufferBytes = 256 * 1024;
        config.bufe = bufe;
        CDriverRig<CCdrDriver> rig({47}, config, true);
        CCdrDriver& driver = *rig.driver;
        ASSERT_EQ(driver.SetSpeed(2, 32), 0);
        // Each slot after the prefill comes only once the ring is empty and the drive's
        // small buffer has had time to run dry.
        driver.SetFillerHook([&driver] {
            while (driver.ringReadIndex.load() != driver.ringWriteIndex.load() &&
                   driver.endOfData.load() == 0)
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
            std::this_thread::sleep_for(std::chrono::milliseconds(150));
        });
        rig.WriteDisc();
        if (bufe) {
            EXPECT_TRUE(rig.ui.messages.empty()) << rig.ui.messages[0];
            EXPECT_EQ(driver.DiscCompleted(), 1);
            EXPECT_GT(driver.UnderrunProtections(), 0);
            EXPECT_GT(rig.Device().Underruns(), 0) << "the drive did run dry";
            EXPECT_NE(std::find_if(rig.ui.traces.begin(), rig.ui.traces.end(),
                                   [](const std::string& line) {
                                       return line.rfind("Buffer underrun protection was used ",
                                                         0) == 0;
                                   }),
                      rig.ui.traces.end());
            EXPECT_FALSE(rig.FilesLeft().empty());
        } else {
            EXPECT_EQ(rig.ui.messages, std::vector<std::string>{
                                           "Buffer underrun! You should reduce burning speed."});
            EXPECT_EQ(driver.DiscCompleted(), 0);
            EXPECT_EQ(driver.UnderrunProtections(), 0);
            EXPECT_TRUE(rig.FilesLeft().empty());
        }
    }
}

// What the transport tells the drivers about a failure: a system that refuses a request
// is no vanished drive, a lost or timed-out command is.
TEST(TransportFailures, AreTold) {
    struct Case {
        Fault::Kind kind;
        CScsiTransport::Failure failure;
        bool gone;
    };
    const Case cases[] = {
        {Fault::Kind::kTransport, CScsiTransport::Failure::kNoAnswer, true},
        {Fault::Kind::kTimeOut, CScsiTransport::Failure::kTimeOut, true},
        {Fault::Kind::kBusy, CScsiTransport::Failure::kBusy, false},
        {Fault::Kind::kCheckWithoutSense, CScsiTransport::Failure::kCheckCondition, false},
    };
    for (const Case& c : cases) {
        testrig::CVirtualRecorder rig(With(Model::kMmc, {FaultOn(0x00, c.kind, 1)}));
        EXPECT_EQ(rig.None({0x00, 0, 0, 0, 0, 0}), 1);
        EXPECT_EQ(rig.transport.LastFailure(), c.failure);
        EXPECT_EQ(rig.transport.DriveGone(), c.gone);
        EXPECT_EQ(rig.None({0x00, 0, 0, 0, 0, 0}), 0);
        EXPECT_EQ(rig.transport.LastFailure(), CScsiTransport::Failure::kNone);
    }
    CVirtualDevice::Config small;
    small.maximumTransfer = 4096;
    testrig::CVirtualRecorder rig(small);
    std::vector<uint8_t> reply(8192);
    EXPECT_EQ(rig.In({0x5A, 0, 0x2A, 0, 0, 0, 0, 0x20, 0x00, 0}, reply), 1);
    EXPECT_EQ(rig.transport.LastFailure(), CScsiTransport::Failure::kRefused);
    EXPECT_FALSE(rig.transport.DriveGone());
}
}  // namespace
