#include "drivers/SonyDriver.h"

#include <algorithm>
#include <array>

#include "disc/DiscImage.h"
#include "drivers/DriverTexts.h"
#include "scsi/ScsiStatus.h"
#include "scsi/ScsiTransport.h"
#include "scsi/SpcCommands.h"
#include "scsi/VendorCommands.h"

namespace {
using drivertext::kWriteFailed;
constexpr size_t kDiscPageBuffer = 32;

// Unit attention with one of the drive's own codes: the write was taken, the drive
// needs a moment.
bool TakenButBusy(const uint8_t* sense) {
    return (sense[2] & 0x0F) == scsistatus::kSenseUnitAttention && sense[7] >= 6 &&
           (sense[12] == 0x80 || sense[12] == 0xD4);
}
}  // namespace

CSonyDriver::CSonyDriver(CScsiTransport& transport, CDiscImage& discImage, IDriverUi& ui)
    : CCdrDriver(transport, discImage, ui) {}

CSonyDriver::~CSonyDriver() = default;

uint8_t CSonyDriver::SpeedPageValue(int32_t factor) {
    switch (factor) {
        case 0:
            return 0xFF;  // the drive's fastest
        case 2:
            return 0x01;
        case 4:
            return 0x02;
        default:
            return 0x00;  // 1x, and what the drive has no setting for
    }
}

int32_t CSonyDriver::InitWrite() {
    flushSucceeded_ = 0;
    blockLength = kBlockLength;
    blocksPerCommand = BlocksPerPathCommand(blockLength);
    if (CCdrDriver::InitWrite() != 0)
        return 1;
    const uint8_t speedPage[4] = {vendorcmd::kSonySpeedPage, 0x02, SpeedPageValue(speed), 0x00};
    if (ModeSelect6(speedPage, nullptr, nullptr) != 0) {
        ReportError("Set speed failed.");
        return 1;
    }
    return CheckBlankDisc();
}

int32_t CSonyDriver::CheckBlankDisc() {
    std::array<uint8_t, kDiscPageBuffer> page{};
    if (ModeSense6(vendorcmd::kSonyDiscPage, page, nullptr, nullptr) != 0) {
        ReportError("Get disc info failed");
        return 1;
    }
    leadInStart = CTimePosition::FromMsf(page[25], page[26], page[27]);
    leadInLength = leadInStart.address == 0 ? 0 : kLeadInEnd - leadInStart.address;
    return 0;
}

int32_t CSonyDriver::SetWriteParameters() {
    const uint8_t modePage[8] = {vendorcmd::kSonyWriteModePage,
                                 0x06,
                                 0x00,
                                 static_cast<uint8_t>(test.load() != 0 ? 2 : 0),
                                 0x00,
                                 0x00,
                                 0x00,
                                 0x00};
    if (ModeSelect6(modePage, nullptr, nullptr) != 0) {
        ReportError("Init failed.");
        return 1;
    }
    std::array<uint8_t, kDiscPageBuffer> page{};
    if (ModeSense6(vendorcmd::kSonyDiscPage, page, nullptr, nullptr) != 0) {
        ReportError("Read disc failed.");
        return 1;
    }
    page[0] &= 0x7F;
    page[2] = 0;
    page[3] = 0;
    page[19] = 0;
    if (ModeSelect6(page, nullptr, nullptr) != 0) {
        ReportError("Init failed.");
        return 1;
    }
    return 0;
}

int32_t CSonyDriver::StartWrite() {
    if (SetWriteParameters() != 0)
        return 1;
    int32_t length = 0;
    const uint8_t* sheet = discImage.BuildSonyCueSheet(length);
    if (length > kMaxCueSheet) {
        ReportError("Too many tracks, please reduce some.");
        return 1;
    }
    const auto cdb = vendorcmd::SonyCueSheet(static_cast<uint32_t>(length));
    if (Command(cdb, sheet, length, nullptr, 0) != 0) {
        ReportError("Send sony cue sheet failed.");
        return 1;
    }
    nextAddress = -kPregapBlocks;
    return WriteSilence(nextAddress, kPregapBlocks) != 0 ? 1 : 0;
}

int32_t CSonyDriver::WriteBlocks(int32_t& address, const uint8_t* data, int32_t count) {
    const size_t blockBytes = static_cast<size_t>(blockLength);
    return WriteInChunks(
        address, count, CommandBlocks(blockLength), [&](int32_t, int32_t n, int32_t done) {
            const int32_t bytes = n * blockLength;
            const auto cdb = vendorcmd::SonyWrite(static_cast<uint32_t>(bytes));
            if (StopRequested())
                return 1;  // no message: the user asked for it
            // Sent again while the drive is not ready for it yet (long write in progress).
            const int32_t result = CommandWhileBecomingReady(
                cdb, data + static_cast<size_t>(done) * blockBytes, bytes, nullptr, 0);
            if (result != 0 && StopRequested())
                return 1;
            if (result == 2) {
                int32_t senseLength = 0;
                if (!TakenButBusy(transport.SenseData(senseLength))) {
                    ReportError(WriteFailureText(kWriteFailed));
                    return 1;
                }
                // The drive took the blocks and asks for a pause; a stop or a drive that is
                // gone ends it.
                if (!Pause(kBusyPauseMs, false))
                    return 1;
            } else if (result != 0) {
                ReportError(kWriteFailed);
                return 1;
            }
            return 0;
        });
}

int32_t CSonyDriver::FinishDisc() {
    return FinishWithoutFlush();
}

int32_t CSonyDriver::SetSpeed(int32_t /*ignored*/, int32_t factor) {
    speed = factor;
    return 0;
}

int32_t CSonyDriver::LoadUnload(int32_t load) {
    // The caddy goes in with START UNIT.
    const auto cdb = spc::StartStopUnit(load == 0 ? spc::kLoadEject : spc::kStart);
    return LoadCommand(cdb, load);
}
