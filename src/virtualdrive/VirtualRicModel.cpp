#include "virtualdrive/VirtualRicModel.h"

CVirtualRicModel::CVirtualRicModel(CVirtualDriveState& drive)
    : CVirtualExtentsModel(drive, {0x35, 0x51, 0xBB}) {}
