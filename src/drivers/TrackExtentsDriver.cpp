#include "drivers/TrackExtentsDriver.h"

#include <algorithm>
#include <cstring>

#include "audio/CdSamples.h"
#include "disc/DiscImage.h"
#include "drivers/DriverTexts.h"
#include "scsi/SpcCommands.h"
#include "scsi/VendorCommands.h"

namespace {
using drivertext::kWriteFailed;
}  // namespace

CTrackExtentsDriver::CTrackExtentsDriver(CScsiTransport& transport, CDiscImage& discImage,
                                         IDriverUi& ui)
    : CCdrDriver(transport, discImage, ui) {}

CTrackExtentsDriver::~CTrackExtentsDriver() = default;

void CTrackExtentsDriver::BeginRun() {
    writeFailureShown_ = false;
    flushSucceeded_ = 0;
}

int32_t CTrackExtentsDriver::AskLeadLengths() {
    if (ReadLeadLengths() == 0)
        return 0;
    // Without the lengths nothing can be written; the user must learn why the run ended.
    ReportError("Cannot read the lead-in and lead-out lengths.");
    return 1;
}

int32_t CTrackExtentsDriver::SendTrackExtents() {
    int32_t length = 0;
    const uint8_t* extents = discImage.BuildTrackExtents(length);
    const auto cdb = vendorcmd::SendTrackExtents(static_cast<uint32_t>(length));
    if (Command(cdb, extents, length, nullptr, 0) != 0) {
        ReportError("Cannot write CUE SHEET.");
        return 1;
    }
    return 0;
}

int32_t CTrackExtentsDriver::StartWrite() {
    if (SendTrackExtents() != 0)
        return 1;
    // The lead-in and the pregap: the drive's first block is the lead-in's.
    nextAddress = -kPregapBlocks - leadInLength;
    if (WriteSilence(nextAddress, leadInLength + kPregapBlocks) != 0) {
        FlushCache();
        return 1;
    }
    return 0;
}

int32_t CTrackExtentsDriver::WriteWithoutAddress(int32_t& address, const uint8_t* data,
                                                 int32_t count, bool swapBytes) {
    const size_t blockBytes = static_cast<size_t>(blockLength);
    return WriteInChunks(
        address, count, CommandBlocks(blockLength), [&](int32_t, int32_t n, int32_t done) {
            if (StopRequested())
                return 1;  // no message: the user asked for it
            const size_t bytes = static_cast<size_t>(n) * blockBytes;
            const uint8_t* out = data + static_cast<size_t>(done) * blockBytes;
            if (swapBytes) {
                if (swapped_.size() < bytes)
                    swapped_.resize(bytes);
                cdsamples::SwapPairs(out, swapped_.data(), bytes);
                out = swapped_.data();
            }
            // No address: the drive counts the blocks itself.
            const auto cdb = spc::Write10(0, static_cast<uint32_t>(n));
            // Sent again while the drive is still busy: without an address, a WRITE it
            // refused is one it did not take.
            if (CommandWhileBecomingReady(cdb, out, static_cast<int32_t>(bytes), nullptr, 0) != 0) {
                if (StopRequested())
                    return 1;
                if (!writeFailureShown_) {
                    writeFailureShown_ = true;
                    ReportError(WriteFailureText(kWriteFailed));
                }
                return 1;
            }
            return 0;
        });
}

int32_t CTrackExtentsDriver::FinishDisc() {
    flushSucceeded_ = 0;
    int32_t address = nextAddress;
    int32_t result = 0;
    if (WriteSilence(address, leadOutLength) != 0) {
        FlushCache();
        result = 1;
    } else {
        flushSucceeded_ = FlushAndCheck();
        WaitForClosing();
    }
    // Released in every case: a failed lead-out ends the run all the same.
    ReleaseBuffers();
    std::vector<uint8_t>().swap(swapped_);
    nextAddress = 0;
    return result;
}
