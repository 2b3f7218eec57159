#pragma once
// CD-TEXT for the lead-in: the album title and the track titles as title packs (type
// 0x80, block 0, ISO 8859-1) closed by the three size-information packs (type 0x8F)
// that readers need to take the block at all; each pack with its checksum, grouped four
// at a time into 96-byte P-W subchannel blocks that the MMC driver repeats over the
// lead-in.
#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <string_view>

#include "disc/PWSubChannel96.h"

class CCdTextBuilder {
  public:
    static constexpr int32_t kMaxPacks = 255;
    static constexpr int32_t kPackBytes = 18;
    static constexpr int32_t kTextBytes = 12;  // text bytes in a pack, bytes 4 to 15
    static constexpr int32_t kPacksPerBlock = 4;
    static constexpr int32_t kMaxBlocks = (kMaxPacks + kPacksPerBlock - 1) / kPacksPerBlock;
    static constexpr int32_t kSizePacks = 3;
    // Room for text: the size information always gets its three packs.
    static constexpr int32_t kMaxTextPacks = kMaxPacks - kSizePacks;
    static constexpr uint8_t kTitlePack = 0x80;
    static constexpr uint8_t kSizePack = 0x8F;

    CCdTextBuilder() = default;
    virtual ~CCdTextBuilder() = default;
    CCdTextBuilder(const CCdTextBuilder&) = delete;
    CCdTextBuilder& operator=(const CCdTextBuilder&) = delete;

    // Appends the title of track (0 = the album) with its terminating NUL, right behind
    // the previous text.  The text is a byte string as the files give it: valid UTF-8 is
    // converted to ISO 8859-1 with "?" for what it cannot hold; other bytes are taken as
    // ISO 8859-1 already.  It ends at its first NUL.  Once the 255 packs are full, a text
    // is cut so that its NUL still fits, and later texts are left out.
    void AddText(std::string_view text, int32_t track);
    // Checksums of every pack, then the blocks.
    void BuildPacks();
    void Clear();
    // True when AddText had to cut or leave out text since the last Clear.
    bool TitlesShortened() const { return shortened_; }

    // Title packs; after BuildPacks the size information follows in the next three.
    int32_t packCount = 0;
    std::array<std::array<uint8_t, kPackBytes>, kMaxPacks> packs{};
    std::array<std::unique_ptr<CPWSubChannel96>, kMaxBlocks> blocks{};
    int32_t blockCount = 0;
    int32_t fillPosition = 0;  // text bytes already in the last pack, 0 to 12

  private:
    void BuildSizeInformation();

    bool shortened_ = false;
    // Track numbers of the texts added, for the size information.
    int32_t firstTrack_ = 0;
    int32_t lastTrack_ = 0;
};
