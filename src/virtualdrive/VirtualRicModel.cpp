#include "virtualdrive/VirtualRicModel.h"

#include "scsi/MmcCommands.h"
#include "scsi/SpcCommands.h"

CVirtualRicModel::CVirtualRicModel(CVirtualDriveState& drive)
    : CVirtualExtentsModel(drive,
                           {spc::kSynchronizeCache, mmc::kReadDiscInformation, mmc::kSetCdSpeed}) {}
