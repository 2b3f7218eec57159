// Subchannel blocks in both forms: where every Q field lands, the CRC conventions, the
// catalog number and ISRC encodings, the P flag, and the R to W symbols.
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

TEST(SubChannel, GettersReturnNonBcdBytesUnchanged) {
    std::array<uint8_t, 96> raw{};
    // Q byte 1 = 0x1A in the P-W layout: bits 7..0 = 0001 1010 in symbols 8..15.
    const uint8_t value = 0x1A;
    for (size_t j = 0; j < 8; ++j) raw[8 + j] = ((value >> (7 - j)) & 1) != 0 ? 0x40 : 0x00;
    EXPECT_EQ(CPWSubChannel96().MakeFromData(raw)->TrackNumber(), 26);
    std::array<uint8_t, 16> pq{};
    pq[1] = 0x1A;
    EXPECT_EQ(CPQSubChannel16().MakeFromData(pq)->TrackNumber(), 26);
    pq[1] = 0x99;
    EXPECT_EQ(CPQSubChannel16().MakeFromData(pq)->TrackNumber(), 99);
}

TEST(SubChannel, PWLayoutPutsQBitsMostSignificantFirstInBitSix) {
    CPWSubChannel96 proto;
    auto block = proto.MakeOfType(4);  // Q byte 0 = 0: only the bits set below
    block->SetTrackNumber(0x80);       // not 0..99: stored as the byte 0x80
    const auto data = block->Data();
    for (size_t j = 0; j < 96; ++j) EXPECT_EQ(data[j], j == 8 ? 0x40 : 0x00) << j;
}

TEST(SubChannel, ModesFollowTheAdrNibble) {
    for (const auto& proto : Prototypes()) {
        EXPECT_EQ(QOf(proto->MakeOfType(0)->Data())[0], 0x01);
        EXPECT_EQ(proto->MakeOfType(0)->Type(), 0);
        EXPECT_EQ(QOf(proto->MakeOfType(2)->Data())[0], 0x02);
        EXPECT_EQ(QOf(proto->MakeOfType(3)->Data())[0], 0x03);
        auto other = proto->MakeOfType(4);
        EXPECT_EQ(QOf(other->Data())[0], 0x00);
        EXPECT_EQ(other->Type(), 4);

        auto block = proto->MakeOfType(1);
        block->SetControl(0x80);
        block->SetAdr(0x35);  // only the low nibble counts
        EXPECT_EQ(QOf(block->Data())[0], 0x85);
        EXPECT_EQ(block->Type(), 4);
        EXPECT_EQ(proto->MakeFromData(block->Data())->Type(), 4);
        block->SetAdr(2);
        EXPECT_EQ(QOf(block->Data())[0], 0x82);
        EXPECT_EQ(block->Type(), 2);
        EXPECT_EQ(proto->MakeFromData(block->Data())->Type(), 2);
        EXPECT_EQ(block->Control(), 8);
    }
}

TEST(SubChannel, CrcOfZeroQIsStoredInvertedOnlyInTheRawForm) {
    CPQSubChannel16 pqProto;
    CPWSubChannel96 pwProto;
    std::array<uint8_t, 16> zero16{};
    std::array<uint8_t, 96> zero96{};
    auto pq = pqProto.MakeFromData(zero16);
    auto pw = pwProto.MakeFromData(zero96);
    pq->CalcCrc();
    pw->CalcCrc();
    EXPECT_EQ(QOf(pq->Data())[10], 0x00);
    EXPECT_EQ(QOf(pq->Data())[11], 0x00);
    EXPECT_EQ(QOf(pw->Data())[10], 0xFF);
    EXPECT_EQ(QOf(pw->Data())[11], 0xFF);
    EXPECT_EQ(pq->CheckCrc(), 1);
    EXPECT_EQ(pw->CheckCrc(), 1);
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

TEST(SubChannel, PFlagOfBothForms) {
    CPWSubChannel96 pw;
    auto block = pw.MakeOfType(4);
    block->SetP(1);
    for (uint8_t symbol : block->Data()) ASSERT_EQ(symbol, 0x80);

    std::array<uint8_t, 72> ones{};
    ones.fill(0xFF);
    auto raw = std::make_unique<CPWSubChannel96>();
    raw->AddRwData(ones);
    raw->SetTrackNumber(0xFF);  // Q bits of symbols 8..15
    raw->SetP(1);
    raw->SetP(0);
    for (size_t j = 0; j < 96; ++j)
        ASSERT_EQ(raw->Data()[j], (j >= 8 && j < 16) ? 0x7F : 0x3F) << j;

    CPQSubChannel16 pq;
    auto small = pq.MakeOfType(1);
    small->SetP(5);
    EXPECT_EQ(small->Data()[15], 0x80);
    small->SetP(0);
    EXPECT_EQ(small->Data()[15], 0x00);
    EXPECT_EQ(small->Data()[12] | small->Data()[13] | small->Data()[14], 0);
}

TEST(SubChannel, RwDataTakesSixBitSymbolsInOrder) {
    std::array<uint8_t, 72> ones{};
    ones.fill(0xFF);
    CPWSubChannel96 all;
    all.AddRwData(ones);
    for (uint8_t symbol : all.Data()) ASSERT_EQ(symbol, 0x3F);

    // 96 distinct symbols packed four to three bytes come out one per data byte.
    std::array<uint8_t, 72> packed{};
    for (size_t g = 0; g < 24; ++g) {
        const uint32_t s0 = (4 * g) & 0x3F, s1 = (4 * g + 1) & 0x3F, s2 = (4 * g + 2) & 0x3F,
                       s3 = (4 * g + 3) & 0x3F;
        const uint32_t bits = (s0 << 18) | (s1 << 12) | (s2 << 6) | s3;
        packed[3 * g] = static_cast<uint8_t>(bits >> 16);
        packed[3 * g + 1] = static_cast<uint8_t>(bits >> 8);
        packed[3 * g + 2] = static_cast<uint8_t>(bits);
    }
    CPWSubChannel96 block;
    block.SetP(1);
    block.SetTrackNumber(0xFF);
    block.AddRwData(packed);
    for (size_t j = 0; j < 96; ++j) {
        EXPECT_EQ(block.Data()[j] & 0x3F, j & 0x3F) << j;
        EXPECT_EQ(block.Data()[j] & 0x80, 0x80);  // P and Q untouched
    }
    EXPECT_EQ(block.TrackNumber(), 0xFF);
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

TEST(SubChannel, ConsistencyJudgesTheFieldsOfTheMode) {
    CPQSubChannel16 proto;
    auto block = proto.MakeOfType(1);
    block->SetTrackNumber(5);
    block->SetIndex(1);
    block->SetSecond(59);
    block->SetFrame(74);
    block->SetAbsMinute(10);
    EXPECT_EQ(block->CheckConsistency(), 1);
    block->SetFrame(75);  // one past the last frame of a second
    EXPECT_EQ(block->CheckConsistency(), 0);
    block->SetFrame(0);
    block->SetAbsSecond(60);
    EXPECT_EQ(block->CheckConsistency(), 0);

    auto lead = proto.MakeOfType(0);  // the lead-in's A0 entry
    lead->SetPoint(0xA0);
    lead->SetPointMinute(1);
    lead->SetPointSecond(10);  // CD-i disc type 0x10
    EXPECT_EQ(lead->CheckConsistency(), 1);

    auto catalog = proto.MakeOfType(2);
    std::array<uint8_t, 16> raw{0x02, 0x1A};
    EXPECT_EQ(proto.MakeFromData(raw)->CheckConsistency(), 0);
    catalog->SetCatalogNumber("0000000000000");
    EXPECT_EQ(catalog->CheckConsistency(), 1);
}
