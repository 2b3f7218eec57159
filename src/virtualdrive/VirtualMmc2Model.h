#pragma once
// The MMC2 command set: session-at-once with a cue sheet as the generic MMC drive, but
// a drive of this kind takes a session-at-once write parameters page only with
// multi-session "next session allowed" (byte 3 bits 6 and 7 both set) and track mode 4
// (byte 3 low nibble): 0xC4.  Any other session-at-once page is refused as an invalid
// field in the parameter list.
#include "virtualdrive/VirtualMmcModel.h"

class CVirtualMmc2Model : public CVirtualMmcModel {
  public:
    using CVirtualMmcModel::CVirtualMmcModel;

    uint8_t CheckWriteParameters(std::span<const uint8_t> page) const override;
};
