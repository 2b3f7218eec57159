// BCD at its edges, minute:second:frame times and big-endian words.
#include <gtest/gtest.h>

#include <array>

#include "disc/DiscTime.h"

TEST(DiscTime, BcdCoversZeroToNinetyNineAndPassesOtherValuesThrough) {
    EXPECT_EQ(ToBcd(0), 0x00);
    EXPECT_EQ(ToBcd(9), 0x09);
    EXPECT_EQ(ToBcd(10), 0x10);
    EXPECT_EQ(ToBcd(74), 0x74);
    EXPECT_EQ(ToBcd(99), 0x99);
    EXPECT_EQ(ToBcd(100), 100);    // low byte, unchanged
    EXPECT_EQ(ToBcd(0xAA), 0xAA);  // the lead-out track number survives a setter
    EXPECT_EQ(ToBcd(0x1A0), 0xA0);
    EXPECT_EQ(ToBcd(-1), 0xFF);
    for (int32_t v = 0; v <= 99; ++v) EXPECT_EQ(FromBcd(ToBcd(v)), v);
    EXPECT_EQ(FromBcd(0x1A), 0x1A);  // a nibble above 9: not BCD, returned as it is
    EXPECT_EQ(FromBcd(0xA1), 0xA1);
    EXPECT_EQ(FromBcd(0xAA), 0xAA);
}

TEST(DiscTime, BlockCountsAndTimesAgree) {
    EXPECT_EQ(SecondsToFrames(60), 4500);
    EXPECT_EQ((CDiscTime{97, 27, 0}.BlockCount()), 438525);
    EXPECT_EQ((CDiscTime{74, 32, 0}.BlockCount()), 335400);
    for (int32_t blocks : {0, 1, 74, 75, 4499, 4500, 335474, 449999}) {
        const CDiscTime t = CDiscTime::FromBlocks(blocks);
        EXPECT_EQ(t.BlockCount(), blocks);
        EXPECT_TRUE(t.IsValid(99)) << blocks;
    }
    EXPECT_FALSE((CDiscTime{0, 60, 0}.IsValid(99)));
    EXPECT_FALSE((CDiscTime{0, 0, 75}.IsValid(99)));
    EXPECT_FALSE((CDiscTime{90, 0, 0}.IsValid(89)));
}

TEST(DiscTime, Be32IsTwosComplementMostSignificantFirst) {
    std::array<uint8_t, 4> out{};
    StoreBe32(out, -150);
    EXPECT_EQ(out, (std::array<uint8_t, 4>{0xFF, 0xFF, 0xFF, 0x6A}));
    StoreBe32(out, 0x01020304);
    EXPECT_EQ(out, (std::array<uint8_t, 4>{0x01, 0x02, 0x03, 0x04}));
}
