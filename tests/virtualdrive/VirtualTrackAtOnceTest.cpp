// The track-at-once drive of the virtual recorder, driven by hand: the next writable
// address it reports, the gaps it leaves, closing the session, and what it refuses.
#include <gtest/gtest.h>

#include "scsi/BigEndian.h"
#include "support/Mp3Craft.h"
#include "support/VirtualRecorderRig.h"

namespace {
using Bytes = std::vector<uint8_t>;

struct TaoRig : testrig::CVirtualRecorder {
    TaoRig() : CVirtualRecorder(Drive()) {}
    static CVirtualDevice::Config Drive() {
        CVirtualDevice::Config config;
        config.model = CVirtualDeviceConfig::Model::kTrackAtOnce;
        config.outputFolder = testpaths::TempDir("tao");
        return config;
    }
    int32_t Select(uint8_t byte2, uint8_t blockType) {
        Bytes data(8 + 56, 0);
        data[8] = 0x05;
        data[9] = 0x36;
        data[10] = byte2;
        data[12] = blockType;
        return Out({0x55, 0x10, 0, 0, 0, 0, 0, 0, 64, 0}, data);
    }
    // WRITE(10) of blocks of audio whose bytes tell the address, in commands of at most
    // 27 blocks: the first failing command's result.
    int32_t Write(int32_t address, int32_t blocks) {
        for (int32_t end = address + blocks; address < end;) {
            const int32_t n = std::min(27, end - address);
            Bytes cdb = {0x2A, 0, 0, 0, 0, 0, 0, 0, 0, 0};
            bigendian::Put32(&cdb[2], static_cast<uint32_t>(address));
            bigendian::Put16(&cdb[7], static_cast<uint32_t>(n));
            Bytes data(static_cast<size_t>(n) * 2352);
            for (int32_t b = 0; b < n; ++b)
                std::fill_n(data.begin() + b * 2352, 2352,
                            static_cast<uint8_t>(0x80 | (address + b)));
            if (int32_t result = Out(cdb, data); result != 0)
                return result;
            address += n;
        }
        return 0;
    }
    // The invisible track's next writable address, or -1 when not valid.
    int32_t NextWritable() {
        Bytes info(28);
        EXPECT_EQ(In({0x52, 1, 0, 0, 0, 0xFF, 0, 0, 28, 0}, info), 0);
        return (info[7] & 1) ? static_cast<int32_t>(bigendian::Get32(&info[12])) : -1;
    }
    int32_t DiscStatus() {
        Bytes info(34);
        EXPECT_EQ(In({0x51, 0, 0, 0, 0, 0, 0, 0, 34, 0}, info), 0);
        return info[2];
    }
    int32_t Close(uint8_t function) { return None({0x5B, 0, function, 0, 0, 0, 0, 0, 0, 0}); }
    int32_t Flush() { return None({0x35, 0, 0, 0, 0, 0, 0, 0, 0, 0}); }
};

TEST(VirtualTrackAtOnce, TracksGoWhereTheDriveSaysWithTwoSecondGaps) {
    TaoRig rig;
    ASSERT_EQ(rig.Select(0x01, 0x00), 0);
    EXPECT_EQ(rig.NextWritable(), 0);
    ASSERT_EQ(rig.Write(0, 60), 0);
    ASSERT_EQ(rig.Write(60, 40), 0);
    EXPECT_EQ(rig.NextWritable(), 100) << "the open track goes on";
    ASSERT_EQ(rig.Flush(), 0);  // ends the track
    EXPECT_EQ(rig.NextWritable(), 250);
    EXPECT_EQ(rig.DiscStatus(), 0x05) << "an open session on an incomplete disc";
    Bytes first(28);
    ASSERT_EQ(rig.In({0x52, 1, 0, 0, 0, 1, 0, 0, 28, 0}, first), 0);
    EXPECT_EQ(bigendian::Get32(&first[8]), 0u);
    EXPECT_EQ(bigendian::Get32(&first[24]), 100u);

    EXPECT_EQ(rig.Write(249, 10), 2) << "not where the drive said";
    EXPECT_EQ(rig.Sense(), "5/21/02");
    ASSERT_EQ(rig.Write(250, 75), 0);
    ASSERT_EQ(rig.Close(0x01), 0);  // close track
    ASSERT_EQ(rig.Close(0x02), 0);  // close session
    EXPECT_EQ(rig.Device().CurrentDisc(), CVirtualDevice::Disc::kWritten);
    EXPECT_EQ(rig.NextWritable(), -1);
    EXPECT_EQ(rig.Device().FinishedDiscs(), 1);

    const std::string folder = rig.Device().Configuration().outputFolder;
    const Bytes cue = mp3craft::ReadBytes(folder + "/disc-1.cue");
    EXPECT_EQ(std::string(cue.begin(), cue.end()),
              "REM Recorded by the Tunevarn virtual recorder\n"
              "FILE \"disc-1.bin\" BINARY\n"
              "  TRACK 01 AUDIO\n"
              "    INDEX 01 00:00:00\n"
              "  TRACK 02 AUDIO\n"
              "    INDEX 00 00:01:25\n"
              "    INDEX 01 00:03:25\n");
    // The gap is silence; the blocks are where they were written.
    const Bytes bin = mp3craft::ReadBytes(folder + "/disc-1.bin");
    ASSERT_EQ(bin.size(), 325u * 2352u);
    EXPECT_EQ(bin[99 * 2352], 0x80 | 99);
    EXPECT_EQ(bin[100 * 2352], 0x00);
    EXPECT_EQ(bin[249 * 2352 + 2351], 0x00);
    EXPECT_EQ(bin[250 * 2352], static_cast<uint8_t>(0x80 | 250));
}

TEST(VirtualTrackAtOnce, TakesOnlyTrackAtOnceAudioAndNoCueSheet) {
    TaoRig rig;
    EXPECT_EQ(rig.Select(0x42, 0x08), 2) << "session-at-once";
    EXPECT_EQ(rig.Sense(), "5/26/00");
    EXPECT_EQ(rig.Select(0x01, 0x08), 2) << "mode 1 data blocks";
    EXPECT_EQ(rig.Write(0, 1), 2) << "the drive's own page is for data";
    EXPECT_EQ(rig.Sense(), "5/64/00");
    EXPECT_EQ(rig.Out({0x5D, 0, 0, 0, 0, 0, 0, 0, 8, 0}, Bytes(8, 0)), 2);
    EXPECT_EQ(rig.Sense(), "5/20/00");
    ASSERT_EQ(rig.Select(0x11, 0x00), 0);
    EXPECT_EQ(rig.Close(0x02), 0) << "nothing to close";
    EXPECT_EQ(rig.Device().CurrentDisc(), CVirtualDevice::Disc::kBlank);
}

TEST(VirtualTrackAtOnce, ATestSessionAndAnAbandonedOneLeaveNoImage) {
    TaoRig test;
    ASSERT_EQ(test.Select(0x11, 0x00), 0);
    ASSERT_EQ(test.Write(0, 30), 0);
    ASSERT_EQ(test.Flush(), 0);
    ASSERT_EQ(test.Write(180, 30), 0);
    ASSERT_EQ(test.Close(0x02), 0);
    EXPECT_EQ(test.Device().CurrentDisc(), CVirtualDevice::Disc::kBlank);
    EXPECT_EQ(test.NextWritable(), 0);
    EXPECT_EQ(test.Device().FinishedDiscs(), 1);
    EXPECT_EQ(test.Device().LastImage(), "");

    TaoRig ejected;
    ASSERT_EQ(ejected.Select(0x01, 0x00), 0);
    ASSERT_EQ(ejected.Write(0, 30), 0);
    ASSERT_EQ(ejected.None({0x1B, 0, 0, 0, 0x02, 0}), 0);
    EXPECT_EQ(ejected.Device().CurrentDisc(), CVirtualDevice::Disc::kWritten);
    EXPECT_EQ(ejected.Device().LastImage(), "");
    ASSERT_EQ(ejected.None({0x1B, 0, 0, 0, 0x03, 0}), 0);
    EXPECT_EQ(ejected.NextWritable(), 0) << "a fresh disc";
}

}  // namespace
