// The drives of the vendor command sets, driven by hand: what each refuses as a drive of
// its set would, and the TEAC drive's layout and control bytes step by step.
#include <gtest/gtest.h>

#include "scsi/BigEndian.h"
#include "support/VirtualRecorderRig.h"
#include "virtualdrive/VirtualExtentsModel.h"
#include "virtualdrive/VirtualTeacModel.h"

namespace {
using Bytes = std::vector<uint8_t>;
using Model = CVirtualDeviceConfig::Model;

CVirtualDevice::Config Drive(Model model) {
    CVirtualDevice::Config config = testrig::DriveOf(model);
    config.outputFolder = testpaths::TempDir("vendor");
    return config;
}

struct Step {
    Bytes cdb;
    Bytes data;         // sent with the command; none: a command without data (or 8 bytes in)
    const char* sense;  // "" for good
};

// Each step on the same drive, in order: the sense it answers with.
void Expect(Model model, const std::vector<Step>& steps) {
    testrig::CVirtualRecorder rig(Drive(model));
    for (const Step& step : steps) {
        int32_t result = 0;
        if (!step.data.empty()) {
            result = rig.Out(step.cdb, step.data);
        } else {
            Bytes reply(8);
            result = step.cdb[0] == 0x5A || step.cdb[0] == 0xEE ? rig.In(step.cdb, reply)
                                                                : rig.None(step.cdb);
        }
        EXPECT_EQ(result == 0 ? std::string() : rig.Sense(), step.sense)
            << rig.Device().Log().back().Text();
    }
}

const Bytes kWrite = {0x2A, 0, 0, 0, 0, 0, 0, 0, 1, 0};
const Bytes kCueSheet = {0x5D, 0, 0, 0, 0, 0, 0, 0, 0x20, 0};
const Bytes kTrackInfo = {0x52, 1, 0, 0, 0, 0xFF, 0, 0, 0x1C, 0};
const Bytes kSpeed = {0xBB, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 0, 0};
const Bytes kFlush = {0x35, 0, 0, 0, 0, 0, 0, 0, 0, 0};
const Bytes kWriteParameters = {0x5A, 0, 0x05, 0, 0, 0, 0, 0, 8, 0};
const Bytes kLeadLengths = {0xEE, 0, 0, 0, 0, 0, 0, 0, 4, 0};
const Bytes kBlock(2352, 0);

TEST(VirtualVendorDrives, EachKnowsItsOwnCommandsAndRefusesTheOthers) {
    // What no vendor drive knows: MMC's cue sheet and track information, and each
    // other's commands.
    Expect(Model::k2600, {{kCueSheet, {}, "5/20/00"},
                          {kTrackInfo, {}, "5/20/00"},
                          {kSpeed, {}, "5/20/00"},
                          {kWriteParameters, {}, "5/24/00"},
                          {{0xE0, 0, 0, 8, 0, 0, 0, 0, 0, 0}, Bytes(8), "5/20/00"},
                          {{0xEC, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, {}, "5/20/00"},
                          {kLeadLengths, {}, ""},
                          // No layout yet; and never an address.
                          {kWrite, kBlock, "5/2C/00"},
                          {{0x2A, 0, 0, 0, 0, 5, 0, 0, 1, 0}, kBlock, "5/24/00"},
                          {kFlush, {}, ""}});
    Expect(Model::kRic, {{kCueSheet, {}, "5/20/00"},
                         {kTrackInfo, {}, "5/20/00"},
                         {kSpeed, {}, ""},
                         {kWriteParameters, {}, ""},
                         {{0xE7, 0, 0, 0, 0, 0, 0, 0, 1, 0}, {}, "5/20/00"},
                         {kLeadLengths, {}, ""}});
    Expect(Model::kSony, {{kWrite, kBlock, "5/20/00"},
                          {kFlush, {}, "5/20/00"},
                          {kLeadLengths, {}, "5/20/00"},
                          {kWriteParameters, {}, "5/24/00"},
                          // The cue sheet before the write mode and the disc page.
                          {{0xE0, 0, 0, 0x20, 0, 0, 0, 0, 0, 0}, Bytes(32), "5/2C/00"},
                          {{0xE1, 0, 0x03, 0xE8, 0, 0, 0, 0, 0, 0}, Bytes(1000), "5/24/00"}});
    Expect(Model::kTeac, {{kFlush, {}, "5/20/00"},
                          {kCueSheet, {}, "5/20/00"},
                          {kLeadLengths, {}, "5/20/00"},
                          {{0xEC, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, {}, ""},
                          // Audio blocks need the audio density first.
                          {kWrite, kBlock, "5/64/00"}});
}

TEST(VirtualVendorDrives, ExtentsMustLieBackToBackFromBlockZero) {
    auto extents = [](std::vector<std::pair<int32_t, int32_t>> tracks) {
        Bytes bytes;
        for (auto [first, last] : tracks) {
            Bytes e(20, 0);
            e[1] = 0x14;
            bigendian::Put32(&e[12], static_cast<uint32_t>(first));
            bigendian::Put32(&e[16], static_cast<uint32_t>(last));
            bytes.insert(bytes.end(), e.begin(), e.end());
        }
        return bytes;
    };
    CVirtualCueSheet cue;
    ASSERT_EQ(CVirtualExtentsModel::ParseExtents(extents({{0, 7499}, {7500, 22499}}), 359849, cue),
              0);
    ASSERT_EQ(cue.tracks.size(), 2u);
    EXPECT_EQ(cue.tracks[0].indexes.front().address, -150) << "track 1's pregap";
    EXPECT_EQ(cue.tracks[1].Start(), 7500);
    EXPECT_EQ(cue.leadOut, 22500);
    EXPECT_EQ(CVirtualExtentsModel::ParseExtents(extents({{0, 7499}, {7501, 9000}}), 359849, cue),
              0x26)
        << "a gap";
    EXPECT_EQ(CVirtualExtentsModel::ParseExtents(extents({{75, 149}}), 359849, cue), 0x26);
    EXPECT_EQ(CVirtualExtentsModel::ParseExtents(extents({{0, 359849}}), 359849, cue), 0x26)
        << "past the last lead-out";
    Bytes cut = extents({{0, 74}});
    cut.pop_back();
    EXPECT_EQ(CVirtualExtentsModel::ParseExtents(cut, 359849, cue), 0x1A);
}

// A TEAC drive by hand: the cue table, a table of contents that must agree with it, and
// the control byte of every WRITE.
TEST(VirtualVendorDrives, TheTeacDriveChecksItsTableAndControlBytes) {
    CVirtualDevice::Config config = Drive(Model::kTeac);
    config.maximumTransfer = 150 * 2352;  // two seconds in one command
    testrig::CVirtualRecorder rig(config);
    Bytes header(12);
    ASSERT_EQ(rig.In({0x1A, 0, 0, 0, 12, 0}, header), 0);
    EXPECT_EQ(header[3], 8) << "a block descriptor";
    ASSERT_EQ(rig.Out({0x15, 0x10, 0, 0, 12, 0}, {0, 0, 0, 8, 0x04, 0, 0, 0, 0, 0, 0x09, 0x30}), 0);
    ASSERT_EQ(rig.Out({0x15, 0x10, 0, 0, 13, 0}, {0, 0, 0, 0, 0x22, 7, 0, 0, 2, 0, 0, 0, 0}), 0);
    auto entry = [&](int32_t start, int32_t count, Bytes subcode) {
        Bytes b3 = {0xB3, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
        bigendian::Put32(&b3[2], static_cast<uint32_t>(start));
        bigendian::Put32(&b3[6], static_cast<uint32_t>(count));
        const int32_t first = rig.None(b3);
        return first != 0 ? first : rig.Out({0xC2, 0, 0, 0, 0, 0, 0, 0, 4, 0}, subcode);
    };
    auto toc = [&](uint8_t leadOutSecond) {
        return rig.Out({0xC2, 0, 0, 0, 0, 0, 0, 0, 23, 0},
                       {0, 0, 0,    1, 1, 0, 2, 0,    1, 0xA0,          1, 0,
                        0, 1, 0xA1, 1, 0, 0, 1, 0xA2, 0, leadOutSecond, 0});
    };
    // A track entry whose number is not the next one is refused, and the table begins anew.
    ASSERT_EQ(entry(-150, 150, {1, 1, 1, 0}), 0);
    EXPECT_EQ(entry(0, 150, {0, 1, 2, 1}), 2);
    EXPECT_EQ(rig.Sense(), "5/26/00");
    ASSERT_EQ(entry(-150, 150, {1, 1, 1, 0}), 0);
    ASSERT_EQ(entry(0, 150, {0, 1, 1, 1}), 0);
    // Two seconds of audio end at 00:04:00, not 00:05.
    EXPECT_EQ(toc(0x05), 2);
    EXPECT_EQ(rig.Sense(), "5/26/00");
    ASSERT_EQ(entry(-150, 150, {1, 1, 1, 0}), 0);
    ASSERT_EQ(entry(0, 150, {0, 1, 1, 1}), 0);
    ASSERT_EQ(toc(0x04), 0);

    auto write = [&](int32_t address, int32_t blocks, uint8_t control) {
        Bytes cdb = {0x2A, 0, 0, 0, 0, 0, 0, 0, 0, control};
        bigendian::Put32(&cdb[2], static_cast<uint32_t>(address));
        bigendian::Put16(&cdb[7], static_cast<uint32_t>(blocks));
        return rig.Out(cdb, Bytes(static_cast<size_t>(blocks) * 2352, 0x11));
    };
    EXPECT_EQ(write(-150, 150, 0x00), 2) << "more follows";
    EXPECT_EQ(rig.Sense(), "5/24/00");
    ASSERT_EQ(write(-150, 150, 0x80), 0);
    EXPECT_EQ(write(0, 150, 0x80), 2) << "this one reaches the lead-out";
    EXPECT_EQ(rig.Device().FinishedDiscs(), 0);
    ASSERT_EQ(write(0, 150, 0x00), 0);
    EXPECT_EQ(rig.Device().FinishedDiscs(), 1) << "finished with its last block";
    EXPECT_NE(rig.Device().LastImage(), "");
    EXPECT_EQ(rig.Device().CurrentDisc(), CVirtualDevice::Disc::kWritten);
}

// The 2600 and RIC drives count the host's lead-in and lead-out: a flush before the
// last lead-out block spoils the disc and leaves no image.
TEST(VirtualVendorDrives, AnExtentsDiscFlushedBeforeItsLeadOutIsSpoilt) {
    CVirtualDevice::Config config = Drive(Model::kRic);
    config.leadInMinute = 99;
    config.leadInSecond = 59;
    config.leadInFrame = 70;  // a lead-in of 5 blocks
    testrig::CVirtualRecorder rig(config);
    Bytes lengths(4);
    ASSERT_EQ(rig.In(kLeadLengths, lengths), 0);
    EXPECT_EQ(lengths, (Bytes{0x00, 0x05, 0x1A, 0x5E}));
    Bytes extent(20, 0);
    extent[1] = 0x14;
    bigendian::Put32(&extent[16], 74);
    ASSERT_EQ(rig.Out({0x55, 0, 0, 0, 0, 0, 0, 0, 16, 0},
                      {0, 0, 0, 0, 0, 0, 0, 8, 0, 0, 0, 0, 0, 0, 0x09, 0x30}),
              0);
    ASSERT_EQ(rig.Out({0xED, 0, 0, 0, 0, 0, 0, 0, 20, 0}, extent), 0);
    const Bytes block(27 * 2352, 0);
    // Lead-in and pregap (155 blocks), the second of audio and 6750 blocks of lead-out,
    // all but the last command's.
    int32_t left = 155 + 75 + 6750 - 1;
    while (left > 0) {
        const int32_t n = std::min(left, 27);
        ASSERT_EQ(rig.Out({0x2A, 0, 0, 0, 0, 0, 0, 0, static_cast<uint8_t>(n), 0},
                          Bytes(block.begin(), block.begin() + n * 2352)),
                  0)
            << left;
        left -= n;
    }
    EXPECT_EQ(rig.None(kFlush), 2);
    EXPECT_EQ(rig.Sense(), "5/2C/00");
    EXPECT_EQ(rig.Device().LastImage(), "");
    EXPECT_EQ(rig.Device().CurrentDisc(), CVirtualDevice::Disc::kWritten) << "spoilt";
}

}  // namespace
