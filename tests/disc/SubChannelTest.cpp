// Subchannel blocks in both forms: where every Q field lands, the CRC against an
// independent one, and the catalog number and ISRC encodings.
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

TEST(SubChannel, FieldsLandInTheirQBytesAsBcd) {
    for (const auto& proto : Prototypes()) {
        auto block = proto->MakeOfType(CSubChannel::kModePosition);
        block->SetControl(0x40);
        block->SetTrackNumber(12);
        block->SetIndex(1);
        block->SetMinute(3);
        block->SetSecond(45);
        block->SetFrame(74);
        block->SetAbsMinute(79);
        block->SetAbsSecond(59);
        block->SetAbsFrame(10);
        const auto q = QOf(block->Data());
        EXPECT_EQ(q, (std::array<uint8_t, 12>{0x41, 0x12, 0x01, 0x03, 0x45, 0x74, 0x00, 0x79, 0x59,
                                              0x10, 0x00, 0x00}))
            << block->DataLength();
        EXPECT_EQ(block->Control(), 4);
        EXPECT_EQ(block->TrackNumber(), 12);
        EXPECT_EQ(block->Second(), 45);
        EXPECT_EQ(block->AbsFrame(), 10);

        // Lead-in names: the point shares the index byte, its time the absolute time.
        block->SetPoint(0xA2);
        block->SetPointMinute(74);
        block->SetPointSecond(32);
        block->SetPointFrame(0);
        const auto lead = QOf(block->Data());
        EXPECT_EQ(lead[2], 0xA2);
        EXPECT_EQ(lead[7], 0x74);
        EXPECT_EQ(lead[8], 0x32);
        EXPECT_EQ(lead[9], 0x00);
    }
}

TEST(SubChannel, CrcMatchesAnIndependentCrcAndCatchesDamage) {
    // The standard check value of this CRC (initial 0, no final inversion).
    const std::string check = "123456789";
    EXPECT_EQ(
        CSubChannel::Crc16(std::span(reinterpret_cast<const uint8_t*>(check.data()), check.size())),
        0x31C3);
    for (const auto& proto : Prototypes()) {
        auto block = proto->MakeOfType(1);
        block->SetTrackNumber(7);
        block->SetIndex(1);
        block->SetSecond(13);
        block->SetAbsMinute(21);
        block->SetAbsFrame(44);
        block->CalcCrc();
        const auto q = QOf(block->Data());
        uint16_t expected = disctest::BitwiseCrc(std::span(q).first(10));
        if (block->DataLength() == 96)
            expected = static_cast<uint16_t>(~expected);
        EXPECT_EQ((q[10] << 8) | q[11], expected);
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
