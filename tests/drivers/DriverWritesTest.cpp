// Each driver writing short discs on a virtual drive of its command set: what a test write
// leaves, the raw form and command size it picks, the bytes its command set wants changed on
// the way, and the progress it shows.  Where the blocks go and the music on the disc are the
// end-to-end tests' (the virtual drives refuse a block out of place), every fault and Stop
// the fault matrix's.  Every write starts the
// filling thread, hence the suites' names.
#include <gtest/gtest.h>

#include "drivers/2600Driver.h"
#include "drivers/MmcTrackDriver.h"
#include "drivers/TeacDriver.h"
#include "support/Mp3Craft.h"
#include "support/VirtualRecorderRig.h"

namespace {
using testrig::CDriverRig;
using testrig::DriveOf;
using testrig::Model;
using Bytes = std::vector<uint8_t>;

// A lead-in from 97:24:00 (the virtual drive's) is 11700 blocks.
constexpr int32_t kLeadIn = 11700;

CVirtualDevice::Config RawDrive(std::vector<int32_t> blockTypes, uint32_t maximumTransfer = 65536) {
    CVirtualDevice::Config config = DriveOf(Model::kMmcRaw);
    config.rawBlockTypes = std::move(blockTypes);
    config.maximumTransfer = maximumTransfer;
    config.leadInSecond = 27;
    return config;
}

TEST(ThreadedDriverWrites, ATestWriteBurnsNothing) {
    struct Case {
        const char* driver;
        CVirtualDevice::Config drive;
        size_t byte;          // of the write parameters page
        uint8_t mask, value;  // what the test flag makes of it
    };
    const Case cases[] = {
        {"MMC", DriveOf(Model::kMmc), 2, 0xFF, 0x52},
        {"MMCRAW", RawDrive({1}), 2, 0x1F, 0x13},
        {"MMC2", DriveOf(Model::kMmc2), 2, 0x10, 0x10},
        {"MMCTRACK", DriveOf(Model::kTrackAtOnce), 2, 0x1F, 0x11},
        {"RIC", DriveOf(Model::kRic), 2, 0x10, 0x10},
        {"2600", DriveOf(Model::k2600), 0, 0, 0},
        {"SONY", DriveOf(Model::kSony), 0, 0, 0},
        {"TEAC", DriveOf(Model::kTeac), 0, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.driver);
        CDriverRig<> rig({3, 2}, c.drive, false, c.driver);
        rig.driver->test = 1;
        rig.WriteDisc();
        EXPECT_TRUE(rig.ui.messages.empty()) << rig.ui.messages[0];
        EXPECT_EQ(rig.driver->DiscCompleted(), 1);
        EXPECT_EQ(rig.Device().WriteParameters()[c.byte] & c.mask, c.value);
        EXPECT_EQ(rig.Device().CurrentDisc(), CVirtualDevice::Disc::kBlank);
        EXPECT_TRUE(rig.FilesLeft().empty());
    }
    // Burning: the MMC page says so.
    CDriverRig<> burn({2}, DriveOf(Model::kMmc), false, "MMC");
    burn.WriteDisc();
    EXPECT_EQ(burn.Device().WriteParameters()[2], 0x42);
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
    CDriverRig<> none({2}, RawDrive({}), false, "MMCRAW");
    none.WriteDisc();
    EXPECT_EQ(none.ui.messages.size(), 1u);
    EXPECT_TRUE(none.Commands(0x2A).empty());
    EXPECT_EQ(none.driver->DiscCompleted(), 0);
}

// A driver whose audio can be made of a pattern instead of the disc image's silence.
class CPatterned2600Driver : public C2600Driver {
  public:
    using C2600Driver::C2600Driver;
    int32_t WriteBlocks(int32_t& address, const uint8_t* data, int32_t count) override {
        if (address >= 0 && data != silenceBuffer.data()) {
            own.resize(static_cast<size_t>(count) * 2352);
            for (size_t i = 0; i < own.size(); ++i) own[i] = pattern[i % pattern.size()];
            data = own.data();
        }
        return C2600Driver::WriteBlocks(address, data, count);
    }
    Bytes pattern = {0x34, 0x12, 0xCD, 0xAB};  // the samples 0x1234 0xABCD
    Bytes own;
};

TEST(ThreadedDriverWrites, TheVendorCommandSetsGetTheirOwnBytes) {
    // "2600": the samples go big-endian to the drive, which takes them back as CD audio.
    CDriverRig<CPatterned2600Driver> swapped({4}, DriveOf(Model::k2600));
    swapped.WriteDisc();
    const auto audio = swapped.Commands(0x2A)[(kLeadIn + 150 + 12) / 13];
    EXPECT_EQ(Bytes(audio.dataOut.begin(), audio.dataOut.begin() + 4),
              (Bytes{0x12, 0x34, 0xAB, 0xCD}));
    const Bytes image = mp3craft::ReadBytes(swapped.folder + "/disc-1.bin");
    ASSERT_GE(image.size(), 4u);
    EXPECT_EQ(Bytes(image.begin(), image.begin() + 4), swapped.driver->pattern);

    // "SONY": the cue sheet of a 99-track disc (816 bytes) goes whole; a write of 27
    // blocks carries its byte count, 63504.
    CDriverRig<> sony(std::vector<int32_t>(99, 1), DriveOf(Model::kSony), false, "SONY");
    sony.WriteDisc();
    EXPECT_TRUE(sony.ui.messages.empty());
    const auto sheets = sony.Commands(0xE0);
    ASSERT_EQ(sheets.size(), 1u);
    EXPECT_EQ(bigendian::Get24(&sheets[0].cdb[1]), 816u);
    const auto writes = sony.Commands(0xE1);
    ASSERT_FALSE(writes.empty());
    EXPECT_EQ(bigendian::Get24(&writes[0].cdb[1]), 63504u);
    EXPECT_EQ(sony.Device().CurrentDisc(), CVirtualDevice::Disc::kWritten);

    // "TEAC": every WRITE but the last says more follows; speed 0 is page value 2.
    CDriverRig<> teac({10}, DriveOf(Model::kTeac), false, "TEAC");
    teac.WriteDisc();
    const auto teacWrites = teac.Commands(0x2A);
    ASSERT_FALSE(teacWrites.empty());
    for (size_t i = 0; i + 1 < teacWrites.size(); ++i) EXPECT_EQ(teacWrites[i].cdb[9], 0x80) << i;
    EXPECT_EQ(bigendian::Get32(&teacWrites.back().cdb[2]), 729u);
    EXPECT_EQ(teacWrites.back().cdb[9], 0x00);
    EXPECT_EQ(CTeacDriver::SpeedPageValue(0), CTeacDriver::SpeedPageValue(4));
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
