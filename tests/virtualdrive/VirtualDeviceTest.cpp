// The virtual recorder's device model, reached through the transport like a real drive.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "scsi/BigEndian.h"
#include "scsi/ScsiTransport.h"
#include "support/TestPaths.h"
#include "support/VirtualRecorderRig.h"
#include "virtualdrive/VirtualBus.h"

namespace {
using Fault = CVirtualDevice::Fault;

using Rig = testrig::CVirtualRecorder;

std::vector<uint8_t> WriteParametersSelect(uint8_t byte2) {
    std::vector<uint8_t> data(8 + 56, 0);
    data[8] = 0x05;
    data[9] = 0x36;
    data[10] = byte2;
    data[12] = 0x08;
    return data;
}

TEST(VirtualDevice, IdentifiesItselfAndReportsItsCapabilities) {
    CVirtualDevice::Config config;
    config.vendor = "ACME";
    config.product = "BURNER 52X";
    config.revision = "2.01";
    Rig rig({config});
    EXPECT_EQ(rig.transport.SelectDevice(0), 0);
    EXPECT_STREQ(rig.transport.Vendor(), "ACME");
    EXPECT_STREQ(rig.transport.Product(), "BURNER 52X");
    EXPECT_STREQ(rig.transport.Revision(), "2.01");
    EXPECT_EQ(rig.transport.ReadCapabilities(), 1);

    config.writesCdr = false;
    Rig reader({config});
    EXPECT_EQ(reader.transport.ReadCapabilities(), 0);

    config.cdDevice = false;  // a hard disk has no capabilities page at all
    Rig disk({config});
    EXPECT_EQ(disk.transport.ReadCapabilities(), 0);
    EXPECT_EQ(disk.Sense(), "5/24/00");
}

TEST(VirtualDevice, ModeSenseRepliesHaveConsistentLengths) {
    Rig rig;
    std::vector<uint8_t> reply(208);
    ASSERT_EQ(rig.In({0x5A, 0, 0x05, 0, 0, 0, 0, 0, 208, 0}, reply), 0);
    EXPECT_EQ(bigendian::Get16(&reply[0]), 8u + 56u - 2u);
    EXPECT_EQ(bigendian::Get16(&reply[6]), 0u);
    EXPECT_EQ(reply[8], 0x05);
    EXPECT_EQ(reply[9], 0x36);
    EXPECT_EQ(rig.Last().transferred, 64u);

    // The six-byte form carries a block descriptor with the current block length.
    std::vector<uint8_t> six(255);
    ASSERT_EQ(rig.In({0x1A, 0, 0x2A, 0, 255, 0}, six), 0);
    EXPECT_EQ(six[0], 4 + 8 + 30 - 1);
    EXPECT_EQ(six[3], 8);
    EXPECT_EQ(bigendian::Get24(&six[9]), 2048u);
    EXPECT_EQ(six[12], 0x2A);

    // Allocation length cuts the reply; a reply larger than the host's buffer overruns.
    std::vector<uint8_t> small(16);
    ASSERT_EQ(rig.In({0x5A, 0, 0x2A, 0, 0, 0, 0, 0, 16, 0}, small), 0);
    EXPECT_EQ(rig.Last().transferred, 16u);
    EXPECT_EQ(rig.In({0x5A, 0, 0x2A, 0, 0, 0, 0, 0, 40, 0}, small), 1);
    EXPECT_EQ(rig.Last().result, CVirtualDevice::Result::kHost);

    EXPECT_EQ(rig.In({0x5A, 0, 0x0E, 0, 0, 0, 0, 0, 208, 0}, reply), 2);  // unknown page
    EXPECT_EQ(rig.Sense(), "5/24/00");
    EXPECT_EQ(rig.In({0x5A, 0, 0xC5, 0, 0, 0, 0, 0, 208, 0}, reply), 2);  // saved values
    EXPECT_EQ(rig.Sense(), "5/39/00");
}

TEST(VirtualDevice, ModeSelectChecksWhatAStrictDriveChecks) {
    Rig rig;
    EXPECT_EQ(rig.Out({0x55, 0x10, 0, 0, 0, 0, 0, 0, 64, 0}, WriteParametersSelect(0x52)), 0);
    EXPECT_EQ(rig.Device().WriteParameters()[2], 0x52);

    struct Case {
        const char* what;
        std::vector<uint8_t> cdb;
        std::vector<uint8_t> data;
        int32_t result;
        const char* sense;
    };
    auto withHeaderLength = WriteParametersSelect(0x42);
    withHeaderLength[1] = 62;
    auto savable = WriteParametersSelect(0x42);
    savable[8] |= 0x80;
    auto badWriteType = WriteParametersSelect(0x47);
    auto shortPage = WriteParametersSelect(0x42);
    shortPage[9] = 0x32;
    shortPage.resize(8 + 52);
    std::vector<uint8_t> capabilities(8 + 30, 0);
    capabilities[8] = 0x2A;
    capabilities[9] = 28;
    const Case cases[] = {
        {"mode data length set",
         {0x55, 0x10, 0, 0, 0, 0, 0, 0, 64, 0},
         withHeaderLength,
         2,
         "5/26/00"},
        {"PS bit set", {0x55, 0x10, 0, 0, 0, 0, 0, 0, 64, 0}, savable, 2, "5/26/00"},
        {"write type 7", {0x55, 0x10, 0, 0, 0, 0, 0, 0, 64, 0}, badWriteType, 2, "5/26/00"},
        {"page 5 of 52 bytes", {0x55, 0x10, 0, 0, 0, 0, 0, 0, 60, 0}, shortPage, 2, "5/26/00"},
        {"page 2A", {0x55, 0x10, 0, 0, 0, 0, 0, 0, 38, 0}, capabilities, 2, "5/26/00"},
        {"no PF bit",
         {0x55, 0x00, 0, 0, 0, 0, 0, 0, 64, 0},
         WriteParametersSelect(0x42),
         2,
         "5/24/00"},
        {"list past the page",
         {0x55, 0x10, 0, 0, 0, 0, 0, 0, 63, 0},
         WriteParametersSelect(0x42),
         2,
         "5/1A/00"},
        {"list longer than data",
         {0x55, 0x10, 0, 0, 0, 0, 0, 0, 80, 0},
         WriteParametersSelect(0x42),
         1,
         ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(rig.Out(c.cdb, c.data), c.result) << c.what;
        if (c.result == 2) {
            EXPECT_EQ(rig.Sense(), c.sense) << c.what;
        }
    }
    EXPECT_EQ(rig.Device().WriteParameters()[2], 0x52) << "a refused page changed the drive";

    // Block length through a block descriptor, as SetBlockLength sends it.
    EXPECT_EQ(rig.Out({0x15, 0, 0, 0, 12, 0}, {0, 0, 0, 8, 0, 0, 0, 0, 0, 0x00, 0x09, 0x30}), 0);
    EXPECT_EQ(rig.Device().BlockLength(), 2352u);
    EXPECT_EQ(rig.Out({0x15, 0, 0, 0, 12, 0}, {0, 0, 0, 8, 0, 0, 0, 0, 0, 0x00, 0x01, 0x00}), 2);
    EXPECT_EQ(rig.Device().BlockLength(), 2352u);
}

TEST(VirtualDevice, DiscInformationFollowsTheDiscInTheDrive) {
    CVirtualDevice::Config config;
    config.leadInMinute = 97;
    config.leadInSecond = 27;
    config.leadInFrame = 3;
    Rig blank({config});
    std::vector<uint8_t> info(42);
    ASSERT_EQ(blank.In({0x51, 0, 0, 0, 0, 0, 0, 0, 42, 0}, info), 0);
    EXPECT_EQ(info[2] & 0x03, 0);
    EXPECT_EQ(info[17], 97);
    EXPECT_EQ(info[18], 27);
    EXPECT_EQ(info[19], 3);
    EXPECT_EQ(blank.Last().transferred, 34u);
    std::vector<uint8_t> track(28);
    ASSERT_EQ(blank.In({0x52, 1, 0, 0, 0, 0xFF, 0, 0, 28, 0}, track), 0);
    EXPECT_EQ(track[7] & 0x01, 1);
    EXPECT_EQ(bigendian::Get32(&track[12]), 0u);
    std::vector<uint8_t> capacity(8);
    ASSERT_EQ(blank.In({0x25, 0, 0, 0, 0, 0, 0, 0, 0, 0}, capacity), 0);
    EXPECT_EQ(bigendian::Get32(&capacity[0]), 0xFFFFFFFFu);

    config.disc = CVirtualDevice::Disc::kWritten;
    config.recordedBlocks = 336000;
    Rig written({config});
    ASSERT_EQ(written.In({0x51, 0, 0, 0, 0, 0, 0, 0, 42, 0}, info), 0);
    EXPECT_EQ(info[2] & 0x03, 2);
    ASSERT_EQ(written.In({0x52, 1, 0, 0, 0, 0xFF, 0, 0, 28, 0}, track), 0);
    EXPECT_EQ(track[7] & 0x01, 0);
    ASSERT_EQ(written.In({0x25, 0, 0, 0, 0, 0, 0, 0, 0, 0}, capacity), 0);
    EXPECT_EQ(bigendian::Get32(&capacity[0]), 335999u);

    config.disc = CVirtualDevice::Disc::kNone;
    Rig empty({config});
    EXPECT_EQ(empty.In({0x51, 0, 0, 0, 0, 0, 0, 0, 42, 0}, info), 2);
    EXPECT_EQ(empty.Sense(), "2/3A/01");
    EXPECT_EQ(empty.None({0, 0, 0, 0, 0, 0}), 2);
}

TEST(VirtualDevice, TrayLockAndSpeedBehaveLikeADrive) {
    Rig rig;
    EXPECT_EQ(rig.None({0x1E, 0, 0, 0, 1, 0}), 0);
    EXPECT_EQ(rig.None({0x1B, 0, 0, 0, 0x02, 0}), 2);  // eject while locked
    EXPECT_EQ(rig.Sense(), "5/53/02");
    EXPECT_EQ(rig.None({0x1E, 0, 0, 0, 0, 0}), 0);
    EXPECT_EQ(rig.None({0x1B, 0, 0, 0, 0x02, 0}), 0);
    EXPECT_TRUE(rig.Device().TrayOpen());
    EXPECT_EQ(rig.None({0x00, 0, 0, 0, 0, 0}), 2);
    EXPECT_EQ(rig.Sense(), "2/3A/02");
    EXPECT_EQ(rig.None({0x1B, 0, 0, 0, 0x03, 0}), 0);
    EXPECT_EQ(rig.None({0x00, 0, 0, 0, 0, 0}), 0);

    EXPECT_EQ(rig.None({0xBB, 0, 0xFF, 0xFF, 0x02, 0xC4, 0, 0, 0, 0, 0, 0}), 0);
    EXPECT_EQ(rig.Device().CurrentWriteSpeed(), 708u);
    EXPECT_EQ(rig.None({0xBB, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 0, 0}), 0);
    EXPECT_EQ(rig.Device().CurrentWriteSpeed(), 8u * 177u);
}

TEST(VirtualDevice, RefusesUnknownCommandsAndWrongLengthsLikeADrive) {
    Rig rig;
    std::vector<uint8_t> data(64);
    EXPECT_EQ(rig.None({0x2A, 0, 0, 0, 0, 0, 0, 0, 1, 0}), 2);  // WRITE without a cue sheet
    EXPECT_EQ(rig.Sense(), "5/2C/00");
    EXPECT_EQ(rig.None({0xAD, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}), 2);  // READ DVD STRUCTURE
    EXPECT_EQ(rig.Sense(), "5/20/00");
    EXPECT_EQ(rig.None({0xE7, 0, 0, 0, 0, 0, 0, 0, 0, 0}), 2);  // a vendor command
    EXPECT_EQ(rig.Sense(), "5/20/00");
    EXPECT_EQ(rig.None({0x00, 0, 0, 0, 0, 0, 0, 0, 0, 0}), 2);  // 6-byte code in 10 bytes
    EXPECT_EQ(rig.Sense(), "5/24/00");
    EXPECT_EQ(rig.In({0x12, 1, 0x80, 0, 64, 0}, data), 2);  // vital product data
    EXPECT_EQ(rig.Sense(), "5/24/00");
}

TEST(VirtualDevice, InjectedFaultsHitTheNthOccurrenceForTheirCount) {
    CVirtualDevice::Config config;
    config.faults = {
        {.operationCode = 0x00,
         .first = 2,
         .times = 3,
         .kind = Fault::Kind::kSense,
         .senseKey = 2,
         .asc = 0x04,
         .ascq = 0x01},
        {.operationCode = 0x5C, .first = 1, .times = -1, .kind = Fault::Kind::kTransport},
        {.operationCode = 0x35, .first = 1, .times = 1, .kind = Fault::Kind::kBusy},
        {.operationCode = 0x35, .first = 2, .times = 1, .kind = Fault::Kind::kCheckWithoutSense},
        {.operationCode = 0x35, .first = 3, .times = 1, .kind = Fault::Kind::kTimeOut},
    };
    Rig rig({config});
    std::vector<int32_t> results;
    for (int i = 0; i < 6; ++i) results.push_back(rig.None({0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(results, (std::vector<int32_t>{0, 2, 2, 2, 0, 0}));
    std::vector<uint8_t> capacity(12);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(rig.In({0x5C, 0, 0, 0, 0, 0, 0, 0, 12, 0}, capacity), 1);
    EXPECT_EQ(rig.None({0x35, 0, 0, 0, 0, 0, 0, 0, 0, 0}), 1);
    EXPECT_EQ(rig.Last().result, CVirtualDevice::Result::kBusy);
    EXPECT_EQ(rig.None({0x35, 0, 0, 0, 0, 0, 0, 0, 0, 0}), 1);
    EXPECT_EQ(rig.Last().result, CVirtualDevice::Result::kCheck);
    EXPECT_EQ(rig.None({0x35, 0, 0, 0, 0, 0, 0, 0, 0, 0}), 1);
    EXPECT_EQ(rig.Last().result, CVirtualDevice::Result::kHost);
    EXPECT_EQ(rig.None({0x35, 0, 0, 0, 0, 0, 0, 0, 0, 0}), 0);
}

TEST(VirtualDevice, RepliesCanBeReplacedAndTransfersAreBoundedByThePath) {
    CVirtualDevice::Config config;
    config.replies = {{{0x5A, 0x00, 0x2A}, {0x00, 0x03, 0, 0, 0, 0, 0, 0, 0x2A, 0x01, 0x00}}};
    config.maximumTransfer = 32768;
    Rig rig({config});
    std::vector<uint8_t> reply(16384, 0xEE);
    EXPECT_EQ(rig.In({0x5A, 0, 0x2A, 0, 0, 0, 0, 0x40, 0, 0}, reply), 0);
    EXPECT_EQ(rig.Last().transferred, 11u);
    EXPECT_EQ(reply[8], 0x2A);
    EXPECT_EQ(rig.transport.ReadCapabilities(), 0);  // the page is cut short
    EXPECT_EQ(rig.transport.MaximumTransfer(), 32768u);
    std::vector<uint8_t> big(32769);
    EXPECT_EQ(rig.In({0x12, 0, 0, 0, 36, 0}, big), 1);
    EXPECT_EQ(rig.Last().result, CVirtualDevice::Result::kTransport);
}

TEST(VirtualDevice, KeepsALogOfEveryCommandAndWritesItToItsFolder) {
    CVirtualDevice::Config config;
    config.outputFolder = testpaths::TempDir("vlog");
    {
        Rig rig({config});  // selecting sends INQUIRY
        std::vector<uint8_t> page(8 + 56);
        rig.In({0x5A, 0, 0x05, 0, 0, 0, 0, 0, 64, 0}, page);
        rig.None({0x2A, 0, 0, 0, 0, 0, 0, 0, 1, 0});
        rig.Out({0x55, 0x10, 0, 0, 0, 0, 0, 0, 64, 0}, WriteParametersSelect(0x42));
        const auto& log = rig.Device().Log();
        ASSERT_EQ(log.size(), 4u);
        EXPECT_EQ(log[0].CdbText(), "12 00 00 00 2C 00");
        EXPECT_EQ(log[3].dataOut.size(), 64u);
        EXPECT_EQ(log[3].dataOut[10], 0x42);
    }
    std::ifstream in(config.outputFolder + "/commands-0.log");
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_EQ(text.str(),
              "12 00 00 00 2C 00 | in 44 | good\n"
              "5A 00 05 00 00 00 00 00 40 00 | in 64 | good\n"
              "2A 00 00 00 00 00 00 00 01 00 | none 0 | check 5/2C/00\n"
              "55 10 00 00 00 00 00 00 40 00 | out 64 | good\n");
}

TEST(VirtualBus, RecordsSixteenOfTwentyDevices) {
    std::vector<CVirtualDevice::Config> devices(20);
    Rig rig(devices);
    EXPECT_EQ(rig.transport.DeviceCount(), 16);
    EXPECT_EQ(rig.transport.ScanNotes().size(), 4u);
    EXPECT_EQ(rig.transport.DeviceName(3), "virtual:3");
    EXPECT_EQ(rig.transport.SelectDevice(16), 1);
}

}  // namespace
