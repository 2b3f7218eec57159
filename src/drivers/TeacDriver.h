#pragma once
// The "TEAC" driver, for drives with the TEAC command set.  Its six-byte mode pages go
// with the mode header the drive gave: the density and block length for audio in the
// block descriptor, simulation in vendor page 0x21, the write mode in page 0x22, the
// speed in page 0x31.  Power calibration is vendor command EC; the disc goes as the TEAC
// cue table, one entry at a time (vendor command B3 with the extent, C2 with its
// subcode), and then as the TEAC table of contents (C2 behind 3 zero bytes).  The audio
// goes in WRITE(10)s whose control byte is 0x80 while more follows and 0x00 on the one
// that reaches the end of the disc: then the drive writes the lead-out and finishes the
// disc itself.  No blank test of its own (the drive refuses the cue of a disc that is
// not blank), no cache flush.
#include <array>

#include "drivers/CdrDriver.h"

class CTeacDriver : public CCdrDriver {
  public:
    // The end address before the disc's own is known.
    static constexpr int32_t kInitialEndAddress = 1999;
    static constexpr uint8_t kMoreFollows = 0x80;

    CTeacDriver(CScsiTransport& transport, CDiscImage& discImage, IDriverUi& ui);
    ~CTeacDriver() override;

    /* 5 */ int32_t FinishDisc() override;
    /* 7 */ int32_t StartWrite() override;
    /* 8 */ int32_t InitWrite() override;
    /* 10 */ int32_t WriteBlocks(int32_t& address, const uint8_t* data, int32_t count) override;
    /* 12 */ int32_t CheckBlankDisc() override;
    // Vendor page 0x22: 0, or 1 with its message shown.
    /* 13 */ int32_t SetWriteParameters() override;
    /* 20 */ int32_t SetSpeed(int32_t ignored, int32_t factor) override;

    // Page 0x31's speed byte for a speed factor.
    static uint8_t SpeedPageValue(int32_t factor);

    // The mode header and block descriptor as MODE SENSE(6) gave them.
    std::array<uint8_t, 12> modeHeader{};
    // The first address past the audio: the WRITE that reaches it ends the disc.
    int32_t endAddress = 0;

  private:
    // MODE SELECT(6) of a vendor page behind the drive's own mode header: 0 or 1.
    int32_t SelectPage(std::span<const uint8_t> page);
    int32_t SendCueTable();
    int32_t SendTableOfContents();
};
