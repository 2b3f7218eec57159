#include "virtualdrive/Virtual2600Model.h"

#include "scsi/ScsiStatus.h"
#include "scsi/SpcCommands.h"
#include "scsi/VendorCommands.h"

CVirtual2600Model::CVirtual2600Model(CVirtualDriveState& drive)
    : CVirtualExtentsModel(drive, {spc::kSynchronizeCache}) {}

bool CVirtual2600Model::Answer(const uint8_t* cdb, const Request& request, CVirtualAnswer& answer) {
    if (cdb[0] == vendorcmd::kLoad2600) {
        answer = LoadOrEject(cdb, request);
        return true;
    }
    return CVirtualExtentsModel::Answer(cdb, request, answer);
}

uint8_t CVirtual2600Model::SelectModePage(std::span<const uint8_t> page) {
    switch (page[0] & 0x3F) {
        case vendorcmd::k2600SpeedPage:
            if (page.size() != 8 || page[3] > 1)
                return scsistatus::kAscInvalidField;
            SetSpeedFactor(page[2]);
            test_ = page[3] == 1;
            return 0;
        case vendorcmd::k2600WriteModePage:
            return page.size() == 10 ? 0 : scsistatus::kAscInvalidField;
        default:
            return scsistatus::kAscInvalidField;
    }
}

CVirtualAnswer CVirtual2600Model::LoadOrEject(const uint8_t* cdb, const Request& request) {
    CVirtualAnswer answer;
    if (WrongLength(request, 10, answer))
        return answer;
    if ((cdb[8] & 0x01) != 0) {
        if (drive_.removalPrevented)
            return CVirtualAnswer::Check(scsistatus::kSenseIllegalRequest, 0x53, 0x02);
        Abandon();
        drive_.trayOpen = true;
    } else if (drive_.trayOpen) {
        drive_.disc.Reload();  // the user put the next disc in
        drive_.trayOpen = false;
    }
    return answer;
}
