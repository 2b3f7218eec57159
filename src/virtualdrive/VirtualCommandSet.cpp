#include "virtualdrive/VirtualCommandSet.h"

#include "virtualdrive/VirtualMmc2Model.h"
#include "virtualdrive/VirtualMmcModel.h"
#include "virtualdrive/VirtualRawModel.h"
#include "virtualdrive/VirtualTaoModel.h"

namespace {
constexpr uint8_t kInvalidField = 0x26;
}  // namespace

std::unique_ptr<CVirtualCommandSet> CVirtualCommandSet::Make(CVirtualDriveState& drive) {
    switch (drive.config.model) {
        case CVirtualDeviceConfig::Model::kMmcRaw:
            return std::make_unique<CVirtualRawModel>(drive);
        case CVirtualDeviceConfig::Model::kMmc2:
            return std::make_unique<CVirtualMmc2Model>(drive);
        case CVirtualDeviceConfig::Model::kTrackAtOnce:
            return std::make_unique<CVirtualTaoModel>(drive);
        case CVirtualDeviceConfig::Model::kMmc:
            break;
    }
    return std::make_unique<CVirtualMmcModel>(drive);
}

uint8_t CVirtualCommandSet::CheckWriteParameters(std::span<const uint8_t> /*page*/) const {
    return 0;
}

bool CVirtualCommandSet::ModePage(uint8_t /*code*/, int32_t /*pageControl*/,
                                  std::vector<uint8_t>& /*page*/) const {
    return false;
}

uint8_t CVirtualCommandSet::SelectModePage(std::span<const uint8_t> /*page*/) {
    return kInvalidField;
}
