#include "virtualdrive/VirtualDriveState.h"

#include "scsi/ScsiStatus.h"

CVirtualDriveState::CVirtualDriveState(const CVirtualDeviceConfig& configuration)
    : config(configuration),
      disc(configuration),
      buffer(configuration.bufferBytes, configuration.realTime) {}

bool CVirtualDriveState::MediumMissing(CVirtualAnswer& answer) const {
    if (trayOpen) {
        answer = CVirtualAnswer::Check(scsistatus::kSenseNotReady, 0x3A, 0x02);  // tray open
        return true;
    }
    if (disc.Kind() == CVirtualDiscKind::kNone) {
        answer = CVirtualAnswer::Check(scsistatus::kSenseNotReady, 0x3A, 0x01);  // tray closed
        return true;
    }
    return false;
}

void CVirtualDriveState::DiscFinished(const std::string& cuePath) {
    ++finishedDiscs;
    if (!cuePath.empty())
        lastImage = cuePath;
}
