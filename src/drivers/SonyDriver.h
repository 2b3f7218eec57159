#pragma once
// The "SONY" driver, for drives with the SONY command set, all in six-byte mode pages:
// the speed in vendor page 0x31, the disc's state in vendor page 0x22 (where the lead-in
// starts; CheckBlankDisc reads it and makes no blank test), simulation in vendor page
// 0x20 with page 0x22 sent back cleared, the Sony cue sheet with vendor command E0 (3600
// bytes at most), the pregap as silence, and the audio with vendor command E1, which
// carries a byte count and no address.  The drive writes the lead-in and lead-out
// itself and finishes the disc after its last block: no cache flush, only a wait until
// it is ready.  Load is START UNIT, eject START STOP UNIT with the eject bit.
#include "drivers/CdrDriver.h"

class CSonyDriver : public CCdrDriver {
  public:
    // The longest cue sheet the drive takes, in bytes.
    static constexpr int32_t kMaxCueSheet = 3600;
    // A write the drive is still busy with: it asks for this pause and has the data.
    static constexpr int32_t kBusyPauseMs = 10000;

    CSonyDriver(CScsiTransport& transport, CDiscImage& discImage, IDriverUi& ui);
    ~CSonyDriver() override;

    /* 5 */ int32_t FinishDisc() override;
    /* 7 */ int32_t StartWrite() override;
    /* 8 */ int32_t InitWrite() override;
    /* 10 */ int32_t WriteBlocks(int32_t& address, const uint8_t* data, int32_t count) override;
    /* 12 */ int32_t CheckBlankDisc() override;
    /* 13 */ int32_t SetWriteParameters() override;
    /* 20 */ int32_t SetSpeed(int32_t ignored, int32_t factor) override;
    /* 21 */ int32_t LoadUnload(int32_t load) override;

    // Page 0x31's speed byte for a speed factor.
    static uint8_t SpeedPageValue(int32_t factor);
};
