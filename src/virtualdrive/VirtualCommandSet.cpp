#include "virtualdrive/VirtualCommandSet.h"

#include <algorithm>

#include "scsi/ScsiStatus.h"

#include "virtualdrive/Virtual2600Model.h"
#include "virtualdrive/VirtualMmc2Model.h"
#include "virtualdrive/VirtualMmcModel.h"
#include "virtualdrive/VirtualRawModel.h"
#include "virtualdrive/VirtualRicModel.h"
#include "virtualdrive/VirtualSonyModel.h"
#include "virtualdrive/VirtualTaoModel.h"
#include "virtualdrive/VirtualTeacModel.h"

std::unique_ptr<CVirtualCommandSet> CVirtualCommandSet::Make(CVirtualDriveState& drive) {
    switch (drive.config.model) {
        case CVirtualDeviceConfig::Model::kMmcRaw:
            return std::make_unique<CVirtualRawModel>(drive);
        case CVirtualDeviceConfig::Model::kMmc2:
            return std::make_unique<CVirtualMmc2Model>(drive);
        case CVirtualDeviceConfig::Model::kTrackAtOnce:
            return std::make_unique<CVirtualTaoModel>(drive);
        case CVirtualDeviceConfig::Model::k2600:
            return std::make_unique<CVirtual2600Model>(drive);
        case CVirtualDeviceConfig::Model::kRic:
            return std::make_unique<CVirtualRicModel>(drive);
        case CVirtualDeviceConfig::Model::kSony:
            return std::make_unique<CVirtualSonyModel>(drive);
        case CVirtualDeviceConfig::Model::kTeac:
            return std::make_unique<CVirtualTeacModel>(drive);
        case CVirtualDeviceConfig::Model::kMmc:
            break;
    }
    return std::make_unique<CVirtualMmcModel>(drive);
}

bool CVirtualCommandSet::Knows(uint8_t /*operationCode*/) const {
    return true;
}

uint8_t CVirtualCommandSet::CheckWriteParameters(std::span<const uint8_t> /*page*/) const {
    return 0;
}

bool CVirtualCommandSet::ModePage(uint8_t /*code*/, int32_t /*pageControl*/,
                                  std::vector<uint8_t>& /*page*/) const {
    return false;
}

uint8_t CVirtualCommandSet::SelectModePage(std::span<const uint8_t> /*page*/) {
    return scsistatus::kAscInvalidField;
}

CVirtualAnswer CVirtualCommandSet::EndOfWrite(bool test, std::vector<CVirtualDisc::Track> tracks,
                                              int32_t leadOut, bool imageKept,
                                              const std::string& cuePath) {
    if (!test)
        drive_.disc.Finish(std::move(tracks), leadOut, imageKept ? cuePath : std::string());
    if (!imageKept)
        return CVirtualAnswer::Check(0x03, 0x0C, 0x00);  // write error: no image of it
    drive_.DiscFinished(cuePath);
    return {};
}

void CVirtualCommandSet::GiveUpWrite(CVirtualDiscWrite& write) {
    if (!write.Test() && write.AnyReceived())
        drive_.disc.Spoil(std::max(write.NextAddress(), 0));  // the laser has been at it
    write.Abandon();
}

CVirtualAnswer CVirtualCommandSet::FlushWrite(CVirtualDiscWrite& write) {
    if (!write.AnyReceived())
        return {};  // nothing was burnt: the disc is still blank
    if (!write.Complete()) {
        GiveUpWrite(write);
        return CVirtualAnswer::Check(scsistatus::kSenseIllegalRequest, 0x2C, 0x00);
    }
    drive_.buffer.Drain();
    std::string cuePath;
    const bool kept = write.Finish(cuePath);
    return EndOfWrite(write.Test(), write.Extents(), write.LeadOut(), kept, cuePath);
}
