#pragma once
// Subchannel data of every block from the start of the lead-in to the end of the
// lead-out, for raw writing: the table of contents repeated over the lead-in, track,
// index and times in the pregaps and tracks, the lead-out codes, and the P channel
// that marks pauses and the lead-out.  Initialised once per run from the MMC cue sheet.
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "disc/DiscTime.h"
#include "disc/SubChannel.h"

class CRawBlockWriter {
  public:
    static constexpr int32_t kCueEntry = 8;
    // Disc address of lead-in time 00:00:00: 100 minutes of blocks plus the pregap.
    static constexpr int32_t kLeadInOrigin = 100 * kFramesPerMinute + kPregapFrames;

    CRawBlockWriter() = default;
    ~CRawBlockWriter() = default;
    CRawBlockWriter(const CRawBlockWriter&) = delete;
    CRawBlockWriter& operator=(const CRawBlockWriter&) = delete;

    // 0 when the cue sheet (length bytes, whole 8-byte entries, ending in the lead-out)
    // passes the check and the writer stands at the lead-in start; 1 when refused.
    // The prototype is the block form the drive takes; every block is made from it.
    int32_t InitFromCueSheet(const CSubChannel* prototype, int32_t discType,
                             const uint8_t* cueSheet, int32_t length, const CDiscTime& leadInStart);
    // The subchannel block of the next address; blocks come strictly in sequence from
    // the lead-in start, and address only tells whether a cue entry takes effect here.
    // The block stays valid until the next call; nullptr before a successful Init.
    const CSubChannel* NextBlock(int32_t address);
    // For k = 0 .. n - 1: the 2352 audio bytes of block k, then the subchannel bytes of
    // address + k, into out.  Encodes no more blocks than audio and out hold; returns
    // how many it encoded.
    int32_t EncodeBlocks(int32_t address, std::span<const uint8_t> audio, int32_t n,
                         std::span<uint8_t> out);

    int32_t FirstTrack() const { return firstTrack_; }
    int32_t LastTrack() const { return lastTrack_; }
    CDiscTime LeadOutStart() const { return leadOutStart_; }
    int32_t TocLength() const { return static_cast<int32_t>(toc_.size()); }
    // Address of the block that NextBlock makes next.
    int32_t Address() const { return address_; }
    int32_t CatalogPresent() const { return catalogPresent_; }
    const CSubChannel* CatalogBlock() const { return catalogBlock_.get(); }
    int32_t IsrcPresent() const { return isrcPresent_; }
    const CSubChannel* IsrcBlock() const { return isrcBlock_.get(); }

  private:
    int32_t EntryCount() const { return static_cast<int32_t>(cue_.size()) / kCueEntry; }
    const uint8_t* Entry(int32_t i) const {
        return cue_.data() + static_cast<size_t>(i) * kCueEntry;
    }
    int32_t Adr(int32_t i) const { return Entry(i)[0] & 0x0F; }
    int32_t Track(int32_t i) const { return Entry(i)[1]; }
    int32_t Index(int32_t i) const { return Entry(i)[2]; }
    CDiscTime Time(int32_t i) const { return {Entry(i)[5], Entry(i)[6], Entry(i)[7]}; }
    int32_t EntryAddress(int32_t i) const { return Time(i).BlockCount() - kPregapFrames; }

    int32_t CheckCueSheet();
    void BuildToc();
    // The next position entry (ADR 1) after entry i, or -1.
    int32_t NextPositionEntry(int32_t i) const;
    // The entry of track with index 1 (the lead-out entry for 0xAA), or -1.
    int32_t IndexOneEntry(int32_t track) const;
    void AdvanceRegion();

    const CSubChannel* prototype_ = nullptr;
    std::vector<uint8_t> cue_;
    int32_t discType_ = 0;
    int32_t firstTrack_ = 0;
    int32_t lastTrack_ = 0;
    CDiscTime leadOutStart_{};
    int32_t leadInEntry_ = -1;
    int32_t currentEntry_ = -1;
    int32_t relativeCounter_ = 0;
    int32_t address_ = 0;
    int32_t nextChange_ = 0;
    int32_t trackEnd_ = 0;
    std::vector<std::unique_ptr<CSubChannel>> toc_;
    int32_t tocIndex_ = 0;
    int32_t tocRepeat_ = 0;
    std::unique_ptr<CSubChannel> catalogBlock_;
    std::unique_ptr<CSubChannel> isrcBlock_;
    std::unique_ptr<CSubChannel> positionBlock_;
    int32_t catalogPresent_ = 0;
    int32_t isrcPresent_ = 0;
};
