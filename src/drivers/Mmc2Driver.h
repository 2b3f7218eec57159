#pragma once
// The "MMC2" driver: disc-at-once writing as the generic MMC driver does it, for drives
// that take commands of at most 32 KiB and want multi-session "next session allowed"
// with track mode 4 in the write parameters page (byte 3 = 0xC4).  13 blocks per WRITE,
// so ring slots of 30576 bytes.
#include "drivers/CdrDriver.h"

class CMmc2Driver : public CCdrDriver {
  public:
    static constexpr int32_t kBlocksPerCommand = 32768 / kBlockLength;  // 13
    static constexpr uint8_t kNextSessionTrackMode4 = 0xC4;

    CMmc2Driver(CScsiTransport& transport, CDiscImage& discImage, IDriverUi& ui);
    ~CMmc2Driver() override;

    /* 13 */ int32_t SetWriteParameters() override;
};
