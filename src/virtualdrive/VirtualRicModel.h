#pragma once
// The "RIC" command set (see CVirtualExtentsModel for the layout and the writes): the
// MMC write parameters page, of which the drive heeds only the test bit (its write type
// is its own), READ DISC INFORMATION, SET CD SPEED and the cache flush of MMC, none of
// its other writing commands.
#include "virtualdrive/VirtualExtentsModel.h"

class CVirtualRicModel : public CVirtualExtentsModel {
  public:
    explicit CVirtualRicModel(CVirtualDriveState& drive);

    bool HasWriteParameters() const override { return true; }

  protected:
    bool TestWrite() const override { return drive_.TestWrite(); }
};
