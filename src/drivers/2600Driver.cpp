#include "drivers/2600Driver.h"

#include <algorithm>

#include "base/BigEndian.h"
#include "scsi/SpcCommands.h"
#include "scsi/VendorCommands.h"

C2600Driver::C2600Driver(CScsiTransport& transport, CDiscImage& discImage, IDriverUi& ui)
    : CTrackExtentsDriver(transport, discImage, ui) {
    blocksPerCommand = kBlocksPerCommand;
}

C2600Driver::~C2600Driver() = default;

uint8_t C2600Driver::SpeedPageValue(int32_t factor) {
    // The factor itself: 0 for the drive's fastest, else the multiple of 1x.
    return static_cast<uint8_t>(std::clamp(factor, 0, 0xFF));
}

int32_t C2600Driver::SetBlockLength(int32_t length) {
    uint8_t data[16] = {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x08};
    bigendian::Put24(&data[13], static_cast<uint32_t>(length));
    // Without page format: the block descriptor alone.
    Command(spc::ModeSelect10(0x00, sizeof data), data, sizeof data, nullptr, 0);
    return 0;
}

int32_t C2600Driver::InitWrite() {
    BeginRun();
    SetBlockLength(kBlockLength);

    const uint8_t speedPage[16] = {0x00,
                                   0x00,
                                   0x00,
                                   0x00,
                                   0x00,
                                   0x00,
                                   0x00,
                                   0x00,
                                   vendorcmd::k2600SpeedPage,
                                   0x06,
                                   SpeedPageValue(speedFactor),
                                   static_cast<uint8_t>(test.load() != 0 ? 1 : 0),
                                   0x00,
                                   0x00,
                                   0x00,
                                   0x00};
    if (Command(spc::ModeSelect10(spc::kPageFormat, sizeof speedPage), speedPage, sizeof speedPage,
                nullptr, 0) != 0) {
        ReportError("Cannot set speed/simulation mode.\n");
        return 1;
    }
    const uint8_t clearPage[18] = {
        0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, vendorcmd::k2600WriteModePage, 0x08};
    // A drive that refuses the page may still write; one that does not answer cannot.
    if (Command(spc::ModeSelect10(spc::kPageFormat, sizeof clearPage), clearPage, sizeof clearPage,
                nullptr, 0) == 1) {
        ReportError("The recorder does not answer.");
        return 1;
    }
    if (AskLeadLengths() != 0)
        return 1;
    return CCdrDriver::InitWrite();
}

int32_t C2600Driver::WriteBlocks(int32_t& address, const uint8_t* data, int32_t count) {
    return WriteWithoutAddress(address, data, count, true);
}

int32_t C2600Driver::CheckBlankDisc() {
    return 0;
}

int32_t C2600Driver::SetSpeed(int32_t /*ignored*/, int32_t factor) {
    speedFactor = factor;
    return 0;
}

int32_t C2600Driver::LoadUnload(int32_t load) {
    return LoadCommand(vendorcmd::Load2600(load == 0), load);
}
