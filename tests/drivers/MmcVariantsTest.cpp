// The MMC variant drivers against virtual drives of their kinds: "MMC2" (disc-at-once in
// 13-block commands, multi-session byte 0xC4) and "MMCTRACK" (track-at-once, a filling
// thread per track, the session closed at the end).  Every write starts filling
// threads, hence the suites' names.
#include <gtest/gtest.h>

#include <algorithm>

#include "drivers/CdrDriver.h"
#include "drivers/Mmc2Driver.h"
#include "drivers/MmcTrackDriver.h"
#include "support/VirtualRecorderRig.h"

namespace {
using Fault = CVirtualDevice::Fault;
using Model = CVirtualDeviceConfig::Model;
using testrig::Expected;
using testrig::Join;
using testrig::Write;

using testrig::DriveOf;

TEST(ThreadedMmc2, ATenSecondTrackGoesInCommandsOfThirteenBlocks) {
    testrig::CDriverRig<CMmc2Driver> rig({10}, DriveOf(Model::kMmc2));
    rig.WriteDisc();
    EXPECT_EQ(rig.driver->DiscCompleted(), 1);
    EXPECT_TRUE(rig.ui.messages.empty());
    // 150 pregap blocks, then 750 of audio: 57 commands of 13 and one of 9.
    EXPECT_EQ(rig.Writes(), Join(Expected(-150, 150, 13), Expected(0, 750, 13)));
    EXPECT_EQ(rig.Writes().back(), (Write{741, 9}));
    EXPECT_EQ(rig.Device().WriteParameters()[2], 0x42);
    EXPECT_EQ(rig.Device().WriteParameters()[3], 0xC4);
    EXPECT_EQ(rig.FilesLeft().size(), 2u);
}

TEST(ThreadedMmc2, TheGenericDriverCannotSetUpAnMmc2Drive) {
    testrig::CDriverRig<CCdrDriver> rig({3}, DriveOf(Model::kMmc2));
    rig.WriteDisc();
    EXPECT_EQ(rig.ui.messages, std::vector<std::string>{"Cannot set write parameters mode page."});
    EXPECT_TRUE(rig.Writes().empty());
    EXPECT_EQ(rig.phase, 4);
}

struct TrackRig : testrig::CDriverRig<CMmcTrackDriver> {
    explicit TrackRig(std::vector<int32_t> seconds,
                      CVirtualDevice::Config config = DriveOf(Model::kTrackAtOnce))
        : CDriverRig(std::move(seconds), std::move(config)) {}
    // The opcodes of the log without READ BUFFER CAPACITY, WRITE and TEST UNIT READY runs.
    std::string Outline() const {
        std::string outline;
        uint8_t last = 0xFF;
        for (const auto& e : bus->Device(0).Log()) {
            const uint8_t op = e.cdb[0];
            if (op == 0x5C || (op == last && (op == 0x2A || op == 0x00)))
                continue;
            char text[4];
            std::snprintf(text, sizeof text, "%02X ", op);
            outline += text;
            last = op;
        }
        return outline;
    }
};

TEST(ThreadedMmcTrack, EachTrackStartsWhereTheDriveSaysAndIsFlushed) {
    TrackRig rig({5, 6, 7});
    rig.WriteDisc();
    EXPECT_EQ(rig.driver->DiscCompleted(), 1);
    EXPECT_TRUE(rig.ui.messages.empty());
    // 375, 450 and 525 blocks; each track after the first two seconds past the last.
    EXPECT_EQ(rig.Writes(), Join(Join(Expected(0, 375), Expected(525, 450)), Expected(1125, 525)));
    // The capabilities; per track: write parameters, the track query, the writes, the
    // flush; then the session closed and the drive asked until it is ready.
    const std::string track = "5A 55 52 2A 35 ";
    EXPECT_EQ(rig.Outline(), "5A " + track + track + track + "5B 00 ");
    EXPECT_EQ(rig.Device().WriteParameters()[2], 0x41) << "underrun free: the drive offers it";
    EXPECT_EQ(rig.Device().WriteParameters()[4], 0x00);
    EXPECT_EQ(rig.phase, 2) << "never finalizing: the drive closes the disc";
    EXPECT_EQ(rig.track, 2);
    EXPECT_EQ(rig.permille, 1000);
    EXPECT_EQ(rig.image->trackCount, 3);
    EXPECT_EQ(std::count(rig.sleeps.begin(), rig.sleeps.end(), 1000), 0)
        << "the drive was ready at once";
    std::vector<std::string> files = rig.FilesLeft();
    std::sort(files.begin(), files.end());
    EXPECT_EQ(files, (std::vector<std::string>{"disc-1.bin", "disc-1.cue"}));
    EXPECT_EQ(rig.Device().CurrentDisc(), CVirtualDevice::Disc::kWritten);
}

// Progress counts the blocks of the whole disc: after the first track of 12 seconds
// (900 blocks) of an 18-second disc, (900 × 1000 / 75) / 18 = 666.
class CProgressWatchingDriver : public CMmcTrackDriver {
  public:
    using CMmcTrackDriver::CMmcTrackDriver;
    int32_t FlushCache() override {
        if (permille != nullptr)
            atFlush.push_back(permille->load());
        return CMmcTrackDriver::FlushCache();
    }
    std::atomic<int32_t>* permille = nullptr;
    std::vector<int32_t> atFlush;
};

TEST(ThreadedMmcTrack, ProgressCountsTheBlocksOfTheWholeDisc) {
    CVirtualDevice::Config config = DriveOf(Model::kTrackAtOnce);
    // A drive whose buffer is empty whenever it is asked: it has written all it was sent.
    config.replies = {{{0x5C}, {0x00, 0x0A, 0x00, 0x00, 0x00, 0x40, 0, 0, 0x00, 0x40, 0, 0}}};
    testrig::CDriverRig<CProgressWatchingDriver> rig({12, 6}, config);
    rig.driver->permille = &rig.permille;
    rig.WriteDisc();
    EXPECT_EQ(rig.driver->atFlush, (std::vector<int32_t>{666, 1000}));
}

TEST(ThreadedMmcTrack, ATestWriteSetsTheTestBitAndLeavesTheDiscBlank) {
    CVirtualDevice::Config config = DriveOf(Model::kTrackAtOnce);
    config.bufe = false;
    TrackRig rig({5, 5}, config);
    rig.driver->test = 1;
    rig.WriteDisc();
    EXPECT_EQ(rig.Device().WriteParameters()[2], 0x11);
    EXPECT_EQ(rig.driver->DiscCompleted(), 1);
    EXPECT_EQ(rig.Writes(), Join(Expected(0, 375), Expected(525, 375)));
    EXPECT_EQ(rig.Device().CurrentDisc(), CVirtualDevice::Disc::kBlank);
    EXPECT_TRUE(rig.FilesLeft().empty());
}

TEST(ThreadedMmcTrack, AFailedWriteAbandonsTheRestAndLeavesTheSessionOpen) {
    CVirtualDevice::Config config = DriveOf(Model::kTrackAtOnce);
    // The second track's third command: 375 blocks are 14 commands.
    config.faults = {{.operationCode = 0x2A,
                      .first = 14 + 3,
                      .kind = Fault::Kind::kSense,
                      .senseKey = 3,
                      .asc = 0x0C}};
    TrackRig rig({5, 5, 5}, config);
    rig.WriteDisc();
    EXPECT_EQ(rig.ui.messages, std::vector<std::string>{"Write data failed."});
    const std::vector<Write> writes = rig.Writes();
    ASSERT_EQ(writes.size(), 14u + 3u);
    EXPECT_EQ(writes.back(), (Write{525 + 54, 27}));
    // Track 3 never begun, the failed track not flushed, the session not closed.
    EXPECT_EQ(rig.Outline(), "5A 5A 55 52 2A 35 5A 55 52 2A ");
    EXPECT_EQ(rig.driver->DiscCompleted(), 0);
    EXPECT_EQ(rig.image->trackCount, 3) << "the disc keeps its tracks for the next run";
    EXPECT_EQ(rig.Device().FinishedDiscs(), 0) << "no shorter disc that looks finished";
}

TEST(ThreadedMmcTrack, ADriveThatCannotSayWhereToWriteGetsNothing) {
    CVirtualDevice::Config config = DriveOf(Model::kTrackAtOnce);
    config.faults = {{.operationCode = 0x52, .first = 2, .kind = Fault::Kind::kTransport}};
    TrackRig rig({5, 5}, config);
    rig.WriteDisc();
    EXPECT_EQ(rig.ui.messages,
              std::vector<std::string>{
                  "The recorder no longer answers: it was disconnected or switched off."});
    EXPECT_EQ(rig.Writes(), Expected(0, 375)) << "the first track only";
    EXPECT_EQ(rig.driver->DiscCompleted(), 0);
}

TEST(ThreadedMmcTrack, StopEndsTheTrackAndTheRestAreNotRead) {
    TrackRig rig({5, 5, 5});
    rig.stop = 1;
    rig.WriteDisc();
    EXPECT_TRUE(rig.Writes().empty());
    EXPECT_EQ(rig.Outline(), "5A 5A 55 52 ");
    EXPECT_TRUE(rig.ui.messages.empty());
    EXPECT_EQ(rig.driver->DiscCompleted(), 0);
    EXPECT_TRUE(rig.driver->ring.empty());
}

}  // namespace
