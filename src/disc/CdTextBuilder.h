#pragma once
// CD-TEXT for the lead-in: the album title and the track titles as title packs (type
// 0x80) in block 0, ISO 8859-1, closed by the three size-information packs (type 0x8F)
// that readers need to take the block at all.  Titles in scripts that Latin-1 lacks go
// in Latin letters (see CdTextCharset.h).  When a title is Japanese, block 1 carries
// every title again in MS-JIS (character code 0x80, double-byte characters, language
// Japanese), so that a Japanese player shows the original.  Each pack gets its
// checksum; the packs of both blocks, one after the other, are grouped four at a time
// into 96-byte P-W subchannel blocks that the MMC driver repeats over the lead-in.
#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "disc/PWSubChannel96.h"

class CCdTextBuilder {
  public:
    static constexpr int32_t kMaxPacks = 255;  // of one language block
    static constexpr int32_t kPackBytes = 18;
    static constexpr int32_t kTextBytes = 12;  // text bytes in a pack, bytes 4 to 15
    static constexpr int32_t kPacksPerBlock = 4;
    // Subchannel blocks: room for both language blocks.
    static constexpr int32_t kMaxBlocks = (2 * kMaxPacks + kPacksPerBlock - 1) / kPacksPerBlock;
    static constexpr int32_t kSizePacks = 3;
    // Room for text: the size information always gets its three packs.
    static constexpr int32_t kMaxTextPacks = kMaxPacks - kSizePacks;
    static constexpr uint8_t kTitlePack = 0x80;
    static constexpr uint8_t kSizePack = 0x8F;
    using Pack = std::array<uint8_t, kPackBytes>;

    // A title that went onto the disc in other letters than its own.
    struct CTransliteration {
        int32_t track;         // 0: the album
        std::string original;  // as given
        std::string latin1;    // as block 0 carries it
    };

    CCdTextBuilder() = default;
    virtual ~CCdTextBuilder() = default;
    CCdTextBuilder(const CCdTextBuilder&) = delete;
    CCdTextBuilder& operator=(const CCdTextBuilder&) = delete;

    // Appends the title of track (0 = the album) with its terminating NUL, right behind
    // the previous text.  The text is a byte string as the files give them (see
    // CdTextCharset.h); it ends at its first NUL.  Once the 255 packs are full, a text
    // is cut so that its NUL still fits, and later texts are left out.
    void AddText(std::string_view text, int32_t track);
    // Checksums of every pack, then the blocks.
    void BuildPacks();
    void Clear();
    // True when AddText had to cut or leave out text since the last Clear.
    bool TitlesShortened() const { return shortened_; }
    // The titles written in Latin letters since the last Clear, in the order added.
    const std::vector<CTransliteration>& Transliterations() const { return transliterations_; }
    // After BuildPacks: every pack in the order of the lead-in, block 0 then block 1.
    std::vector<Pack> AllPacks() const;

    // Block 0's title packs; after BuildPacks the size information follows in the next
    // three.
    int32_t packCount = 0;
    std::array<Pack, kMaxPacks> packs{};
    // Block 1 (MS-JIS), made by BuildPacks when a title is Japanese and the block fits;
    // the same way round.
    int32_t japanesePackCount = 0;
    std::array<Pack, kMaxPacks> japanesePacks{};
    std::array<std::unique_ptr<CPWSubChannel96>, kMaxBlocks> blocks{};
    int32_t blockCount = 0;
    int32_t fillPosition = 0;  // text bytes already in block 0's last pack, 0 to 12

  private:
    void BuildJapaneseBlock();
    void BuildSizeInformation(std::array<Pack, kMaxPacks>& store, int32_t count, int32_t block);

    bool shortened_ = false;
    // Track numbers of the texts added, for the size information.
    int32_t firstTrack_ = 0;
    int32_t lastTrack_ = 0;
    std::vector<CTransliteration> transliterations_;
    // Every title in MS-JIS, for block 1; whether any is Japanese.
    std::vector<std::pair<int32_t, std::string>> msJisTitles_;
    bool anyJapanese_ = false;
};
