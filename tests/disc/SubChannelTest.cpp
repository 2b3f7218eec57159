// Subchannel blocks in both forms: the CRC check, and the catalog number and ISRC
// encodings.
#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "DiscTestSupport.h"
#include "disc/PQSubChannel16.h"
#include "disc/PWSubChannel96.h"

namespace {
using disctest::QOf;

// One prototype of each form; every case runs on both.
std::vector<std::unique_ptr<CSubChannel>> Prototypes() {
    std::vector<std::unique_ptr<CSubChannel>> forms;
    forms.push_back(std::make_unique<CPQSubChannel16>());
    forms.push_back(std::make_unique<CPWSubChannel96>());
    return forms;
}

std::string Text(const char* s) {
    return std::string(s);
}
}  // namespace

// A block's own check of its CRC (the CRC itself: every Q channel of a whole disc in
// RawBlockWriterTest).
TEST(SubChannel, TheCrcCheckCatchesDamageUnlessItIsOff) {
    for (const auto& proto : Prototypes()) {
        auto block = proto->MakeOfType(1);
        block->SetTrackNumber(7);
        block->SetAbsFrame(44);
        block->CalcCrc();
        EXPECT_EQ(block->CheckCrc(), 1);
        block->SetFrame(1);  // changed after the CRC
        EXPECT_EQ(block->CheckCrc(), 0);
        block->checkCrc = 0;
        EXPECT_EQ(block->CheckCrc(), 1);
    }
}

TEST(SubChannel, CatalogNumberEncodesThirteenDigits) {
    for (const auto& proto : Prototypes()) {
        auto block = proto->MakeOfType(2);
        block->SetAbsSecond(0x55);  // byte 8 is cleared by the catalog number
        block->SetCatalogNumber("1234567890123");
        const auto q = QOf(block->Data());
        EXPECT_EQ(q, (std::array<uint8_t, 12>{0x02, 0x12, 0x34, 0x56, 0x78, 0x90, 0x12, 0x30, 0x00,
                                              0x00, 0x00, 0x00}));
        EXPECT_EQ(Text(block->CatalogNumber().data()), "1234567890123");
        EXPECT_EQ(block->CheckConsistency(), 1);

        block->SetCatalogNumber("12");  // a short text ends in zeros
        EXPECT_EQ(Text(block->CatalogNumber().data()), "1200000000000");
    }
}

TEST(SubChannel, IsrcPacksSixBitCodesAndDigits) {
    for (const auto& proto : Prototypes()) {
        auto block = proto->MakeOfType(3);
        block->SetIsrc("USABC9912345");
        const auto q = QOf(block->Data());
        // U=37 S=35 A=17 B=18 C=19 as 6-bit codes, then the digits in BCD.
        EXPECT_EQ(q, (std::array<uint8_t, 12>{0x03, 0x96, 0x34, 0x52, 0x4C, 0x99, 0x12, 0x34, 0x50,
                                              0x00, 0x00, 0x00}));
        EXPECT_EQ(Text(block->Isrc().data()), "USABC9912345");
        EXPECT_EQ(block->CheckConsistency(), 1);

        block->SetIsrc("usabc9912345");  // lower case reads as upper case
        EXPECT_EQ(Text(block->Isrc().data()), "USABC9912345");
        block->SetIsrc("DE-A1");  // "-" has no code: 0, which reads back as "0"
        EXPECT_EQ(Text(block->Isrc().data()).substr(0, 5), "DE0A1");
    }
}
