#include "virtualdrive/VirtualMmc2Model.h"

#include "scsi/MmcCommands.h"
#include "scsi/ScsiStatus.h"

namespace {
constexpr uint8_t kNextSessionTrackMode4 = 0xC4;
}  // namespace

uint8_t CVirtualMmc2Model::CheckWriteParameters(std::span<const uint8_t> page) const {
    if (const uint8_t refusal = CVirtualMmcModel::CheckWriteParameters(page); refusal != 0)
        return refusal;
    if ((page[2] & 0x0F) == mmc::kSessionAtOnce && page[3] != kNextSessionTrackMode4)
        return scsistatus::kAscInvalidField;
    return 0;
}
