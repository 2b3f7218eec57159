// CD-TEXT packs to the byte, the full store, and libcdio reading the packs back from the
// P-W blocks as a disc reader.
#include <cdio/cdtext.h>
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "DiscTestSupport.h"
#include "disc/CdTextBuilder.h"

namespace {
using Pack = std::array<uint8_t, 18>;

// The packs as a reader gets them from the lead-in: the low 6 bits of every symbol of
// every block, four symbols to three bytes.
std::vector<uint8_t> PacksFromBlocks(const CCdTextBuilder& builder) {
    std::vector<uint8_t> bytes;
    for (int32_t b = 0; b < builder.blockCount; ++b) {
        const auto data = builder.blocks[static_cast<size_t>(b)]->Data();
        for (size_t g = 0; g < 24; ++g) {
            const uint32_t bits =
                (uint32_t{data[4 * g] & 0x3Fu} << 18) | (uint32_t{data[4 * g + 1] & 0x3Fu} << 12) |
                (uint32_t{data[4 * g + 2] & 0x3Fu} << 6) | (data[4 * g + 3] & 0x3Fu);
            bytes.push_back(static_cast<uint8_t>(bits >> 16));
            bytes.push_back(static_cast<uint8_t>(bits >> 8));
            bytes.push_back(static_cast<uint8_t>(bits));
        }
    }
    return bytes;
}

// Every 18-byte pack whose checksum is the inverted CRC of its first 16 bytes.
void ExpectPackCrcs(const std::vector<uint8_t>& bytes, int32_t packs) {
    for (int32_t p = 0; p < packs; ++p) {
        std::span<const uint8_t> pack(bytes.data() + 18 * p, 18);
        const auto crc = static_cast<uint16_t>(~disctest::BitwiseCrc(pack.first(16)));
        EXPECT_EQ((pack[16] << 8) | pack[17], crc) << "pack " << p;
    }
}

struct CdText {
    cdtext_t* text = cdtext_init();
    ~CdText() { cdtext_destroy(text); }
    std::string Title(int track) const {
        const char* s = cdtext_get_const(text, CDTEXT_FIELD_TITLE, static_cast<track_t>(track));
        return s != nullptr ? s : "<none>";
    }
};

// libcdio's reading of the packs in the blocks (the packs alone, without zero padding).
bool ReadWithLibcdio(const CCdTextBuilder& builder, CdText& reader) {
    std::vector<uint8_t> bytes = PacksFromBlocks(builder);
    const int32_t packs = builder.packCount + CCdTextBuilder::kSizePacks;
    ExpectPackCrcs(bytes, packs);
    bytes.resize(static_cast<size_t>(packs) * 18);
    return cdtext_data_init(reader.text, bytes.data(), bytes.size()) == 0;
}

std::vector<uint8_t> ByteList(std::initializer_list<int> list) {
    std::vector<uint8_t> v;
    for (int b : list) v.push_back(static_cast<uint8_t>(b));
    return v;
}

std::vector<uint8_t> Head(const Pack& pack, size_t n) {
    return std::vector<uint8_t>(pack.begin(), pack.begin() + static_cast<std::ptrdiff_t>(n));
}
}  // namespace

TEST(CdTextBuilder, AlbumAbAndTrackXyShareTheFirstPack) {
    CCdTextBuilder builder;
    builder.AddText("AB", 0);
    builder.AddText("XY", 1);
    builder.BuildPacks();
    ASSERT_EQ(builder.packCount, 1);
    EXPECT_EQ(Head(builder.packs[0], 16), ByteList({0x80, 0x00, 0x00, 0x00, 0x41, 0x42, 0x00, 0x58,
                                                    0x59, 0x00, 0, 0, 0, 0, 0, 0}));
    const auto crc =
        static_cast<uint16_t>(~disctest::BitwiseCrc(std::span(builder.packs[0]).first(16)));
    EXPECT_EQ(builder.packs[0][16], crc >> 8);
    EXPECT_EQ(builder.packs[0][17], crc & 0xFF);
    EXPECT_EQ(builder.blockCount, 1);  // the title pack and the three size packs
    EXPECT_NE(builder.blocks[0], nullptr);
    EXPECT_EQ(builder.blocks[1], nullptr);
}

TEST(CdTextBuilder, SizeInformationDescribesBlockZero) {
    CCdTextBuilder builder;
    builder.AddText("A", 0);
    builder.AddText("B", 1);
    builder.AddText("C", 2);
    builder.BuildPacks();
    ASSERT_EQ(builder.packCount, 1);
    std::vector<uint8_t> info;
    for (size_t k = 1; k <= 3; ++k) {
        const Pack& pack = builder.packs[k];
        EXPECT_EQ(Head(pack, 4), ByteList({0x8F, static_cast<int>(k - 1), static_cast<int>(k), 0}));
        info.insert(info.end(), pack.begin() + 4, pack.begin() + 16);
    }
    EXPECT_EQ(info[0], 0x00);  // ISO 8859-1
    EXPECT_EQ(info[1], 1);     // first track
    EXPECT_EQ(info[2], 2);     // last track
    EXPECT_EQ(info[4], 1);     // one title pack
    EXPECT_EQ(info[19], 3);    // three size packs
    EXPECT_EQ(info[20], 3);    // last sequence number of block 0
    EXPECT_EQ(info[28], 0x09);
}

TEST(CdTextBuilder, AFullStoreKeepsWholeTitlesAndEndsInANul) {
    CCdTextBuilder builder;
    builder.AddText("Album", 0);
    std::vector<std::string> titles;
    // 253 characters: libcdio refuses the whole CD-TEXT when any text is longer.
    for (int32_t t = 1; t <= 99; ++t) {
        titles.push_back(std::string(253, static_cast<char>('A' + t % 26)));
        builder.AddText(titles.back(), t);
    }
    EXPECT_TRUE(builder.TitlesShortened());
    ASSERT_EQ(builder.packCount, CCdTextBuilder::kMaxTextPacks);
    // 252 packs hold 3024 bytes: "Album" + NUL, then 11 whole titles of 254 bytes
    // (2794 bytes), then 224 bytes of the twelfth: 223 characters and its NUL.
    const Pack& last = builder.packs[CCdTextBuilder::kMaxTextPacks - 1];
    EXPECT_EQ(last[15], 0x00);
    EXPECT_EQ(last[14], 'A' + 12 % 26);
    builder.BuildPacks();
    // One language block: 255 packs in 64 subchannel blocks.
    EXPECT_EQ(builder.blockCount, 64);
    EXPECT_EQ(builder.packs[CCdTextBuilder::kMaxPacks - 1][0], 0x8F);

    CdText reader;
    ASSERT_TRUE(ReadWithLibcdio(builder, reader));
    EXPECT_EQ(reader.Title(0), "Album");
    for (int32_t t = 1; t <= 11; ++t)
        EXPECT_EQ(reader.Title(t), titles[static_cast<size_t>(t - 1)]) << t;
    EXPECT_EQ(reader.Title(12), titles[11].substr(0, 223));
    for (int32_t t = 13; t <= 99; ++t) {
        const std::string title = reader.Title(t);
        EXPECT_TRUE(title == "<none>" || title.empty()) << t;
    }

    builder.Clear();
    EXPECT_FALSE(builder.TitlesShortened());
}
