#include "disc/CdTextBuilder.h"

#include <algorithm>
#include <string>

#include "disc/CdTextCharset.h"

namespace {
using Pack = CCdTextBuilder::Pack;
constexpr int32_t kTextBytes = CCdTextBuilder::kTextBytes;
constexpr uint8_t kLatin1 = 0x00;
constexpr uint8_t kMsJis = 0x80;
constexpr uint8_t kEnglish = 0x09;  // the language readers look for first
constexpr uint8_t kJapanese = 0x69;
constexpr uint8_t kDoubleByte = 0x80;  // byte 3: the block's characters take two bytes

// A store of title packs being filled, text after text.
struct CPackWriter {
    std::array<Pack, CCdTextBuilder::kMaxPacks>& packs;
    int32_t& count;
    int32_t& fill;  // text bytes in the last pack
    uint8_t block;  // 0 or 1
    int32_t charBytes;

    // Room left for text bytes, the last pack's included.
    size_t Room() const {
        const int32_t lastPackRoom = count > 0 ? kTextBytes - fill : 0;
        return static_cast<size_t>(lastPackRoom +
                                   (CCdTextBuilder::kMaxTextPacks - count) * kTextBytes);
    }

    // Places bytes (terminator included) behind the previous text.  A pack that a text
    // begins in keeps the header of the text begun before it.
    void Place(const std::string& bytes, int32_t track) {
        size_t placed = 0;
        bool first = true;
        while (placed < bytes.size()) {
            if (!(first && count > 0 && fill < kTextBytes)) {
                Pack& pack = packs[static_cast<size_t>(count)];
                pack[0] = CCdTextBuilder::kTitlePack;
                pack[1] = static_cast<uint8_t>(track);
                pack[2] = static_cast<uint8_t>(count & 0xFF);
                // Characters of this text in earlier packs, at most 15.
                const size_t position = std::min<size_t>(placed / charBytes, 15);
                pack[3] = static_cast<uint8_t>((charBytes == 2 ? kDoubleByte : 0) | (block << 4) |
                                               position);
                fill = 0;
                ++count;
            }
            Pack& pack = packs[static_cast<size_t>(count - 1)];
            const size_t n =
                std::min(bytes.size() - placed, static_cast<size_t>(kTextBytes - fill));
            std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(placed), n,
                        pack.begin() + 4 + fill);
            fill += static_cast<int32_t>(n);
            placed += n;
            first = false;
        }
    }
};

void SetChecksum(Pack& pack) {
    const auto crc = static_cast<uint16_t>(~CSubChannel::Crc16(std::span(pack).first(16)));
    pack[16] = static_cast<uint8_t>(crc >> 8);
    pack[17] = static_cast<uint8_t>(crc & 0xFF);
}
}  // namespace

void CCdTextBuilder::AddText(std::string_view text, int32_t track) {
    if (track > 0) {
        firstTrack_ = firstTrack_ == 0 ? track : std::min(firstTrack_, track);
        lastTrack_ = std::max(lastTrack_, track);
    }
    text = text.substr(0, text.find('\0'));
    bool transliterated = false;
    std::string bytes = CdTextLatin1(text, &transliterated);
    if (transliterated)
        transliterations_.push_back({track, std::string(text), bytes});

    // Block 1 shows the Japanese titles as they are, and the others as near as MS-JIS
    // has them: as given where it can, else in plain Latin letters.
    anyJapanese_ = anyJapanese_ || IsJapaneseTitle(text);
    std::string msJis;
    if (!CdTextMsJis(text, msJis))
        CdTextMsJis(CdTextAscii(text), msJis);
    msJisTitles_.emplace_back(track, std::move(msJis));

    CPackWriter writer{packs, packCount, fillPosition, 0, 1};
    const size_t room = writer.Room();
    if (room == 0) {
        shortened_ = true;
        return;
    }
    if (bytes.size() + 1 > room) {
        bytes.resize(room - 1);
        shortened_ = true;
    }
    bytes.push_back('\0');  // the terminator is stored too
    writer.Place(bytes, track);
}

void CCdTextBuilder::BuildJapaneseBlock() {
    japanesePackCount = 0;
    for (auto& pack : japanesePacks) pack.fill(0);
    if (!anyJapanese_)
        return;
    int32_t fill = 0;
    CPackWriter writer{japanesePacks, japanesePackCount, fill, 1, 2};
    for (const auto& [track, msJis] : msJisTitles_) {
        const std::string bytes = msJis + std::string(2, '\0');  // a double-byte NUL
        // A block that cannot hold every title whole is left out: block 0 has them all.
        if (bytes.size() > writer.Room()) {
            japanesePackCount = 0;
            for (auto& pack : japanesePacks) pack.fill(0);
            return;
        }
        writer.Place(bytes, track);
    }
}

// Size information of a block (36 bytes over three packs): its character code, first
// and last track, copyright flags, its pack count of each type 0x80 to 0x8F, and for
// each of the eight blocks its last sequence number and language.
void CCdTextBuilder::BuildSizeInformation(std::array<Pack, kMaxPacks>& store, int32_t count,
                                          int32_t block) {
    std::array<uint8_t, kSizePacks * kTextBytes> info{};
    info[0] = block == 0 ? kLatin1 : kMsJis;
    info[1] = static_cast<uint8_t>(firstTrack_);
    info[2] = static_cast<uint8_t>(lastTrack_);
    info[3] = 0x00;  // no copyright flags
    info[4 + (kTitlePack & 0x0F)] = static_cast<uint8_t>(count);
    info[4 + (kSizePack & 0x0F)] = kSizePacks;
    info[20] = static_cast<uint8_t>(packCount + kSizePacks - 1);
    info[28] = kEnglish;
    if (japanesePackCount > 0) {
        info[21] = static_cast<uint8_t>(japanesePackCount + kSizePacks - 1);
        info[29] = kJapanese;
    }
    for (int32_t k = 0; k < kSizePacks; ++k) {
        Pack& pack = store[static_cast<size_t>(count + k)];
        pack.fill(0);
        pack[0] = kSizePack;
        pack[1] = static_cast<uint8_t>(k);
        pack[2] = static_cast<uint8_t>(count + k);
        pack[3] = static_cast<uint8_t>(block << 4);
        std::copy_n(info.begin() + k * kTextBytes, kTextBytes, pack.begin() + 4);
    }
}

void CCdTextBuilder::BuildPacks() {
    if (packCount == 0) {  // nothing to say: no size information either
        Clear();
        return;
    }
    BuildJapaneseBlock();
    BuildSizeInformation(packs, packCount, 0);
    for (int32_t p = 0; p < packCount + kSizePacks; ++p) SetChecksum(packs[static_cast<size_t>(p)]);
    if (japanesePackCount > 0) {
        BuildSizeInformation(japanesePacks, japanesePackCount, 1);
        for (int32_t p = 0; p < japanesePackCount + kSizePacks; ++p)
            SetChecksum(japanesePacks[static_cast<size_t>(p)]);
    }
    const std::vector<Pack> all = AllPacks();
    const auto allPacks = static_cast<int32_t>(all.size());
    blockCount = (allPacks + kPacksPerBlock - 1) / kPacksPerBlock;
    for (int32_t b = 0; b < kMaxBlocks; ++b) {
        auto& block = blocks[static_cast<size_t>(b)];
        block.reset();
        if (b >= blockCount)
            continue;
        std::array<uint8_t, CPWSubChannel96::kRwBytes> group{};
        const int32_t firstPack = b * kPacksPerBlock;
        const int32_t packsHere = std::min(kPacksPerBlock, allPacks - firstPack);
        for (int32_t k = 0; k < packsHere; ++k) {
            const Pack& pack = all[static_cast<size_t>(firstPack + k)];
            std::copy(pack.begin(), pack.end(), group.begin() + k * kPackBytes);
        }
        block = std::make_unique<CPWSubChannel96>();
        block->AddRwData(group);
    }
}

std::vector<CCdTextBuilder::Pack> CCdTextBuilder::AllPacks() const {
    std::vector<Pack> all;
    if (packCount == 0)
        return all;
    all.assign(packs.begin(), packs.begin() + packCount + kSizePacks);
    if (japanesePackCount > 0)
        all.insert(all.end(), japanesePacks.begin(),
                   japanesePacks.begin() + japanesePackCount + kSizePacks);
    return all;
}

void CCdTextBuilder::Clear() {
    for (auto& block : blocks) block.reset();
    for (auto& pack : packs) pack.fill(0);
    for (auto& pack : japanesePacks) pack.fill(0);
    packCount = 0;
    japanesePackCount = 0;
    blockCount = 0;
    fillPosition = 0;
    shortened_ = false;
    firstTrack_ = 0;
    lastTrack_ = 0;
    transliterations_.clear();
    msJisTitles_.clear();
    anyJapanese_ = false;
}
