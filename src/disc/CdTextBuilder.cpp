#include "disc/CdTextBuilder.h"

#include <algorithm>
#include <string>

#include "base/DisplayText.h"

namespace {
// ISO 8859-1 bytes of a title.  Only text that is valid UTF-8 is decoded; anything else
// (an ID3 version 1 tag, say) is Latin-1 already.
std::string ToLatin1(std::string_view text) {
    if (!IsValidUtf8(text))
        return std::string(text);
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        const auto c = static_cast<uint8_t>(text[i]);
        size_t length = 1;
        uint32_t code = c;
        if (c >= 0xF0) {
            length = 4, code = c & 0x07;
        } else if (c >= 0xE0) {
            length = 3, code = c & 0x0F;
        } else if (c >= 0xC0) {
            length = 2, code = c & 0x1F;
        }
        for (size_t k = 1; k < length; ++k)
            code = (code << 6) | (static_cast<uint8_t>(text[i + k]) & 0x3F);
        out.push_back(code <= 0xFF ? static_cast<char>(code) : '?');
        i += length;
    }
    return out;
}
}  // namespace

void CCdTextBuilder::AddText(std::string_view text, int32_t track) {
    if (track > 0) {
        firstTrack_ = firstTrack_ == 0 ? track : std::min(firstTrack_, track);
        lastTrack_ = std::max(lastTrack_, track);
    }
    std::string bytes = ToLatin1(text.substr(0, text.find('\0')));
    const int32_t lastPackRoom = packCount > 0 ? kTextBytes - fillPosition : 0;
    const size_t room =
        static_cast<size_t>(lastPackRoom + (kMaxTextPacks - packCount) * kTextBytes);
    if (room == 0) {
        shortened_ = true;
        return;
    }
    if (bytes.size() + 1 > room) {
        bytes.resize(room - 1);
        shortened_ = true;
    }
    bytes.push_back('\0');  // the terminator is stored too

    size_t placed = 0;
    bool first = true;
    while (placed < bytes.size()) {
        if (!(first && packCount > 0 && fillPosition < kTextBytes)) {
            auto& pack = packs[static_cast<size_t>(packCount)];
            pack[0] = kTitlePack;
            pack[1] = static_cast<uint8_t>(track);
            pack[2] = static_cast<uint8_t>(packCount & 0xFF);
            pack[3] = static_cast<uint8_t>(std::min<size_t>(placed, 15));
            fillPosition = 0;
            ++packCount;
        }
        auto& pack = packs[static_cast<size_t>(packCount - 1)];
        const size_t n =
            std::min(bytes.size() - placed, static_cast<size_t>(kTextBytes - fillPosition));
        std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(placed), n,
                    pack.begin() + 4 + fillPosition);
        fillPosition += static_cast<int32_t>(n);
        placed += n;
        first = false;
    }
}

// Size information of block 0 (36 bytes over three packs): character code, first and
// last track, copyright flags, the pack count of each type 0x80 to 0x8F, the last
// sequence number of each of the eight blocks, and each block's language.
void CCdTextBuilder::BuildSizeInformation() {
    std::array<uint8_t, kSizePacks * kTextBytes> info{};
    info[0] = 0x00;  // ISO 8859-1
    info[1] = static_cast<uint8_t>(firstTrack_);
    info[2] = static_cast<uint8_t>(lastTrack_);
    info[3] = 0x00;  // no copyright flags
    info[4 + (kTitlePack & 0x0F)] = static_cast<uint8_t>(packCount);
    info[4 + (kSizePack & 0x0F)] = kSizePacks;
    info[20] = static_cast<uint8_t>(packCount + kSizePacks - 1);
    info[28] = 0x09;  // English, the language readers look for first
    for (int32_t k = 0; k < kSizePacks; ++k) {
        auto& pack = packs[static_cast<size_t>(packCount + k)];
        pack.fill(0);
        pack[0] = kSizePack;
        pack[1] = static_cast<uint8_t>(k);
        pack[2] = static_cast<uint8_t>(packCount + k);
        std::copy_n(info.begin() + k * kTextBytes, kTextBytes, pack.begin() + 4);
    }
}

void CCdTextBuilder::BuildPacks() {
    if (packCount == 0) {  // nothing to say: no size information either
        Clear();
        return;
    }
    BuildSizeInformation();
    const int32_t allPacks = packCount + kSizePacks;
    for (int32_t p = 0; p < allPacks; ++p) {
        auto& pack = packs[static_cast<size_t>(p)];
        const auto crc = static_cast<uint16_t>(~CSubChannel::Crc16(std::span(pack).first(16)));
        pack[16] = static_cast<uint8_t>(crc >> 8);
        pack[17] = static_cast<uint8_t>(crc & 0xFF);
    }
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
            const auto& pack = packs[static_cast<size_t>(firstPack + k)];
            std::copy(pack.begin(), pack.end(), group.begin() + k * kPackBytes);
        }
        block = std::make_unique<CPWSubChannel96>();
        block->AddRwData(group);
    }
}

void CCdTextBuilder::Clear() {
    for (auto& block : blocks) block.reset();
    for (auto& pack : packs) pack.fill(0);
    packCount = 0;
    blockCount = 0;
    fillPosition = 0;
    shortened_ = false;
    firstTrack_ = 0;
    lastTrack_ = 0;
}
