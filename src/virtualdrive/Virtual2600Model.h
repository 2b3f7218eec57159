#pragma once
// The "2600" command set (see CVirtualExtentsModel for the layout and the writes): the
// host's samples arrive big-endian and are turned round for the image; speed and
// simulation are set in vendor page 0x23 (byte 2 the speed factor, 0 for the fastest;
// byte 3 1 for a simulation, 0 to burn), and vendor page 0x22 (8 bytes) is taken as
// sent; vendor command E7 loads (byte 8 = 0) or ejects (byte 8 = 1) the disc.  No MMC
// write parameters page, no MMC writing command but the cache flush.
#include "virtualdrive/VirtualExtentsModel.h"

class CVirtual2600Model : public CVirtualExtentsModel {
  public:
    explicit CVirtual2600Model(CVirtualDriveState& drive);

    bool Answer(const uint8_t* cdb, const Request& request, CVirtualAnswer& answer) override;
    uint8_t SelectModePage(std::span<const uint8_t> page) override;

  protected:
    bool SwappedSamples() const override { return true; }

  private:
    CVirtualAnswer LoadOrEject(const uint8_t* cdb, const Request& request);
};
