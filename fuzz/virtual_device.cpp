// The virtual recorder's command handling: a device configured by the fuzzer gets a
// sequence of commands with their data, as a host (or a hostile program) could send
// them, including the cue sheet, the CD-TEXT lead-in and the audio of a disc.
//
// Input: a configuration (disc, abilities, lead-in, speed, buffer, path limit, injected
// faults, canned replies), then commands until the input ends, each: a length byte
// (6, 10, 12 or 16 bytes; with 0x80 set any length from 0 to 19), the command bytes, a
// direction byte (0x80: no buffer at all), a 32-bit transfer length, and a 16-bit count
// of data bytes given; the rest of the data is zeros.
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "scsi/ScsiStatus.h"
#include "support/FuzzInput.h"
#include "support/Require.h"
#include "virtualdrive/VirtualDevice.h"

namespace {
constexpr uint32_t kMostPerCommand = 2 << 20;
constexpr uint64_t kMostPerInput = 16 << 20;
constexpr size_t kMostCommands = 8192;

CVirtualDevice::Config ConfigFrom(CFuzzInput& in) {
    CVirtualDevice::Config config;
    const uint8_t flags = in.Byte();
    config.disc = static_cast<CVirtualDevice::Disc>(flags % 3);
    config.cdText = (flags & 0x04) == 0;
    config.writesCdr = (flags & 0x08) == 0;
    config.cdDevice = (flags & 0x10) == 0;
    static constexpr uint32_t kTransfers[] = {65536, 2048, 16384, 1 << 20};
    config.maximumTransfer = kTransfers[(flags >> 5) & 3];
    if ((flags & 0x80) != 0) {
        config.leadInMinute = in.Byte() % 100;
        config.leadInSecond = in.Byte() % 60;
        config.leadInFrame = in.Byte() % 75;
    }
    config.maxSpeed = in.Byte() % 64 + 1;
    config.bufferBytes = std::max<uint32_t>(in.Be16() * 2352u, 2352);
    config.recordedBlocks = static_cast<int32_t>(in.Be32() % 450000) + 1;
    for (int32_t n = in.Byte() % 4; n > 0; --n) {
        CVirtualDevice::Fault fault;
        fault.operationCode = in.Byte();
        fault.first = in.Byte() % 8 + 1;
        const uint8_t times = in.Byte();
        fault.times = times == 0xFF ? -1 : times % 4 + 1;
        fault.kind = static_cast<CVirtualDevice::Fault::Kind>(in.Byte() % 5);
        fault.senseKey = in.Byte() & 0x0F;
        fault.asc = in.Byte();
        fault.ascq = in.Byte();
        config.faults.push_back(fault);
    }
    for (int32_t n = in.Byte() % 3; n > 0; --n) {
        CVirtualDevice::Reply reply;
        auto prefix = in.Bytes(in.Byte() % 4 + 1);
        reply.cdbPrefix.assign(prefix.begin(), prefix.end());
        auto bytes = in.Bytes(in.Byte());
        reply.data.assign(bytes.begin(), bytes.end());
        config.replies.push_back(std::move(reply));
    }
    // Nothing waits on a clock, and nothing is written to a folder.
    config.realTime = false;
    config.outputFolder.clear();
    return config;
}

void CheckOutcome(const IScsiBackend::Outcome& outcome, uint32_t length) {
    REQUIRE(outcome.senseLength <= IScsiBackend::kMaxSense);
    REQUIRE(outcome.residual >= 0 && static_cast<uint32_t>(outcome.residual) <= length);
    if (outcome.systemError != 0)
        REQUIRE(outcome.status == 0 && outcome.senseLength == 0);
    if (outcome.senseLength > 0)
        REQUIRE(outcome.status == scsistatus::kCheckCondition && outcome.sense[0] == 0x70 &&
                outcome.sense[7] == 10);
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CFuzzInput in(data, size);
    CVirtualDevice device(ConfigFrom(in));

    // Kept from one input to the next: a fresh megabyte buffer per command would cost
    // more in page faults than the device costs in work.
    static std::vector<uint8_t> buffer;
    uint64_t moved = 0;
    size_t commands = 0;
    while (!in.Empty() && commands < kMostCommands) {
        const uint8_t lengthByte = in.Byte();
        static constexpr int32_t kLengths[] = {6, 10, 12, 16};
        const int32_t cdbLength =
            (lengthByte & 0x80) != 0 ? lengthByte % 20 : kLengths[lengthByte & 3];
        std::array<uint8_t, 20> cdb{};
        auto cdbBytes = in.Bytes(static_cast<size_t>(cdbLength));
        std::copy(cdbBytes.begin(), cdbBytes.end(), cdb.begin());
        const uint8_t directionByte = in.Byte();
        const uint32_t length = in.Be32() % kMostPerCommand;
        auto given = in.Bytes(std::min<uint32_t>(in.Be16(), length));
        if (moved + length > kMostPerInput)
            break;
        moved += length;

        buffer.assign(length, 0);
        std::copy(given.begin(), given.end(), buffer.begin());
        IScsiBackend::Request request;
        request.cdb = cdbLength > 0 ? cdb.data() : nullptr;
        request.cdbLength = cdbLength;
        request.direction = static_cast<IScsiBackend::Direction>((directionByte & 0x7F) % 3);
        request.length = length;
        const bool noBuffer = (directionByte & 0x80) != 0;
        if (request.direction == IScsiBackend::Direction::kIn && !noBuffer)
            request.dataIn = buffer.data();
        if (request.direction == IScsiBackend::Direction::kOut && !noBuffer)
            request.dataOut = buffer.data();

        CheckOutcome(device.Execute(request), length);
        ++commands;
        REQUIRE(!device.Log().back().Text().empty());
    }
    REQUIRE(device.Log().size() == commands);

    // A disc finishes only on a command, and a fresh device writes at most one per
    // SYNCHRONIZE CACHE or CLOSE TRACK/SESSION it was sent.
    REQUIRE(device.FinishedDiscs() >= 0 && static_cast<size_t>(device.FinishedDiscs()) <= commands);
    return 0;
}
