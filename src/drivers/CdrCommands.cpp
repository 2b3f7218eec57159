// The operations that are one command each.
#include <climits>

#include "base/BigEndian.h"
#include "drivers/CdrDriver.h"
#include "scsi/MmcCommands.h"
#include "scsi/ScsiStatus.h"
#include "scsi/ScsiTransport.h"
#include "scsi/SpcCommands.h"
#include "scsi/VendorCommands.h"

namespace {
using scsistatus::kSenseNotReady;
using scsistatus::kSenseUnitAttention;

int32_t ClampToInt32(uint32_t v) {
    return v > static_cast<uint32_t>(INT32_MAX) ? INT32_MAX : static_cast<int32_t>(v);
}
}  // namespace

int32_t CCdrDriver::FlushCache() {
    const auto cdb = spc::SynchronizeCache();
    uint8_t none = 0;
    CommandWhileBecomingReady(cdb, nullptr, 0, &none, 0);
    return 0;
}

int32_t CCdrDriver::NextWritableAddress() {
    std::array<uint8_t, 28> reply{};
    // The invisible track's number: the one the next write goes to.
    const auto cdb = mmc::ReadTrackInformation(mmc::kTrackNumber, 0xFF, reply.size());
    if (Command(cdb, nullptr, 0, reply.data(), static_cast<int32_t>(reply.size())) != 0) {
        ReportError("Cannot get Track Information Block.");
        return kNoWritableAddress;
    }
    // A finished disc answers with the "next writable address valid" bit clear and any
    // number in the field; it has no writable address, blank or otherwise.
    if ((reply[7] & 0x01) == 0) {
        Trace("Next writable address not valid.");
        return kNoWritableAddress;
    }
    return static_cast<int32_t>(bigendian::Get32(&reply[12]));
}

int32_t CCdrDriver::CheckBlankDisc() {
    std::array<uint8_t, 42> reply{};
    const auto cdb = mmc::ReadDiscInformation(reply.size());
    blankCheck_ = BlankCheck::kUnreadable;
    lastLeadOutStart_ = -1;
    for (int32_t attempt = 0;; ++attempt) {
        reply.fill(0);
        int32_t result = Command(cdb, nullptr, 0, reply.data(), static_cast<int32_t>(reply.size()));
        if (result == 0)
            break;
        int32_t key = result == 2 ? SenseKey() : -1;
        if (attempt == 0 && (key == kSenseNotReady || key == kSenseUnitAttention)) {
            if (Pause(500, false))
                continue;
        }
        int32_t senseLength = 0;
        if (key == kSenseNotReady && transport.SenseData(senseLength)[12] == 0x3A)
            blankCheck_ = BlankCheck::kNoDisc;  // medium not present
        return 1;
    }
    if ((reply[2] & 0x03) != 0) {
        blankCheck_ = BlankCheck::kNotBlank;
        return 1;
    }
    blankCheck_ = BlankCheck::kBlank;
    leadInStart = CTimePosition::FromMsf(reply[17], reply[18], reply[19]);
    leadInLength = kLeadInEnd - leadInStart.address;
    leadOutLength = kLeadOutLength;
    // Bytes 21 to 23: the last possible lead-out start; FF FF FF or zero when unknown.
    if (reply[21] < 100 && reply[22] < 60 && reply[23] < 75 &&
        (reply[21] | reply[22] | reply[23]) != 0)
        lastLeadOutStart_ = CTimePosition::FromMsf(reply[21], reply[22], reply[23]).address;
    return 0;
}

int32_t CCdrDriver::ReadCapacity(int32_t& blocks) {
    const auto cdb = spc::ReadCapacity();
    std::array<uint8_t, 8> reply{};
    if (Command(cdb, nullptr, 0, reply.data(), static_cast<int32_t>(reply.size())) != 0) {
        ReportError("Cannot read capacity.\n");
        return 1;
    }
    // Unsigned: a last block of 0xFFFFFFFF (nothing recorded) gives 0 blocks, not an overflow.
    blocks = static_cast<int32_t>(bigendian::Get32(&reply[0]) + 1u);
    return 0;
}

int32_t CCdrDriver::Rezero() {
    const auto cdb = spc::RezeroUnit();
    return Command(cdb, nullptr, 0, nullptr, 0) == 0 ? 0 : 1;
}

int32_t CCdrDriver::PreventRemoval(int32_t on) {
    const auto cdb = spc::PreventAllowRemoval(on != 0);
    uint8_t none = 0;
    Command(cdb, nullptr, 0, &none, 0);
    return 0;
}

int32_t CCdrDriver::TestUnitReady() {
    const auto cdb = spc::TestUnitReady();
    int32_t result = Command(cdb, nullptr, 0, nullptr, 0);
    if (result == 1)
        return 1;
    if (result == 2 && SenseKey() == kSenseNotReady)
        return 2;
    return 0;
}

int32_t CCdrDriver::SetSpeed(int32_t /*ignored*/, int32_t factor) {
    // 0 (or anything the 16-bit field cannot hold) asks for the drive's fastest.
    uint32_t kilobytes = 0xFFFF;
    if (factor > 0 && factor <= 0xFFFF / kKilobytesPerSpeed)
        kilobytes = static_cast<uint32_t>(factor * kKilobytesPerSpeed);
    const auto cdb = mmc::SetCdSpeed(0xFFFF, kilobytes);
    if (Command(cdb, nullptr, 0, nullptr, 0) != 0) {
        ReportError("Cannot set cd speed.");
        return 1;
    }
    return 0;
}

int32_t CCdrDriver::LoadUnload(int32_t load) {
    const auto cdb =
        spc::StartStopUnit(load == 1 ? spc::kLoadEject | spc::kStart : spc::kLoadEject);
    Command(cdb, nullptr, 0, nullptr, 0);
    return 0;
}

int32_t CCdrDriver::StartStopUnit(int32_t start) {
    const auto cdb = spc::StartStopUnit(start ? spc::kStart : 0x00);
    if (Command(cdb, nullptr, 0, nullptr, 0) != 0) {
        ReportError("Cannot start/stop unit.");
        return 1;
    }
    return 0;
}

int32_t CCdrDriver::PerformOpc() {
    const auto cdb = mmc::SendOpcInformation(true);
    return Command(cdb, nullptr, 0, nullptr, 0) == 0 ? 0 : 1;
}

int32_t CCdrDriver::ReadBufferCapacity(int32_t& length, int32_t& free) {
    std::array<uint8_t, 12> reply{};
    const auto cdb = mmc::ReadBufferCapacity(reply.size());
    int32_t result = Command(cdb, nullptr, 0, reply.data(), static_cast<int32_t>(reply.size()));
    if (result != 0) {
        length = kUnknownBufferLength;
        free = 0;
        return result;
    }
    length = ClampToInt32(bigendian::Get32(&reply[4]));
    free = ClampToInt32(bigendian::Get32(&reply[8]));
    return 0;
}

int32_t CCdrDriver::ReadLeadLengths() {
    std::array<uint8_t, 4> reply{};
    const auto cdb = vendorcmd::ReadLeadLengths(reply.size());
    if (Command(cdb, nullptr, 0, reply.data(), static_cast<int32_t>(reply.size())) != 0)
        return 1;
    leadInLength = static_cast<int32_t>(bigendian::Get16(&reply[0]));
    leadOutLength = static_cast<int32_t>(bigendian::Get16(&reply[2]));
    return 0;
}

int32_t CCdrDriver::LoadCommand(std::span<const uint8_t> cdb, int32_t load) {
    if (Command(cdb, nullptr, 0, nullptr, 0) == 0)
        return 0;
    if (load != 0)
        ReportError(kCannotLoad);
    return 1;
}
