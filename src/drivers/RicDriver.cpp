#include "drivers/RicDriver.h"

#include <array>

#include "scsi/MmcCommands.h"

CRicDriver::CRicDriver(CScsiTransport& transport, CDiscImage& discImage, IDriverUi& ui)
    : CTrackExtentsDriver(transport, discImage, ui) {}

CRicDriver::~CRicDriver() = default;

int32_t CRicDriver::SetWriteParameters() {
    std::array<uint8_t, 56> page{};
    if (ModeSense10(mmc::kWriteParametersPage, page) != 0)
        return 1;
    page[0] &= 0x7F;
    page[2] = static_cast<uint8_t>((page[2] & ~0x10) | (test.load() != 0 ? 0x10 : 0x00));
    return ModeSelect10(page);
}

int32_t CRicDriver::InitWrite() {
    BeginRun();
    blockLength = kBlockLength;
    blocksPerCommand = BlocksPerPathCommand(blockLength);
    if (CCdrDriver::InitWrite() != 0)
        return 1;
    if (SetWriteParameters() != 0) {
        // The page's own command says nothing when the drive refuses it.
        ReportError("Cannot set write parameters mode page.");
        return 1;
    }
    if (AskLeadLengths() != 0)
        return 1;
    SetWriteParameters();
    SetBlockLength(kBlockLength);
    ReplaceSilenceBuffer();
    return 0;
}

int32_t CRicDriver::WriteBlocks(int32_t& address, const uint8_t* data, int32_t count) {
    return WriteWithoutAddress(address, data, count, false);
}
