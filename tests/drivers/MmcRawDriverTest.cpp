// The "MMCRAW" driver against raw drives of the virtual recorder: the subchannel form it
// chooses, the size of its commands, every block from the lead-in to the lead-out, and
// what a failure leaves.  Every write starts the filling thread, hence the suite's name.
#include <gtest/gtest.h>

#include <algorithm>

#include "disc/DiscTestSupport.h"
#include "drivers/MmcRawDriver.h"
#include "support/VirtualRecorderRig.h"

namespace {
using Fault = CVirtualDevice::Fault;
using Model = CVirtualDeviceConfig::Model;
using testrig::Write;
using Rig = testrig::CDriverRig<CMmcRawDriver>;

CVirtualDevice::Config RawDrive(std::vector<int32_t> blockTypes, uint32_t maximumTransfer = 65536) {
    CVirtualDevice::Config config;
    config.model = Model::kMmcRaw;
    config.rawBlockTypes = std::move(blockTypes);
    config.maximumTransfer = maximumTransfer;
    config.leadInMinute = 97;
    config.leadInSecond = 27;
    config.leadInFrame = 0;
    return config;
}

// The data block types the driver asked for, in order.
std::vector<int32_t> BlockTypesTried(const CVirtualDevice& device) {
    std::vector<int32_t> types;
    for (const auto& e : device.Log())
        if (e.cdb[0] == 0x55 && e.dataOut.size() >= 8 + 5)
            types.push_back(e.dataOut[8 + 4]);
    return types;
}

TEST(ThreadedMmcRaw, TakesTheFirstSubchannelFormTheDriveAcceptsAndSizesItsCommands) {
    struct Case {
        std::vector<int32_t> accepted;
        uint32_t maximumTransfer;
        std::vector<int32_t> tried;
        const char* trace;
        int32_t blockLength;
        int32_t blocksPerCommand;
    };
    const Case cases[] = {
        {{1, 2, 3}, 65536, {1}, "Using 16 byte P-Q sub-channel data mode.", 2368, 27},
        // An adapter that takes 65406 bytes still carries 27 blocks of 2368 (63936 bytes).
        {{1}, 65406, {1}, "Using 16 byte P-Q sub-channel data mode.", 2368, 27},
        {{3, 2}, 65536, {1, 3}, "Using 96 byte raw P-W sub-channel data mode.", 2448, 26},
        {{2}, 65536, {1, 3, 2}, "Using 96 byte packed P-W sub-channel data mode.", 2448, 26},
        // The path's own limit counts below 64 KiB.
        {{3}, 32768, {1, 3}, "Using 96 byte raw P-W sub-channel data mode.", 2448, 13},
    };
    for (const Case& c : cases) {
        Rig rig({2}, RawDrive(c.accepted, c.maximumTransfer));
        rig.WriteDisc();
        EXPECT_EQ(rig.driver->DiscCompleted(), 1) << c.trace;
        EXPECT_TRUE(rig.ui.messages.empty());
        EXPECT_EQ(BlockTypesTried(rig.Device()), c.tried);
        ASSERT_GE(rig.ui.traces.size(), 2u);
        EXPECT_EQ(rig.ui.traces[0], c.trace);
        EXPECT_EQ(rig.ui.traces[1], "Block length: " + std::to_string(c.blockLength));
        EXPECT_EQ(rig.driver->blocksPerCommand, c.blocksPerCommand);
        // Raw writing, no underrun protection; the data block type asked for.
        EXPECT_EQ(rig.Device().WriteParameters()[2] & 0x5F, 0x03);
        EXPECT_EQ(rig.Device().WriteParameters()[4], c.tried.back());
        size_t most = 0;
        for (const auto& e : rig.Device().Log()) {
            if (e.cdb[0] != 0x2A)
                continue;
            const auto blocks = static_cast<uint32_t>(bigendian::Get16(&e.cdb[7]));
            EXPECT_EQ(e.length, blocks * static_cast<uint32_t>(c.blockLength));
            most = std::max<size_t>(most, blocks);
        }
        EXPECT_EQ(most, static_cast<size_t>(c.blocksPerCommand));
    }
}

TEST(ThreadedMmcRaw, EveryBlockFromTheLeadInToTheEndOfTheLeadOut) {
    Rig rig({10}, RawDrive({3}));
    ASSERT_EQ(rig.driver->leadInLength, 11475);  // from 97:27:00
    rig.WriteDisc();
    EXPECT_EQ(rig.driver->DiscCompleted(), 1);
    EXPECT_TRUE(rig.ui.messages.empty());
    EXPECT_EQ(rig.phase, 3);
    EXPECT_EQ(rig.permille, 1000);
    const std::vector<Write> writes = rig.Writes();
    ASSERT_FALSE(writes.empty());
    // The lead-in and the pregap take 11625 blocks from -11625, the audio 750 from 0,
    // the lead-out A to A + 6749 with A = 750; each run in commands of 26.
    EXPECT_EQ(writes, testrig::Join(testrig::Join(testrig::Expected(-11625, 11625, 26),
                                                  testrig::Expected(0, 750, 26)),
                                    testrig::Expected(750, 6750, 26)));
    EXPECT_EQ(rig.Device().OpcCount(), 1);
    const auto& log = rig.Device().Log();
    EXPECT_EQ(log.back().cdb[0], 0x00) << "waiting for the drive after the flush";
    EXPECT_EQ(rig.Count(0x35), 1u);
    EXPECT_EQ(rig.Count(0x5D), 0u) << "no cue sheet";
    // No flow control: the runs of silence around the audio go without a look at the
    // drive's buffer (the audio asks only when the ring runs empty).
    int32_t previous = -11625;
    for (size_t i = 1; i < log.size(); ++i) {
        if (log[i].cdb[0] != 0x2A)
            continue;
        const auto address = static_cast<int32_t>(bigendian::Get32(&log[i].cdb[2]));
        if (address < 0 || (address >= 750 && previous >= 750)) {
            EXPECT_NE(log[i - 1].cdb[0], 0x5C) << i;
        }
        previous = address;
    }
    std::vector<std::string> files = rig.FilesLeft();
    std::sort(files.begin(), files.end());
    EXPECT_EQ(files, (std::vector<std::string>{"disc-1.bin", "disc-1.cue", "disc-1.sub"}));
    EXPECT_TRUE(rig.driver->ring.empty()) << "the buffers are released";
    EXPECT_EQ(rig.driver->nextAddress, 0);
    EXPECT_EQ(rig.ui.traces.back(), "\nFlushing cache...");
}

TEST(ThreadedMmcRaw, ADriveThatTakesNoRawBlockTypeEndsTheRunBeforeWriting) {
    Rig rig({5}, RawDrive({}));
    rig.WriteDisc();
    EXPECT_EQ(rig.phase, 1);
    EXPECT_EQ(rig.ui.messages,
              std::vector<std::string>{"This drive does not write raw blocks with subchannels: "
                                       "write it with another driver."});
    EXPECT_EQ(rig.ui.traces,
              std::vector<std::string>{"Cannot setup disk-at-once writing for this drive."});
    EXPECT_EQ(BlockTypesTried(rig.Device()), (std::vector<int32_t>{1, 3, 2}));
    EXPECT_TRUE(rig.Writes().empty());
    EXPECT_EQ(rig.driver->DiscCompleted(), 0);
    EXPECT_TRUE(rig.FilesLeft().empty());
}

TEST(ThreadedMmcRaw, AFailedWriteInTheAudioEndsTheLoopAndTheDiscIsStillFlushed) {
    CVirtualDevice::Config config = RawDrive({1});
    // 11625 / 27 = 431 lead-in and pregap commands: the failure hits the third of the audio.
    config.faults = {{.operationCode = 0x2A,
                      .first = 431 + 3,
                      .kind = Fault::Kind::kSense,
                      .senseKey = 3,
                      .asc = 0x0C}};
    Rig rig({20}, config);
    rig.WriteDisc();
    EXPECT_EQ(rig.ui.messages, std::vector<std::string>{"Write data failed."});
    // No audio after the failed command, no lead-out for a disc that is lost; the cache
    // still flushed.
    const std::vector<Write> writes = rig.Writes();
    ASSERT_EQ(writes.size(), 431u + 3u);
    EXPECT_EQ(writes[433], (Write{54, 27}));
    EXPECT_EQ(rig.Count(0x35), 1u);
    EXPECT_EQ(rig.phase, 3);
    EXPECT_EQ(rig.driver->DiscCompleted(), 0);
    EXPECT_TRUE(rig.FilesLeft().empty());
    EXPECT_EQ(rig.Device().CurrentDisc(), CVirtualDevice::Disc::kWritten) << "spoilt";
}

TEST(ThreadedMmcRaw, ATestWriteGoesThroughTheMotionsAndBurnsNothing) {
    Rig rig({3}, RawDrive({1}));
    rig.driver->test = 1;
    rig.WriteDisc();
    EXPECT_EQ(rig.Device().WriteParameters()[2] & 0x1F, 0x13);
    EXPECT_EQ(rig.driver->DiscCompleted(), 1);
    EXPECT_EQ(rig.Device().FinishedDiscs(), 1);
    EXPECT_EQ(rig.Device().CurrentDisc(), CVirtualDevice::Disc::kBlank);
    EXPECT_TRUE(rig.FilesLeft().empty());
}

}  // namespace
