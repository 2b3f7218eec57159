// The five layouts of the disc: the extents of a three-track disc to the byte, counts
// beyond the slots, and random discs on which all five must agree about every track
// start and the lead-out.  (Their fixed bytes are checked by the virtual drives of every
// end-to-end burn and of the fault matrix, which refuse a sheet a strict drive refuses.)
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <random>
#include <vector>

#include "DiscTestSupport.h"
#include "base/BigEndian.h"
#include "disc/DiscImage.h"

namespace {
using disctest::MakeDisc;
using Bytes = std::vector<uint8_t>;

enum Layout { kMmc, kSony, kExtents, kTeacCue, kTeacToc };

Bytes Build(CDiscImage& image, Layout layout) {
    using Builder = uint8_t* (CDiscImage::*)(int32_t&);
    static constexpr std::array<Builder, 5> kBuilders = {
        &CDiscImage::BuildMmcCueSheet, &CDiscImage::BuildSonyCueSheet,
        &CDiscImage::BuildTrackExtents, &CDiscImage::BuildTeacCueTable, &CDiscImage::BuildTeacToc};
    int32_t length = -1;
    uint8_t* p = (image.*kBuilders[layout])(length);
    // The 8-byte cue sheets go to buffer A, the others to buffer B.
    EXPECT_EQ(p, layout <= kSony ? image.cueBufferA.data() : image.cueBufferB.data());
    return Bytes(p, p + length);
}

int32_t Be32(const Bytes& b, size_t at) {
    return static_cast<int32_t>(bigendian::Get32(&b[at]));
}

// Sectors from the start of track 1, of the absolute minute:second:frame at b[at].
int32_t FromAbsolute(const Bytes& b, size_t at, bool bcd) {
    auto v = [&](size_t k) { return bcd ? disctest::FromBcdByte(b[at + k]) : b[at + k]; };
    return (v(0) * 60 + v(1)) * 75 + v(2) - 150;
}

int Bcd(int v) {
    return (v / 10) * 16 + v % 10;
}
}  // namespace

TEST(CueSheet, ThreeTracksAsExtentsAndTheCountsBeyondTheSlots) {
    auto image = MakeDisc({100, 200, 300});
    // Extents 0 to 7499, 7500 to 22499, 22500 to 44999.
    EXPECT_EQ(Build(*image, kExtents),
              (Bytes{
                  0, 0x14, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x00, 0x00, 0, 0, 0x1D, 0x4B,  //
                  0, 0x14, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x1D, 0x4C, 0, 0, 0x57, 0xE3,  //
                  0, 0x14, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x57, 0xE4, 0, 0, 0xAF, 0xC7,  //
              }));
    // A track count beyond the slots is not followed past them.
    image->trackCount = 150;
    EXPECT_EQ(Build(*image, kMmc).size(), 816u);
    EXPECT_EQ(Build(*image, kExtents).size(), 1980u);
    image->trackCount = -3;
    EXPECT_EQ(Build(*image, kMmc).size(), 24u);
}

// Random discs on whole seconds, and (every other round) gapless ones, whose tracks
// start at the block nearest to where their songs begin, halves up, and whose lead-out
// follows the last song's last block.  The first gapless disc has a start exactly half
// way (6.5 seconds) and one just below.
TEST(CueSheet, RandomDiscsAgreeInAllFiveLayouts) {
    std::mt19937 random(20240611);
    for (int round = 0; round < 300; ++round) {
        const bool gapless = round % 2 == 1;
        int n = std::uniform_int_distribution<int>(1, 99)(random);
        std::vector<int32_t> seconds;
        std::vector<int64_t> frames;
        int32_t total = 0;
        for (int i = 0; i < n; ++i) {
            // 0 to 600 seconds a track, within the disc budget as AddTrack keeps it.
            int32_t s = std::uniform_int_distribution<int32_t>(0, 600)(random);
            if (total + s >= 4920)
                s = std::uniform_int_distribution<int32_t>(0, 4919 - total)(random);
            seconds.push_back(s);
            total += s;
            // Gapless: 4 seconds at least, as the disc is filled, and any frame count.
            frames.push_back(std::max<int64_t>(
                176400,
                s * int64_t{44100} - std::uniform_int_distribution<int32_t>(0, 44099)(random)));
        }
        if (round == 1) {
            frames = {286650, 59387, 220501};
            n = 3;
        }
        auto image = gapless ? disctest::MakeGaplessDisc(frames) : MakeDisc(seconds);
        std::vector<int32_t> starts;  // sectors from track 1, then the lead-out
        int64_t at = 0;
        for (int i = 0; i < n; ++i) {
            starts.push_back(gapless ? static_cast<int32_t>(std::llround(at / 588.0))
                                     : static_cast<int32_t>(at));
            at += gapless ? frames[static_cast<size_t>(i)] : seconds[static_cast<size_t>(i)] * 75;
        }
        starts.push_back(gapless ? static_cast<int32_t>(std::ceil(at / 588.0))
                                 : static_cast<int32_t>(at));
        if (round == 1) {
            EXPECT_EQ(starts, (std::vector<int32_t>{0, 488, 588, 964}));
        }
        if (gapless) {
            // The songs' audio back to back; only the last track takes the padding.
            int64_t bytes = 0;
            for (int i = 0; i < n; ++i) bytes += image->trackBytes[static_cast<size_t>(i)];
            EXPECT_EQ(bytes, int64_t{starts.back()} * 2352);
            EXPECT_EQ(image->trackBytes[0], n > 1 ? frames[0] * 4 : bytes);
        }
        image->cueBufferA.fill(0xEE);
        image->cueBufferB.fill(0xEE);

        const Bytes mmc = Build(*image, kMmc);
        const Bytes sony = Build(*image, kSony);
        ASSERT_EQ(mmc.size(), static_cast<size_t>(n + 3) * 8);
        ASSERT_EQ(sony.size(), mmc.size());
        if (mmc.size() < 816) {
            EXPECT_EQ(image->cueBufferA[mmc.size()], 0xEE);
        }
        for (int i = 0; i <= n; ++i) {
            const size_t e = static_cast<size_t>(2 + i) * 8;
            EXPECT_EQ(FromAbsolute(mmc, e + 5, false), starts[i]) << i;
            EXPECT_EQ(FromAbsolute(sony, e + 5, true), starts[i]);
            EXPECT_EQ(mmc[e + 1], i < n ? i + 1 : 0xAA);
            EXPECT_EQ(sony[e + 1], i < n ? Bcd(i + 1) : 0xAA);
        }

        const Bytes toc = Build(*image, kTeacToc);
        ASSERT_EQ(toc.size(), static_cast<size_t>(n + 3) * 5);
        EXPECT_EQ(image->cueBufferB[toc.size()], 0xEE);
        for (int i = 0; i < n; ++i) {
            EXPECT_EQ(toc[i * 5 + 1], Bcd(i + 1));
            EXPECT_EQ(FromAbsolute(toc, i * 5 + 2, true), starts[i]);
        }
        EXPECT_EQ(disctest::FromBcdByte(toc[(n + 1) * 5 + 2]), n);
        EXPECT_EQ(FromAbsolute(toc, (n + 2) * 5 + 2, true), starts[n]);

        const Bytes cue = Build(*image, kTeacCue);
        ASSERT_EQ(cue.size(), static_cast<size_t>(n + 1) * 12);
        EXPECT_EQ(image->cueBufferB[cue.size()], 0xEE);
        for (int i = 0; i < n; ++i) {
            const size_t e = static_cast<size_t>(1 + i) * 12;
            EXPECT_EQ(Be32(cue, e), starts[i]);
            EXPECT_EQ(cue[e + 10], Bcd(i + 1));
            EXPECT_EQ(Be32(cue, e) + Be32(cue, e + 4), starts[i + 1]);
        }

        // The TEAC layouts used buffer B before: the extents still carry zeros in 0 to 11.
        const Bytes extents = Build(*image, kExtents);
        ASSERT_EQ(extents.size(), static_cast<size_t>(n) * 20);
        EXPECT_EQ(image->cueBufferB[extents.size()],
                  extents.size() < cue.size() ? cue[extents.size()] : 0xEE);
        for (int i = 0; i < n; ++i) {
            EXPECT_EQ(std::count(&extents[i * 20], &extents[i * 20 + 12], 0), 11) << i;
            EXPECT_EQ(Be32(extents, i * 20 + 12), starts[i]);
            EXPECT_EQ(Be32(extents, i * 20 + 16) + 1, starts[i + 1]);
        }
    }
}
