#include "drivers/Mmc2Driver.h"

CMmc2Driver::CMmc2Driver(CScsiTransport& transport, CDiscImage& discImage, IDriverUi& ui)
    : CCdrDriver(transport, discImage, ui) {
    blocksPerCommand = kBlocksPerCommand;
}

CMmc2Driver::~CMmc2Driver() = default;

int32_t CMmc2Driver::SetWriteParameters() {
    return SetSessionAtOnceParameters(kNextSessionTrackMode4);
}
