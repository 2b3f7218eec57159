#pragma once
// The "SONY" command set, all in six-byte mode pages: vendor page 0x22 tells the disc
// (bytes 25 to 27 the lead-in start as minute, second, frame on a blank disc, zero on a
// written one; bytes 2, 3 and 19 the last session's settings, which the host clears in
// the page it sends back to write a fresh disc), page 0x20 the write mode (byte 3: 2 for
// a simulation, 0 to burn), page 0x31 the speed (byte 2: 0 for 1x, 1 for 2x, 2 for 4x,
// 0xFF the fastest).  Both pages 0x20 and 0x22 must have been sent before the Sony cue
// sheet (vendor command E0: 8-byte entries in BCD, the lead-in and lead-out of data form
// 0, the audio of data form 1; the length in bytes 1 to 3, 3600 at most).  Vendor
// command E1 writes the blocks of a byte count in bytes 1 to 3, from the pregap on, at
// the drive's own next address; the drive writes the lead-in and lead-out itself and
// finishes the disc with the last block.  START UNIT with the tray open stands for the
// user putting the caddy back in.  No MMC writing command, no write parameters page.
#include <vector>

#include "virtualdrive/VirtualVendorModel.h"

class CVirtualSonyModel : public CVirtualVendorModel {
  public:
    static constexpr int32_t kDiscPageLength = 32;
    static constexpr uint32_t kMaxCueSheet = 3600;

    explicit CVirtualSonyModel(CVirtualDriveState& drive);

    bool Answer(const uint8_t* cdb, const Request& request, CVirtualAnswer& answer) override;
    bool ModePage(uint8_t code, int32_t pageControl, std::vector<uint8_t>& page) const override;
    uint8_t SelectModePage(std::span<const uint8_t> page) override;

    // The disc of a Sony cue sheet: 0, or the additional sense code of its refusal.
    static uint8_t ParseCueSheet(std::span<const uint8_t> bytes, int32_t lastLeadOut,
                                 CVirtualCueSheet& cue);

  private:
    CVirtualAnswer SendCueSheet(const uint8_t* cdb, const Request& request);
    CVirtualAnswer Write(const uint8_t* cdb, const Request& request);

    bool writeModeSet_ = false;  // page 0x20 since the last disc
    bool discPageSet_ = false;   // page 0x22 since the last disc
};
