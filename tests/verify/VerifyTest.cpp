// The verifier's own arithmetic: finding a drive's read offset in what it read, and
// counting the blocks that differ.  Whole verifications run in the end-to-end tests.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "verify/BlockTally.h"
#include "verify/ReadOffset.h"

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

TEST(BlockTally, CountsDifferingAndUnreadBlocksButNotThoseOutOfReach) {
    constexpr size_t kBlock = CBlockTally::kBlockBytes;
    constexpr size_t kFrames = kBlock / 4;
    const Bytes written = Disc(4 * kFrames, 0, 3);
    Bytes read = written;
    std::vector<CFrameRead> frames(4 * kFrames, CFrameRead::kRead);
    // Block 0: its first frame out of the drive's reach, and other there.
    frames[0] = CFrameRead::kOutside;
    read[1] ^= 0xFF;
    // Block 1: one byte wrong in its last frame.
    read[2 * kBlock - 1] ^= 0x01;
    // Block 3: read as written, but one frame failed.
    frames[3 * kFrames + 5] = CFrameRead::kFailed;

    CBlockTally tally;
    tally.Add(written, read, frames, 10);
    EXPECT_EQ(tally.differing, 2);
    EXPECT_EQ(tally.firstDiffering, 11);
    tally.AddMissing(3, 40);
    EXPECT_EQ(tally.differing, 5);
    EXPECT_EQ(tally.firstDiffering, 11);

    CBlockTally missing;
    missing.AddMissing(0, 5);
    EXPECT_EQ(missing.firstDiffering, -1);
    missing.AddMissing(2, 7);
    EXPECT_EQ(missing.firstDiffering, 7);
}
}  // namespace
