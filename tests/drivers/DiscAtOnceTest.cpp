// The disc-at-once write of the generic MMC driver, against the virtual recorder: the
// commands it sends, the ring and its filling thread, flow control, progress, failure
// handling, the CD-TEXT lead-in (retries and Stop, for every driver, are the fault
// matrix's).  Every write starts the filling thread, hence the suite's name.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <thread>

#include "base/ProcessFlags.h"
#include "disc/CdTextBuilder.h"
#include "disc/DiscImage.h"
#include "disc/DiscTestSupport.h"
#include "drivers/CdrDriver.h"
#include "scsi/BigEndian.h"
#include "support/TestPaths.h"
#include "support/VirtualRecorderRig.h"

namespace {
using Fault = CVirtualDevice::Fault;
using Bytes = std::vector<uint8_t>;

// A driver whose audio WRITE calls can be watched from the test.
class CWatchedDriver : public CCdrDriver {
  public:
    using CCdrDriver::CCdrDriver;
    int32_t WriteBlocks(int32_t& address, const uint8_t* data, int32_t count) override {
        if (address >= 0 && permille != nullptr)
            permilleSeen.push_back(permille->load());
        return CCdrDriver::WriteBlocks(address, data, count);
    }
    std::atomic<int32_t>* permille = nullptr;
    std::vector<int32_t> permilleSeen;
};

using testrig::Expected;
using testrig::Join;
using testrig::Write;

struct Rig : testrig::CDriverRig<CWatchedDriver> {
    Rig(std::vector<int32_t> seconds, CVirtualDevice::Config config = {}, bool realTime = false)
        : CDriverRig(std::move(seconds), std::move(config), realTime) {
        driver->permille = &permille;
    }
};

// The milliseconds the driver asked to sleep, in all.
int32_t Waited(const Rig& rig) {
    int32_t waited = 0;
    for (int32_t ms : rig.sleeps) waited += ms;
    return waited;
}

TEST(ThreadedDiscAtOnce, ATenSecondDiscIsPregapThenAudioInWholeCommands) {
    Rig rig({10});
    rig.WriteDisc();
    // 150 pregap blocks at -150 to -1, then 750 at 0 to 749: 27 at a time, 21 last.
    EXPECT_EQ(rig.Writes(), Join(Expected(-150, 150), Expected(0, 750)));
    EXPECT_EQ(rig.Writes().back(), (Write{729, 21}));
    EXPECT_EQ(rig.phase, 3);
    EXPECT_EQ(rig.permille, 1000);
    EXPECT_EQ(rig.track, 0);
    EXPECT_TRUE(rig.ui.messages.empty());
    EXPECT_EQ(rig.driver->DiscCompleted(), 1);

    const auto& log = rig.Device().Log();
    // Track query, capabilities, write parameters, cue sheet, power calibration, then
    // the writes, each behind a look at the drive's buffer, and the cache flush at the
    // end.
    ASSERT_GE(log.size(), 7u);
    EXPECT_EQ(log[0].cdb[0], 0x52);
    EXPECT_EQ(log[1].CdbText(), "5A 00 2A 00 00 00 00 00 D0 00");
    EXPECT_EQ(log[2].cdb[0], 0x5A);
    EXPECT_EQ(log[3].cdb[0], 0x55);
    EXPECT_EQ(log[4].cdb[0], 0x5D);
    EXPECT_EQ(log[5].cdb[0], 0x54);
    int32_t length = 0;
    const uint8_t* sheet = rig.image->BuildMmcCueSheet(length);
    EXPECT_EQ(log[4].dataOut, Bytes(sheet, sheet + length));
    EXPECT_EQ(log[4].CdbText(), "5D 00 00 00 00 00 00 00 20 00");
    for (size_t i = 6; i < log.size(); ++i) {
        if (log[i].cdb[0] == 0x2A) {
            EXPECT_EQ(log[i - 1].cdb[0], 0x5C) << i;
        }
    }
    EXPECT_EQ(rig.Count(0x35), 1u);
    EXPECT_EQ(std::filesystem::file_size(rig.folder + "/disc-1.bin"), 750u * 2352u);
    EXPECT_TRUE(rig.driver->ring.empty()) << "the buffers are released";
    EXPECT_EQ(rig.driver->nextAddress, 0);
}

TEST(ThreadedDiscAtOnce, ProgressIsWhereTheDriveIsOncePerSlot) {
    CVirtualDevice::Config config;
    // The drive's buffer holds two commands' worth (54 blocks) at every look.
    config.replies = {
        {{0x5C}, {0x00, 0x0A, 0x00, 0x00, 0x00, 0x10, 0x00, 0x00, 0x00, 0x0E, 0x0F, 0xE0}}};
    Rig rig({10}, config);
    rig.WriteDisc();
    // Seen by the audio write of slot j: the drive at the look before slot j - 1, that
    // is 27 × (j - 1) - 54 blocks: for slot 5, 54 × 1000 / 75 / 10.
    ASSERT_GE(rig.driver->permilleSeen.size(), 8u);
    EXPECT_EQ(rig.driver->permilleSeen[3], 0);
    EXPECT_EQ(rig.driver->permilleSeen[5], 72);
    EXPECT_EQ(rig.driver->permilleSeen[7], 144);
    EXPECT_EQ(rig.permille, 1000) << "the disc completed";
}

TEST(ThreadedDiscAtOnce, TheTestBitDecidesBetweenSimulationAndBurning) {
    for (int32_t test : {1, 0}) {
        Rig rig({2});
        rig.driver->test = test;
        rig.WriteDisc();
        EXPECT_EQ(rig.Device().WriteParameters()[2], test ? 0x52 : 0x42);
        EXPECT_EQ(rig.Device().WriteParameters()[4], 8);
        EXPECT_EQ(rig.driver->DiscCompleted(), 1);
        EXPECT_EQ(rig.Device().FinishedDiscs(), 1);
        EXPECT_EQ(rig.Device().CurrentDisc(),
                  test ? CVirtualDevice::Disc::kBlank : CVirtualDevice::Disc::kWritten);
        EXPECT_EQ(rig.FilesLeft().size(), test ? 0u : 2u) << "disc-1.bin and disc-1.cue";
    }
}

TEST(ThreadedDiscAtOnce, ADiscShorterThanTheRingIsWrittenFromThePrefill) {
    Rig rig({30});  // 2250 blocks: 84 slots, fewer than the 127 the ring holds
    rig.WriteDisc();
    EXPECT_EQ(rig.Writes(), Join(Expected(-150, 150), Expected(0, 2250)));
    EXPECT_EQ(rig.Writes().back(), (Write{2241, 9}));
    EXPECT_EQ(rig.driver->DiscCompleted(), 1);
    EXPECT_TRUE(rig.ui.messages.empty());
}

TEST(ThreadedDiscAtOnce, AFailedWriteEndsTheWriteAndTheDiscIsStillFlushed) {
    struct Case {
        Fault fault;
        const char* message;
    };
    const Case cases[] = {
        {{.operationCode = 0x2A,
          .first = 9,
          .kind = Fault::Kind::kSense,
          .senseKey = 3,
          .asc = 0x0C},
         "Write data failed."},
        {{.operationCode = 0x2A, .first = 9, .kind = Fault::Kind::kTransport},
         "The recorder no longer answers: it was disconnected or switched off."},
    };
    for (const Case& c : cases) {
        CVirtualDevice::Config config;
        config.faults = {c.fault};
        Rig rig({20}, config);
        rig.WriteDisc();
        EXPECT_EQ(rig.ui.messages, std::vector<std::string>{c.message});
        // The ninth WRITE failed: nothing was written after it, at any address.
        EXPECT_EQ(rig.Writes().size(), 9u);
        EXPECT_EQ(rig.Device().Log().back().cdb[0], 0x00) << "waiting for the drive";
        EXPECT_EQ(rig.Count(0x35), 1u);
        EXPECT_EQ(rig.phase, 3);
        EXPECT_EQ(rig.driver->DiscCompleted(), 0);
        EXPECT_TRUE(rig.FilesLeft().empty());
    }
}

TEST(ThreadedDiscAtOnce, ABufferThatCannotBeAskedAboutIsGivenUpAfterTwoSeconds) {
    CVirtualDevice::Config config;
    // A drive that does not know the command (a drive that is gone ends the write).
    config.faults = {{.operationCode = 0x5C,
                      .times = -1,
                      .kind = Fault::Kind::kSense,
                      .senseKey = 5,
                      .asc = 0x20}};
    Rig rig({10}, config);
    rig.WriteDisc();
    EXPECT_EQ(rig.driver->DiscCompleted(), 1);
    EXPECT_TRUE(rig.ui.messages.empty());
    const int32_t waited = Waited(rig);
    EXPECT_GE(waited, 2000);
    EXPECT_LT(waited, 2200);
    EXPECT_EQ(rig.ui.traces,
              std::vector<std::string>{
                  "READ BUFFER CAPACITY keeps failing: writing on without flow control."});
}

// Found by fuzzing: a buffer whose free count never grows (here a drive that always
// answers the same numbers; a buffer smaller than one command does the same) held the
// write in its room wait for ever.
TEST(ThreadedDiscAtOnce, ABufferThatNeverDrainsIsGivenUpAfterTenSeconds) {
    Bytes stuck(12, 0);
    bigendian::Put16(&stuck[0], 10);
    bigendian::Put32(&stuck[4], 4 * 1024 * 1024);
    bigendian::Put32(&stuck[8], 1000);
    CVirtualDevice::Config config;
    config.replies = {{{0x5C}, stuck}};
    Rig rig({10}, config);
    rig.WriteDisc();
    EXPECT_EQ(rig.driver->DiscCompleted(), 1);
    EXPECT_TRUE(rig.ui.messages.empty());
    const int32_t waited = Waited(rig);
    EXPECT_GE(waited, 10000);
    EXPECT_LT(waited, 10200);
    EXPECT_EQ(rig.ui.traces,
              std::vector<std::string>{"The drive's buffer reports no room and does not drain: "
                                       "writing on without flow control."});
}

TEST(ThreadedDiscAtOnce, WritesStayWithinWhatThePathTakes) {
    CVirtualDevice::Config config;
    config.maximumTransfer = 32768;  // 13 blocks of 2352 bytes
    Rig rig({5}, config);
    rig.WriteDisc();
    EXPECT_EQ(rig.driver->DiscCompleted(), 1);
    EXPECT_TRUE(rig.ui.messages.empty());
    for (const Write& w : rig.Writes()) EXPECT_LE(w.blocks, 13);
    EXPECT_EQ(rig.Writes().back(), (Write{364, 11}));
}

TEST(ThreadedDiscAtOnce, TheCdTextLeadInRepeatsThePackGroups) {
    CCdTextBuilder builder;
    builder.AddText("An album with a longer title", 0);
    builder.AddText("One", 1);
    builder.AddText("Two", 2);
    builder.BuildPacks();
    const int32_t groups = builder.blockCount;
    ASSERT_EQ(groups, 2);
    Rig rig({3, 4});
    ASSERT_EQ(rig.driver->leadInLength, 11700);  // lead-in from 97:24:00
    rig.driver->SetCdTextSource(&builder);
    ProcessFlags().cdTextInUse = 1;
    rig.WriteDisc();
    EXPECT_EQ(rig.driver->DiscCompleted(), 1);
    EXPECT_TRUE(rig.ui.messages.empty());

    int32_t address = -11850;
    int32_t group = 0;
    size_t leadInCommands = 0;
    for (const auto& e : rig.Device().Log()) {
        if (e.cdb[0] != 0x2A || static_cast<int32_t>(bigendian::Get32(&e.cdb[2])) >= -150)
            continue;
        const auto blocks = static_cast<int32_t>(bigendian::Get16(&e.cdb[7]));
        ASSERT_EQ(static_cast<int32_t>(bigendian::Get32(&e.cdb[2])), address);
        ASSERT_EQ(e.length, static_cast<uint32_t>(blocks) * 96u);
        auto expected = builder.blocks[static_cast<size_t>(group)]->Data();
        ASSERT_EQ(e.dataOut, Bytes(expected.begin(), expected.end())) << "at " << address;
        address += blocks;
        group = (group + blocks) % groups;
        ++leadInCommands;
    }
    EXPECT_EQ(address, -150) << "the whole lead-in";
    EXPECT_EQ(leadInCommands, (11700u + 26u) / 27u);
    std::ifstream cue(rig.folder + "/disc-1.cue");
    std::string text((std::istreambuf_iterator<char>(cue)), std::istreambuf_iterator<char>());
    EXPECT_NE(text.find("TITLE \"An album with a longer title\"\n"), std::string::npos);
    EXPECT_NE(text.find("    TITLE \"Two\"\n"), std::string::npos);
}

TEST(ThreadedDiscAtOnce, ALeadInThatCannotBeIsNotWritten) {
    CVirtualDevice::Config config;
    config.leadInMinute = 0;
    config.leadInSecond = 0;
    config.leadInFrame = 0;
    CCdTextBuilder builder;
    builder.AddText("Album", 0);
    builder.BuildPacks();
    Rig rig({3}, config);
    ASSERT_EQ(rig.driver->leadInLength, 450000);
    rig.driver->SetCdTextSource(&builder);
    ProcessFlags().cdTextInUse = 1;
    rig.WriteDisc();
    EXPECT_EQ(rig.ui.messages, std::vector<std::string>{
                                   "The disc reports no usable lead-in: cannot write CD-TEXT."});
    EXPECT_TRUE(rig.Writes().empty());
    EXPECT_EQ(rig.phase, 4);
    EXPECT_EQ(rig.driver->DiscCompleted(), 0);
}

// A filler that falls behind an 8x drive without underrun protection: the ring runs
// dry, then the drive's buffer.
TEST(ThreadedDiscAtOnce, AFillerSlowerThanTheDriveUnderruns) {
    CVirtualDevice::Config config;
    config.bufe = false;  // an old drive: its disc is lost when its buffer runs dry
    config.maxSpeed = 8;
    config.bufferBytes = 512 * 1024;
    Rig rig({60}, config, true);
    CCdrDriver& driver = *rig.driver;
    ASSERT_EQ(driver.SetSpeed(2, 8), 0);
    // After the prefill, each further slot takes a second: far below 8x.
    driver.SetFillerHook([&driver] {
        for (int i = 0; i < 100 && driver.endOfData.load() == 0; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    });
    const auto start = std::chrono::steady_clock::now();
    rig.WriteDisc();
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_EQ(rig.ui.messages,
              std::vector<std::string>{"Buffer underrun! You should reduce burning speed."});
    EXPECT_EQ(driver.DiscCompleted(), 0);
    EXPECT_EQ(rig.phase, 3);
    EXPECT_TRUE(rig.FilesLeft().empty());
    // The ring's 127 slots lasted about as long as an 8x drive takes for them.
    EXPECT_GT(seconds, 127 * 27 / 600.0 * 0.8);
}

// In real time the host waits for room in the drive's buffer and never overruns it.
TEST(ThreadedDiscAtOnce, FlowControlKeepsPaceWithARealTimeDrive) {
    CVirtualDevice::Config config;
    // Slow enough that decoding keeps ahead even on a loaded machine or under a
    // sanitizer; the drive's buffer still holds only a fifth of the disc.
    config.maxSpeed = 8;
    config.bufferBytes = 256 * 1024;
    Rig rig({6}, config, true);
    ASSERT_EQ(rig.driver->SetSpeed(2, 8), 0);
    rig.Device().ClearLog();
    const auto start = std::chrono::steady_clock::now();
    rig.WriteDisc();
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_EQ(rig.driver->DiscCompleted(), 1);
    EXPECT_TRUE(rig.ui.messages.empty());
    EXPECT_EQ(rig.Device().Underruns(), 0);
    // 600 blocks at 8x take 1.0 s; the host had to wait for room in between.
    EXPECT_GT(seconds, 0.8);
    EXPECT_GT(rig.Count(0x5C), rig.Count(0x2A));
}

}  // namespace
