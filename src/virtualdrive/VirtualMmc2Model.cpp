#include "virtualdrive/VirtualMmc2Model.h"

namespace {
constexpr uint8_t kInvalidField = 0x26;
constexpr uint8_t kSessionAtOnce = 0x02;
constexpr uint8_t kNextSessionTrackMode4 = 0xC4;
}  // namespace

uint8_t CVirtualMmc2Model::CheckWriteParameters(std::span<const uint8_t> page) const {
    if (const uint8_t refusal = CVirtualMmcModel::CheckWriteParameters(page); refusal != 0)
        return refusal;
    if ((page[2] & 0x0F) == kSessionAtOnce && page[3] != kNextSessionTrackMode4)
        return kInvalidField;
    return 0;
}
