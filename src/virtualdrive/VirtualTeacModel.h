#pragma once
// The "TEAC" command set, in six-byte mode pages: page 0 is the mode header and block
// descriptor alone, whose density code must be 4 and block length 2352 for audio;
// vendor page 0x21 sets simulation (byte 2: 3) or burning (0), page 0x22 the write mode
// (7 bytes), page 0x31 the speed (byte 2: 0 for 1x, 1 for 2x, 2 for 4x).  Vendor command
// EC calibrates the laser.  The layout comes as the TEAC cue table, an entry at a time:
// vendor command B3 (12 bytes) with the entry's first block and block count in bytes 2
// to 9, then vendor command C2 with its 4 subcode bytes; first the track 1 pregap (-150,
// 150 blocks, 01 01 01 00), then the tracks back to back (00 01 track index-1).  Then
// the table of contents, C2 with 3 zero bytes and 5-byte BCD entries (each track's start
// minute and second, A0 with the first track, A1 the last, A2 the lead-out), which must
// tell the same disc.  WRITE(10) takes the blocks from the pregap on at their addresses;
// its control byte (byte 9) is 0x80 while more follows and 0x00 on the command that
// reaches the lead-out, with which the drive finishes the disc.  No MMC writing command,
// no write parameters page.
#include <array>
#include <optional>
#include <vector>

#include "virtualdrive/VirtualVendorModel.h"

class CVirtualTeacModel : public CVirtualVendorModel {
  public:
    static constexpr uint8_t kAudioDensity = 0x04;
    static constexpr uint8_t kMoreFollows = 0x80;

    // One entry of the cue table as the drive received it.
    struct CueEntry {
        int32_t start = 0;
        int32_t count = 0;
        std::array<uint8_t, 4> subcode{};
    };

    explicit CVirtualTeacModel(CVirtualDriveState& drive);

    bool Answer(const uint8_t* cdb, const Request& request, CVirtualAnswer& answer) override;
    bool ModePage(uint8_t code, int32_t pageControl, std::vector<uint8_t>& page) const override;
    uint8_t SelectModePage(std::span<const uint8_t> page) override;

    // Whether an entry may follow these in the cue table.
    static bool EntryFits(const std::vector<CueEntry>& entries, const CueEntry& entry);
    // The disc of a cue table and its table of contents (behind the 3 zero bytes): 0, or
    // the additional sense code of its refusal.
    static uint8_t ParseTableOfContents(std::span<const uint8_t> bytes,
                                        const std::vector<CueEntry>& entries, int32_t lastLeadOut,
                                        CVirtualCueSheet& cue);

  private:
    CVirtualAnswer Calibrate(const Request& request);
    CVirtualAnswer CueExtent(const uint8_t* cdb, const Request& request);
    CVirtualAnswer SendTable(const uint8_t* cdb, const Request& request);
    CVirtualAnswer Write(const uint8_t* cdb, const Request& request);

    std::vector<CueEntry> entries_;
    std::optional<CueEntry> pending_;  // an extent waiting for its subcode
    bool writeModeSet_ = false;        // page 0x22 since the last disc
};
