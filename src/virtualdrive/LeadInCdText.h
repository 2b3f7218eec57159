#pragma once
// The CD-TEXT that a host writes into the lead-in, as the virtual recorder reads it back
// from what it received: every 96-byte block carries four 18-byte packs in the R to W
// channels (the low six bits of each byte), and the packs repeat over the whole lead-in,
// so each sequence number of each language block is kept once, from its first copy with
// a good checksum.
#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

class CLeadInCdText {
  public:
    static constexpr int32_t kBlockBytes = 96;
    static constexpr int32_t kPackBytes = 18;
    static constexpr int32_t kPacksPerBlock = 4;
    using Pack = std::array<uint8_t, kPackBytes>;

    void AddBlock(std::span<const uint8_t, kBlockBytes> block);

    // Of each language block in turn, the packs with sequence numbers 0, 1, 2, ... for
    // as long as none is missing.
    std::vector<Pack> Packs() const;
    // The titles (pack type 0x80, block 0, single-byte characters) of those packs: [0]
    // the album, [t] track t, for t up to lastTrack; "" where there is none.  Bytes are
    // ISO 8859-1, as on the disc.
    std::vector<std::string> Titles(int32_t lastTrack) const;
    // Packs that were not all zeros and failed their checksum.
    int32_t BadPacks() const { return badPacks_; }

    // The four packs of a block's R to W channels, as they stand.
    static std::array<Pack, kPacksPerBlock> PacksOfBlock(
        std::span<const uint8_t, kBlockBytes> block);
    // True when the pack's stored checksum (inverted CRC-16 of bytes 0 to 15) matches.
    static bool CrcMatches(const Pack& pack);

  private:
    static constexpr size_t kLanguageBlocks = 8;
    static constexpr size_t kSequences = 256;
    std::array<Pack, kLanguageBlocks * kSequences> packs_{};
    std::array<bool, kLanguageBlocks * kSequences> have_{};
    int32_t badPacks_ = 0;
};
