// Each driver writing short discs on a virtual drive of its command set: the raw form and
// command size it picks, and the progress it shows (what a test write leaves: the fault
// matrix).  Where the
// blocks go, the bytes each command set wants and the music on the disc are the
// end-to-end tests' (the virtual drives refuse a block out of place or in the wrong
// form), every fault and Stop the fault matrix's.  Every write starts the filling
// thread, hence the suites' names.
#include <gtest/gtest.h>

#include "drivers/MmcTrackDriver.h"
#include "support/VirtualRecorderRig.h"

namespace {
using testrig::CDriverRig;
using testrig::DriveOf;
using testrig::Model;
using Bytes = std::vector<uint8_t>;

CVirtualDevice::Config RawDrive(std::vector<int32_t> blockTypes, uint32_t maximumTransfer = 65536) {
    CVirtualDevice::Config config = DriveOf(Model::kMmcRaw);
    config.rawBlockTypes = std::move(blockTypes);
    config.maximumTransfer = maximumTransfer;
    config.leadInSecond = 27;
    return config;
}

// The test flag of the "RIC" drive is one bit of a page whose other bits stay as the
// drive keeps them.
TEST(ThreadedDriverWrites, TheRicTestFlagIsOnlyItsBit) {
    CDriverRig<> rig({2}, DriveOf(Model::kRic), false, "RIC");
    Bytes select(8 + 56, 0);
    select[8] = 0x05;
    select[9] = 0x36;
    select[10] = 0x62;  // underrun-free, link size valid, write type 2
    select[11] = 0xC4;
    select[12] = 0x08;
    select[13] = 0x20;
    select[16] = 0x10;
    for (size_t i = 24; i < select.size(); ++i) select[i] = static_cast<uint8_t>(i * 7);
    ASSERT_EQ(rig.Out({0x55, 0x10, 0, 0, 0, 0, 0, 0, 64, 0}, select), 0);
    auto expected = rig.Device().WriteParameters();
    expected[2] |= 0x10;
    rig.driver->test = 1;
    rig.WriteDisc();
    EXPECT_EQ(rig.Device().WriteParameters(), expected);
}

// The raw driver takes the first subchannel form the drive accepts (16-byte P-Q, then
// raw P-W, then packed P-W) and as many blocks a command as the path carries.
TEST(ThreadedDriverWrites, TheRawDriverTakesTheFirstFormTheDriveAccepts) {
    struct Case {
        std::vector<int32_t> accepted;
        uint32_t maximumTransfer;
        int32_t blockType, blockLength, blocksPerCommand;
    };
    const Case cases[] = {
        {{1, 2, 3}, 65536, 1, 2368, 27},
        {{1}, 65406, 1, 2368, 27},  // an adapter of 64 KiB that
                                    // takes 65406 bytes
        {{3, 2}, 65536, 3, 2448, 26},
        {{2}, 65536, 2, 2448, 26},
        {{3}, 32768, 3, 2448, 13},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.blockType);
        CDriverRig<> rig({2}, RawDrive(c.accepted, c.maximumTransfer), false, "MMCRAW");
        rig.WriteDisc();
        EXPECT_EQ(rig.driver->DiscCompleted(), 1);
        EXPECT_EQ(rig.Device().WriteParameters()[4], c.blockType);
        const auto writes = rig.Commands(0x2A);
        ASSERT_FALSE(writes.empty());
        EXPECT_EQ(bigendian::Get16(&writes[0].cdb[7]), static_cast<uint32_t>(c.blocksPerCommand));
        EXPECT_EQ(writes[0].length, static_cast<uint32_t>(c.blocksPerCommand * c.blockLength));
    }
    // A drive that takes no form is told apart from one whose MODE SELECT fails.
    CDriverRig<> none({2}, RawDrive({}), false, "MMCRAW");
    none.WriteDisc();
    CVirtualDevice::Config failing = RawDrive({1, 2, 3});
    failing.faults = {{.operationCode = 0x55,
                       .times = -1,
                       .kind = CVirtualDevice::Fault::Kind::kSense,
                       .senseKey = 3,
                       .asc = 0x0C}};
    CDriverRig<> broken({2}, failing, false, "MMCRAW");
    broken.WriteDisc();
    for (auto* rig : {&none, &broken}) {
        ASSERT_EQ(rig->ui.messages.size(), 1u);
        EXPECT_TRUE(rig->Commands(0x2A).empty());
        EXPECT_EQ(rig->driver->DiscCompleted(), 0);
    }
    EXPECT_NE(none.ui.messages[0], broken.ui.messages[0]);
}

// Progress moves once per slot with the drive: a driver whose audio WRITE calls watch it.
class CWatchedDriver : public CCdrDriver {
  public:
    using CCdrDriver::CCdrDriver;
    int32_t WriteBlocks(int32_t& address, const uint8_t* data, int32_t count) override {
        if (address >= 0 && permille != nullptr)
            seen.push_back(permille->load());
        return CCdrDriver::WriteBlocks(address, data, count);
    }
    std::atomic<int32_t>* permille = nullptr;
    std::vector<int32_t> seen;
};

class CWatchedTrackDriver : public CMmcTrackDriver {
  public:
    using CMmcTrackDriver::CMmcTrackDriver;
    int32_t FlushCache() override {
        if (permille != nullptr)
            seen.push_back(permille->load());
        return CMmcTrackDriver::FlushCache();
    }
    std::atomic<int32_t>* permille = nullptr;
    std::vector<int32_t> seen;
};

TEST(ThreadedDriverWrites, ProgressFollowsTheDrive) {
    // The drive's buffer holds two commands' worth (54 blocks) at every look: slot j
    // sees the drive 27 x (j - 1) - 54 blocks on, for slot 5 54 x 1000 / 75 / 10.
    CVirtualDevice::Config config;
    config.replies = {
        {{0x5C}, {0x00, 0x0A, 0x00, 0x00, 0x00, 0x10, 0x00, 0x00, 0x00, 0x0E, 0x0F, 0xE0}}};
    CDriverRig<CWatchedDriver> rig({10}, config);
    rig.driver->permille = &rig.permille;
    rig.WriteDisc();
    ASSERT_GE(rig.driver->seen.size(), 8u);
    EXPECT_EQ(rig.driver->seen[3], 0);
    EXPECT_EQ(rig.driver->seen[5], 72);
    EXPECT_EQ(rig.driver->seen[7], 144);
    EXPECT_EQ(rig.permille, 1000);

    // Track at once counts the whole disc: after 12 of 18 seconds, 666.
    CVirtualDevice::Config empty = DriveOf(Model::kTrackAtOnce);
    empty.replies = {{{0x5C}, {0x00, 0x0A, 0x00, 0x00, 0x00, 0x40, 0, 0, 0x00, 0x40, 0, 0}}};
    CDriverRig<CWatchedTrackDriver> tracks({12, 6}, empty);
    tracks.driver->permille = &tracks.permille;
    tracks.WriteDisc();
    EXPECT_EQ(tracks.driver->seen, (std::vector<int32_t>{666, 1000}));
}

}  // namespace
