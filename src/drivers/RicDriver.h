#pragma once
// The "RIC" driver, for drives with the RIC command set: the MMC write parameters page
// as the drive has it with only its test bit changed, the block length of the generic
// driver, the speed, blank check, load and eject of the generic driver, and the disc
// sent as track extents and written with the lead-in and lead-out (see
// CTrackExtentsDriver), in commands as large as the path to the drive takes (64 KiB at
// most).  The drive is waited for after the final cache flush.
#include "drivers/TrackExtentsDriver.h"

class CRicDriver : public CTrackExtentsDriver {
  public:
    CRicDriver(CScsiTransport& transport, CDiscImage& discImage, IDriverUi& ui);
    ~CRicDriver() override;

    /* 8 */ int32_t InitWrite() override;
    /* 10 */ int32_t WriteBlocks(int32_t& address, const uint8_t* data, int32_t count) override;
    // The write parameters page with its test bit set or cleared, everything else as the
    // drive has it: 0, or 1 (no message).
    /* 13 */ int32_t SetWriteParameters() override;
};
