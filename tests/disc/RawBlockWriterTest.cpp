// Raw blocks from the MMC cue sheet: an independent check of every Q and P channel of a
// whole disc from the lead-in (its table of contents) to the lead-out, and the refusal of
// damaged cue sheets.
#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "DiscTestSupport.h"
#include "disc/PQSubChannel16.h"
#include "disc/PWSubChannel96.h"
#include "disc/RawBlockWriter.h"

namespace {
using disctest::FromBcdByte;
using disctest::POf;
using disctest::QOf;
using Bytes = std::vector<uint8_t>;
using Q = std::array<uint8_t, 12>;

const CDiscTime kLeadInStart{97, 27, 0};  // lead-in of 11475 blocks
constexpr int32_t kLeadInAddress = -11625;

Bytes MmcCue(const std::vector<int32_t>& seconds) {
    auto image = disctest::MakeDisc(seconds);
    int32_t length = 0;
    const uint8_t* p = image->BuildMmcCueSheet(length);
    return Bytes(p, p + length);
}

Bytes Entry(int adr, int track, int index, int minute, int second, int frame = 0) {
    Bytes entry;
    for (int b : {adr, track, index, 0, 0, minute, second, frame})
        entry.push_back(static_cast<uint8_t>(b));
    return entry;
}

Bytes Sheet(std::initializer_list<Bytes> entries) {
    Bytes sheet;
    for (const Bytes& e : entries) sheet.insert(sheet.end(), e.begin(), e.end());
    return sheet;
}

int32_t Init(CRawBlockWriter& writer, const CSubChannel& proto, const Bytes& cue,
             int32_t discType = 0) {
    return writer.InitFromCueSheet(&proto, discType, cue.data(), static_cast<int32_t>(cue.size()),
                                   kLeadInStart);
}

int Msf(const Q& q, size_t at) {
    return (FromBcdByte(q[at]) * 60 + FromBcdByte(q[at + 1])) * 75 + FromBcdByte(q[at + 2]);
}
}  // namespace

TEST(RawBlockWriter, EveryQChannelOfAThreeTrackDiscChecksAndCountsUp) {
    CPQSubChannel16 pq;
    CPWSubChannel96 pw;
    const Bytes cue = MmcCue({5, 3, 4});  // tracks at 0, 375, 600; lead-out at 900
    const int32_t end = 900 + 6750;
    for (const CSubChannel* proto : std::initializer_list<const CSubChannel*>{&pq, &pw}) {
        CRawBlockWriter writer;
        ASSERT_EQ(Init(writer, *proto, cue), 0);
        const size_t sub = static_cast<size_t>(proto->DataLength());
        const size_t stride = 2352 + sub;
        std::vector<int> points;
        int32_t a = kLeadInAddress;
        while (a < end) {
            const int32_t n = std::min(26, end - a);
            Bytes audio(static_cast<size_t>(n) * 2352);
            for (int32_t k = 0; k < n; ++k)
                audio[static_cast<size_t>(k) * 2352 + 7] = static_cast<uint8_t>(a + k);
            Bytes out(static_cast<size_t>(n) * stride);
            ASSERT_EQ(writer.EncodeBlocks(a, audio, n, out), n);
            for (int32_t k = 0; k < n; ++k, ++a) {
                std::span<const uint8_t> raw(out.data() + k * stride, stride);
                ASSERT_EQ(raw[7], static_cast<uint8_t>(a)) << a;  // the audio of its block
                const auto data = raw.subspan(2352);
                const Q q = QOf(data);
                uint16_t crc = disctest::BitwiseCrc(std::span(q).first(10));
                if (sub == 96)
                    crc = static_cast<uint16_t>(~crc);
                ASSERT_EQ((q[10] << 8) | q[11], crc) << a;
                ASSERT_EQ(q[0], 0x01);
                ASSERT_NE(POf(data), -1) << a;  // P-W: the P bit alike in all 96 symbols
                // The absolute position: the running time in the lead-in, else the
                // absolute time.  Both must give exactly this address.
                const int32_t decoded = q[1] == 0x00 ? kLeadInAddress + Msf(q, 3) : Msf(q, 7) - 150;
                ASSERT_EQ(decoded, a);
                if (q[1] == 0x00) {
                    // The table of contents: each track's start, then the first and last
                    // track and the lead-out.
                    const std::array<int32_t, 6> pointTimes = {0, 375, 600, 1, 3, 900};
                    const size_t entry = (points.size() / 3) % 6;
                    points.push_back(q[2]);
                    ASSERT_EQ(entry == 3 || entry == 4 ? q[7] : Msf(q, 7) - 150, pointTimes[entry])
                        << a;
                    continue;
                }
                const int track = a < 375 ? 1 : (a < 600 ? 2 : (a < 900 ? 3 : 0xAA));
                ASSERT_EQ(q[1], track) << a;  // 1 to 3 read the same in BCD
                ASSERT_EQ(q[2], a < 0 ? 0 : 1) << a;
                const int32_t trackStart = a < 375 ? 0 : (a < 600 ? 375 : (a < 900 ? 600 : 900));
                ASSERT_EQ(Msf(q, 3), std::abs(a - trackStart)) << a;
                int p;
                if (a <= 0 || (a >= 225 && a <= 375) || (a >= 450 && a <= 600) ||
                    (a >= 750 && a <= 900)) {
                    p = 1;
                } else {
                    p = a < 1050 ? 0 : ((a - 1050) % 38 < 19 ? 1 : 0);
                }
                ASSERT_EQ(POf(data), p) << a;
            }
        }
        EXPECT_EQ(a, end);
        ASSERT_GE(points.size(), 18u);
        const std::array<int, 6> table = {0x01, 0x02, 0x03, 0xA0, 0xA1, 0xA2};
        for (size_t k = 0; k < points.size(); ++k) ASSERT_EQ(points[k], table[(k / 3) % 6]) << k;
    }
}

TEST(RawBlockWriter, RefusesDamagedCueSheets) {
    CPQSubChannel16 proto;
    const Bytes good = MmcCue({10, 20});  // lead-in, pregap, 1, 2, lead-out
    {
        CRawBlockWriter writer;
        ASSERT_EQ(Init(writer, proto, good), 0);
        EXPECT_EQ(Init(writer, proto, good, 0x10), 0);
        EXPECT_EQ(Init(writer, proto, good, 0x20), 0);
        EXPECT_EQ(Init(writer, proto, good, 0x01), 1);
        EXPECT_EQ(writer.NextBlock(writer.Address()), nullptr);  // nothing after a refusal
        Bytes out(2368);
        Bytes audio(2352);
        EXPECT_EQ(writer.EncodeBlocks(0, audio, 1, out), 0);
        EXPECT_EQ(writer.InitFromCueSheet(nullptr, 0, good.data(), 40, kLeadInStart), 1);
        EXPECT_EQ(writer.InitFromCueSheet(&proto, 0, nullptr, 40, kLeadInStart), 1);
        EXPECT_EQ(writer.InitFromCueSheet(&proto, 0, good.data(), 40, {100, 0, 0}), 1);
        EXPECT_EQ(writer.InitFromCueSheet(&proto, 0, good.data(), 40, {97, 60, 0}), 1);
    }
    auto refused = [&](Bytes cue, int32_t length) {
        CRawBlockWriter writer;
        return writer.InitFromCueSheet(&proto, 0, cue.data(), length, kLeadInStart) == 1;
    };
    EXPECT_TRUE(refused(good, 0));
    EXPECT_TRUE(refused(good, 7));
    EXPECT_TRUE(refused(good, 36));  // not a multiple of 8
    EXPECT_TRUE(refused(good, 32));  // the lead-out cut off
    auto with = [&](size_t entry, size_t byte, uint8_t value) {
        Bytes cue = good;
        cue[entry * 8 + byte] = value;
        return refused(cue, static_cast<int32_t>(cue.size()));
    };
    EXPECT_TRUE(with(3, 1, 3));     // track numbers 1, 3
    EXPECT_TRUE(with(3, 6, 1));     // track 2 before track 1 in time
    EXPECT_TRUE(with(3, 6, 2));     // track 2 at the same time as track 1
    EXPECT_TRUE(with(3, 6, 60));    // second 60
    EXPECT_TRUE(with(3, 7, 75));    // frame 75
    EXPECT_TRUE(with(4, 5, 90));    // minute 90
    EXPECT_TRUE(with(3, 0, 0x04));  // ADR 4
    EXPECT_TRUE(with(3, 2, 0));     // track 2 without index 1
    EXPECT_TRUE(with(3, 1, 100));   // no such track
    EXPECT_TRUE(with(0, 1, 1));     // no lead-in entry
    EXPECT_TRUE(with(1, 0, 0x02));  // a catalog entry that is not entry 0
    EXPECT_TRUE(with(4, 1, 3));     // no lead-out entry

    const Bytes lead = Entry(1, 0, 0, 0, 0), gap = Entry(1, 1, 0, 0, 0), one = Entry(1, 1, 1, 0, 2),
                out = Entry(1, 0xAA, 1, 0, 12);
    auto sheetRefused = [&](Bytes cue) { return refused(cue, static_cast<int32_t>(cue.size())); };
    EXPECT_FALSE(sheetRefused(Sheet({lead, gap, one, out})));
    EXPECT_TRUE(sheetRefused(Sheet({gap, lead, one, out})));  // lead-in not first
    EXPECT_TRUE(sheetRefused(Sheet({lead, gap, one, out, Entry(1, 2, 1, 0, 20)})));
    // A second index 1 of the same track would not fit the table of contents.
    EXPECT_TRUE(sheetRefused(Sheet({lead, gap, one, Entry(1, 1, 1, 0, 5), out})));
    EXPECT_TRUE(sheetRefused(Sheet({lead, gap, one, Entry(1, 1, 0, 0, 5), out})));
    EXPECT_TRUE(sheetRefused(Sheet({lead, gap, one, Entry(3, 1, 'U', 'S', 'A'), out})));
    EXPECT_TRUE(sheetRefused(Sheet({lead, gap, one})));
    EXPECT_TRUE(sheetRefused(Sheet({lead, out})));
}

TEST(RawBlockWriter, EncodesNoMoreBlocksThanTheBuffersHold) {
    CPWSubChannel96 proto;
    CRawBlockWriter writer;
    ASSERT_EQ(Init(writer, proto, MmcCue({10})), 0);
    Bytes audio(3 * 2352, 0x5A);
    Bytes out(2 * 2448 + 100, 0xEE);
    EXPECT_EQ(writer.EncodeBlocks(kLeadInAddress, audio, 3, out), 2);
    EXPECT_EQ(out[2 * 2448], 0xEE);
    EXPECT_EQ(writer.Address(), kLeadInAddress + 2);
    EXPECT_EQ(writer.EncodeBlocks(kLeadInAddress + 2, std::span(audio).first(2352), 3, out), 1);
    EXPECT_EQ(out[2351], 0x5A);
}
