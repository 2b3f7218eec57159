#include "virtualdrive/LeadInCdText.h"

#include <algorithm>

#include "virtualdrive/VirtualCrc.h"

namespace {
constexpr uint8_t kTitlePack = 0x80;

bool AllZero(const CLeadInCdText::Pack& pack) {
    for (uint8_t b : pack)
        if (b != 0)
            return false;
    return true;
}
}  // namespace

std::array<CLeadInCdText::Pack, CLeadInCdText::kPacksPerBlock> CLeadInCdText::PacksOfBlock(
    std::span<const uint8_t, kBlockBytes> block) {
    // Four six-bit symbols make three bytes.
    std::array<uint8_t, kPacksPerBlock * kPackBytes> bytes{};
    for (size_t g = 0; g < bytes.size() / 3; ++g) {
        const uint8_t s0 = block[4 * g] & 0x3F, s1 = block[4 * g + 1] & 0x3F;
        const uint8_t s2 = block[4 * g + 2] & 0x3F, s3 = block[4 * g + 3] & 0x3F;
        bytes[3 * g] = static_cast<uint8_t>((s0 << 2) | (s1 >> 4));
        bytes[3 * g + 1] = static_cast<uint8_t>(((s1 & 0x0F) << 4) | (s2 >> 2));
        bytes[3 * g + 2] = static_cast<uint8_t>(((s2 & 0x03) << 6) | s3);
    }
    std::array<Pack, kPacksPerBlock> packs{};
    for (size_t p = 0; p < packs.size(); ++p)
        for (size_t k = 0; k < static_cast<size_t>(kPackBytes); ++k)
            packs[p][k] = bytes[p * kPackBytes + k];
    return packs;
}

bool CLeadInCdText::CrcMatches(const Pack& pack) {
    const auto stored = static_cast<uint16_t>((pack[16] << 8) | pack[17]);
    return stored == static_cast<uint16_t>(~VirtualDriveCrc16(pack.data(), 16));
}

void CLeadInCdText::AddBlock(std::span<const uint8_t, kBlockBytes> block) {
    for (const Pack& pack : PacksOfBlock(block)) {
        if (AllZero(pack))
            continue;  // the unused room of a last, short group
        if (!CrcMatches(pack)) {
            ++badPacks_;
            continue;
        }
        const size_t at = ((pack[3] >> 4) & 0x07) * kSequences + pack[2];
        if (!have_[at]) {
            packs_[at] = pack;
            have_[at] = true;
        }
    }
}

std::vector<CLeadInCdText::Pack> CLeadInCdText::Packs() const {
    std::vector<Pack> packs;
    for (size_t block = 0; block < kLanguageBlocks; ++block)
        for (size_t at = block * kSequences; at < (block + 1) * kSequences && have_[at]; ++at)
            packs.push_back(packs_[at]);
    return packs;
}

std::vector<std::string> CLeadInCdText::Titles(int32_t lastTrack) const {
    std::vector<std::string> titles(static_cast<size_t>(std::max(lastTrack, 0)) + 1);
    std::vector<bool> done(titles.size(), false);
    for (const Pack& pack : Packs()) {
        // Block 0, single-byte characters only.
        if (pack[0] != kTitlePack || (pack[3] & 0xF0) != 0)
            continue;
        // Byte 1 names the text that the pack's first character belongs to; each NUL
        // ends one text and the next character starts the following track's.
        int32_t track = pack[1] & 0x7F;
        for (int32_t k = 4; k < 16; ++k) {
            const uint8_t c = pack[static_cast<size_t>(k)];
            const bool inRange = track >= 0 && track < static_cast<int32_t>(titles.size());
            if (c == 0) {
                if (inRange)
                    done[static_cast<size_t>(track)] = true;
                ++track;
            } else if (inRange && !done[static_cast<size_t>(track)]) {
                titles[static_cast<size_t>(track)].push_back(static_cast<char>(c));
            }
        }
    }
    return titles;
}
