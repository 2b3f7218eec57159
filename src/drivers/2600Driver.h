#pragma once
// The "2600" driver, for drives with the 2600 command set: the block length set with
// MODE SELECT(10) without page format, speed and simulation in vendor page 0x23, vendor
// page 0x22 cleared, the disc sent as track extents and written with the lead-in and
// lead-out (see CTrackExtentsDriver), samples sent big-endian, 13 blocks a command.
// Load and eject go through vendor command E7.  The driver makes no blank test of its
// own (the drive refuses the extents of a disc that is not blank) and keeps the speed
// factor until the write.
#include "drivers/TrackExtentsDriver.h"

class C2600Driver : public CTrackExtentsDriver {
  public:
    static constexpr int32_t kBlocksPerCommand = 32768 / kBlockLength;  // 13

    C2600Driver(CScsiTransport& transport, CDiscImage& discImage, IDriverUi& ui);
    ~C2600Driver() override;

    /* 0 */ int32_t SetBlockLength(int32_t length) override;
    /* 8 */ int32_t InitWrite() override;
    /* 10 */ int32_t WriteBlocks(int32_t& address, const uint8_t* data, int32_t count) override;
    /* 12 */ int32_t CheckBlankDisc() override;
    /* 20 */ int32_t SetSpeed(int32_t ignored, int32_t factor) override;
    /* 21 */ int32_t LoadUnload(int32_t load) override;

    // Page 0x23's speed byte for a speed factor.
    static uint8_t SpeedPageValue(int32_t factor);

    int32_t speedFactor = 0;
};
