// The verifier's own parts: finding a drive's read offset in what it read, a block with
// a frame the drive could not read, and the drive's read retries turned off and given
// back.  Whole verifications, and the count of the blocks that differ (damaged ones, and
// frames a drive's offset leaves out of its reach), run in the end-to-end tests.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

#include "base/BigEndian.h"
#include "scsi/ScsiTransport.h"
#include "scsi/SpcCommands.h"
#include "verify/BlockTally.h"
#include "verify/DiscReader.h"
#include "verify/ReadOffset.h"
#include "virtualdrive/VirtualBusFront.h"

namespace {
using readoffset::Found;
using readoffset::kMaxOffset;
using Bytes = std::vector<uint8_t>;

// A disc's frames: `quiet` silent ones, then noise (or a tone repeating every `period`
// frames), as bytes.
Bytes Disc(int32_t frames, int32_t quiet, uint32_t seed, int32_t period = 0) {
    Bytes disc(static_cast<size_t>(frames) * 4, 0);
    uint32_t x = seed;
    for (int32_t f = quiet; f < frames; ++f) {
        for (int32_t b = 0; b < 4; ++b) {
            x = x * 1664525u + 1013904223u;
            const uint32_t v = period > 0 ? static_cast<uint32_t>((f % period) * 7 + b) : x >> 24;
            disc[static_cast<size_t>(f) * 4 + static_cast<size_t>(b)] = static_cast<uint8_t>(v);
        }
    }
    return disc;
}

// What a drive of this offset reads around the written frames [0, frames): read frame
// j holds disc frame j - kMaxOffset + offset, zeros where that lies outside the disc.
Bytes ReadAround(const Bytes& disc, int32_t frames, int32_t offset) {
    Bytes read(static_cast<size_t>(frames + 2 * kMaxOffset) * 4, 0);
    for (int32_t j = 0; j < frames + 2 * kMaxOffset; ++j) {
        const int64_t f = int64_t{j} - kMaxOffset + offset;
        if (f >= 0 && f * 4 < static_cast<int64_t>(disc.size()))
            std::copy_n(disc.begin() + f * 4, 4, read.begin() + int64_t{j} * 4);
    }
    return read;
}

TEST(ReadOffset, FindsEveryOffsetOfTheRangeWithOrWithoutASilentOpening) {
    constexpr int32_t kFrames = 5 * 588 * 10;
    for (int32_t quiet : {0, 3000}) {
        const Bytes disc = Disc(kFrames + 4000, quiet, 7);
        const Bytes written(disc.begin(), disc.begin() + kFrames * 4);
        for (int32_t offset : {-kMaxOffset, -667, -30, -1, 0, 1, 30, 667, kMaxOffset}) {
            int32_t found = 99999;
            EXPECT_EQ(readoffset::FindReadOffset(written, ReadAround(disc, kFrames, offset), found),
                      Found::kOne)
                << quiet << " " << offset;
            EXPECT_EQ(found, offset) << quiet;
        }
    }
}

TEST(ReadOffset, SaysWhenTheAudioCannotTellTheOffset) {
    constexpr int32_t kFrames = 588 * 20;
    int32_t found = 0;
    const Bytes silence(kFrames * 4, 0);
    EXPECT_EQ(readoffset::FindReadOffset(silence, ReadAround(silence, kFrames, 5), found),
              Found::kSilence);
    // Another disc altogether.
    const Bytes disc = Disc(kFrames, 0, 1);
    EXPECT_EQ(readoffset::FindReadOffset(disc, ReadAround(Disc(kFrames, 0, 2), kFrames, 0), found),
              Found::kNone);
    // A sound that repeats every 100 frames matches every 100 frames: the nearest to 0.
    const Bytes tone = Disc(kFrames + 2000, 0, 1, 100);
    const Bytes written(tone.begin(), tone.begin() + kFrames * 4);
    EXPECT_EQ(readoffset::FindReadOffset(written, ReadAround(tone, kFrames, 230), found),
              Found::kSeveral);
    EXPECT_EQ(found, 30);
    // Too little read to search the whole range.
    EXPECT_EQ(readoffset::FindReadOffset(disc, disc, found), Found::kNone);
}

// A frame the drive failed to read makes its block differ even when the buffer happens
// to hold the written bytes (the end-to-end damage reads back wrong bytes instead).
TEST(BlockTally, AFailedFrameMakesItsBlockDiffer) {
    constexpr size_t kFrames = CBlockTally::kBlockBytes / 4;
    const Bytes written = Disc(3 * kFrames, 0, 3);
    std::vector<CFrameRead> frames(3 * kFrames, CFrameRead::kRead);
    frames[kFrames + 5] = CFrameRead::kFailed;
    CBlockTally tally;
    tally.Add(written, written, frames, 10);
    EXPECT_EQ(tally.differing, 1);
    EXPECT_EQ(tally.firstDiffering, 11);
}

// A drive with an error recovery page of `retries` read retries (none when negative):
// it answers MODE SENSE for that page and keeps the pages it is given by MODE SELECT.
class CRecoveryPageDrive : public CVirtualBusFront {
  public:
    explicit CRecoveryPageDrive(int32_t retries)
        : CVirtualBusFront(std::make_unique<CVirtualBus>(
              std::vector<CVirtualDevice::Config>{CVirtualDevice::Config{}})),
          retries_(retries) {}
    Outcome Send(const Request& request) override {
        const uint8_t op = request.cdb[0];
        if (op == spc::kModeSense10 && (request.cdb[2] & 0x3F) == spc::kErrorRecoveryPage) {
            if (retries_ < 0)
                return CheckCondition(0x05, 0x24, 0x00);
            // Header (8 bytes, no block descriptor), then the page: code, length 10,
            // flags, read retry count, ...
            std::vector<uint8_t> reply(8 + 12, 0);
            bigendian::Put16(&reply[0], static_cast<uint16_t>(reply.size() - 2));
            reply[8] = 0x80 | spc::kErrorRecoveryPage;  // savable
            reply[9] = 10;
            reply[10] = 0x04;
            reply[11] = static_cast<uint8_t>(retries_);
            reply[19] = 0x2A;
            std::copy_n(reply.begin(), std::min<size_t>(reply.size(), request.length),
                        request.dataIn);
            return Outcome{};
        }
        if (op == spc::kModeSelect10) {
            selected.emplace_back(request.dataOut, request.dataOut + request.length);
            return Outcome{};
        }
        return CVirtualBusFront::Send(request);
    }
    std::vector<std::vector<uint8_t>> selected;  // the parameter lists of MODE SELECT

  private:
    int32_t retries_;
};

// Verification asks the drive to give up on a bad block at once and gives it its own
// retries back afterwards; a drive without the page, or already at none, is left alone.
TEST(DiscReader, TurnsTheDrivesReadRetriesOffWhileItReads) {
    for (int32_t retries : {5, 0, -1}) {
        auto owned = std::make_unique<CRecoveryPageDrive>(retries);
        CRecoveryPageDrive& drive = *owned;
        CScsiTransport transport;
        transport.UseBackend(std::move(owned));
        transport.ScanPassThrough();
        ASSERT_EQ(transport.SelectDevice(0), 0);
        const std::atomic<int32_t> stop{0};
        {
            CDiscReader reader(transport, stop);
            reader.RetriesOff();
            if (retries <= 0) {
                EXPECT_TRUE(drive.selected.empty()) << retries;
                continue;
            }
            ASSERT_EQ(drive.selected.size(), 1u);
            const std::vector<uint8_t>& off = drive.selected[0];
            ASSERT_EQ(off.size(), 8u + 12u);
            EXPECT_EQ(off[8], spc::kErrorRecoveryPage) << "the savable bit is not sent back";
            EXPECT_EQ(off[11], 0) << "no retries while verifying";
            EXPECT_EQ(off[10], 0x04) << "the other settings kept";
            EXPECT_EQ(off[19], 0x2A);
        }
        ASSERT_EQ(drive.selected.size(), 2u);
        EXPECT_EQ(drive.selected[1][11], retries) << "the drive's own retries given back";
        EXPECT_EQ(drive.selected[1][10], 0x04);
    }
}
}  // namespace
