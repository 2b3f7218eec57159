#include "drivers/MmcTrackDriver.h"

#include <chrono>

#include "disc/DiscImage.h"
#include "drivers/DriverTexts.h"
#include "scsi/MmcCommands.h"

namespace {
using drivertext::kUnderrunAdvice;
}  // namespace

CMmcTrackDriver::CMmcTrackDriver(CScsiTransport& transport, CDiscImage& discImage, IDriverUi& ui)
    : CCdrDriver(transport, discImage, ui) {}

CMmcTrackDriver::~CMmcTrackDriver() {
    StopFiller();
}

void CMmcTrackDriver::SetTrackAtOnceParameters(bool underrunFree) {
    std::array<uint8_t, 56> page{};
    if (ModeSense10(mmc::kWriteParametersPage, page) != 0) {
        ReportError("Cannot retrieve write parameters mode page.");
        return;
    }
    page[0] &= 0x7F;
    // Track-at-once, the test bit for a simulation, buffer underrun free recording as
    // asked; an audio track without multi-session, raw 2352-byte blocks.
    page[2] = static_cast<uint8_t>((page[2] & 0xA0) | 0x01 | (underrunFree ? 0x40 : 0x00) |
                                   (test.load() != 0 ? 0x10 : 0x00));
    page[3] = 0;
    page[4] = 0;
    page[8] = 0;
    if (ModeSelect10(page) != 0)
        ReportError("Cannot set write parameters mode page.");
}

void CMmcTrackDriver::TrackFiller() {
    while (stopFilling.load() == 0) {
        const int32_t filled = FillRingSlot();
        if (filled == kEndOfImage)
            break;  // the track is read whole
        if (filled == kRingFull)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        else
            AfterSlotFilled();
    }
    trackFillerRunning = 0;
}

void CMmcTrackDriver::StopFiller() {
    stopFilling = 1;
    while (trackFillerRunning.load() != 0) std::this_thread::yield();
    if (filler_.joinable())
        filler_.join();
}

void CMmcTrackDriver::WriteDisc(void* /*context*/, std::atomic<int32_t>& permille,
                                std::atomic<int32_t>& phase, const std::atomic<int32_t>& stop,
                                std::atomic<int32_t>& track) {
    BeginRun(stop);
    phase = 1;
    int32_t written = 0;
    // The ring, the staging and silence buffers.
    if (InitWrite() != 0) {
        SetStopFlag(nullptr);
        return;
    }
    trackCount = discImage.trackCount;
    // Each track is preceded by its 2-second gap.
    if (!DiscHolds(kPregapBlocks * trackCount + discImage.totalSeconds * 75)) {
        ReleaseBuffers();
        SetStopFlag(nullptr);
        return;
    }

    // Only a drive that says it can pause with an empty buffer is asked to.
    const bool underrunFree = ReadDriveCapabilities().underrunProtection;
    SetUnderrunProtection(underrunFree);
    bool allWritten = true;
    for (int32_t t = 0; t < trackCount; ++t) {
        // A stopped or failed track leaves the disc unfinished: the tracks after it are
        // not even read.
        if (DriveGone() || !WriteTrack(t, underrunFree, written, permille, phase, stop, track)) {
            allWritten = false;
            break;
        }
    }
    // Reading stopped at the last track handled; the disc keeps its tracks for the
    // next run.
    discImage.trackCount = trackCount;

    StopFiller();
    // Closing writes the lead-in and the lead-out round the tracks: a session of some
    // of them would be a shorter disc that looks finished, so it stays open then.
    bool closed = false;
    if (allWritten) {
        const auto closeSession = mmc::CloseTrackSession(mmc::kCloseSession);
        // A drive still writing out the last track says so: it is asked again.
        closed = CommandWhileBecomingReady(closeSession, nullptr, 0, nullptr, 0) == 0;
        if (!closed && stop.load() == 0)
            ReportError("Closing the session failed: the disc is not complete.");
        if (closed)
            WaitForClosing();
    }
    ReleaseBuffers();
    nextAddress = 0;
    // A stop that came after the last track found the disc finished all the same.
    flushSucceeded_ = closed ? 1 : 0;
    SettleVerdict(allWritten, closed);
    if (DiscCompleted() == 1)
        permille = 1000;
    SetStopFlag(nullptr);
}

bool CMmcTrackDriver::WriteTrack(int32_t t, bool underrunFree, int32_t& written,
                                 std::atomic<int32_t>& permille, std::atomic<int32_t>& phase,
                                 const std::atomic<int32_t>& stop, std::atomic<int32_t>& track) {
    ringReadIndex = 0;
    ringWriteIndex = 0;
    for (auto& count : slotByteCounts) count = 0;
    // Reading ends with this track.
    discImage.currentTrack = t;
    discImage.trackCount = t + 1;
    discImage.OpenTrack(t);
    SetTrackAtOnceParameters(underrunFree);
    nextAddress = NextWritableAddress();
    if (nextAddress == kNoWritableAddress)
        return false;  // the drive cannot say where: nothing goes anywhere (the query told why)
    for (;;) {
        const int32_t filled = FillRingSlot();
        if (filled == kRingFull || filled == kEndOfImage)
            break;
    }

    phase = 2;
    track = t;
    stopFilling = 0;
    trackFillerRunning = 1;
    filler_ = std::thread([this] { TrackFiller(); });

    const int32_t trackBlocks = discImage.trackSeconds[static_cast<size_t>(t)] * 75;
    int32_t trackWritten = 0;
    bool complete = false;
    // Every WRITE sent so far was taken (a refused one ends the loop).  Not the last
    // command's result: that may be a poll of the drive's buffer.
    bool writesTaken = false;
    while (stop.load() == 0 && !DriveGone()) {
        if (RingEmpty()) {
            if (trackFillerRunning.load() != 0) {
                if (WaitForFiller([this] { return trackFillerRunning.load() == 0; }))
                    continue;
                ReportError(kUnderrunAdvice);  // the drive ran dry: the track is cut
                break;
            }
            if (!RingEmpty())
                continue;  // the last slot arrived between the two looks
            complete = writesTaken;
            break;
        }
        int32_t byteCount = 0;
        const uint8_t* data = TakeRingSlot(byteCount);
        if (data == nullptr) {
            ReportError(kUnderrunAdvice);
            break;
        }
        const int32_t blocks = byteCount / blockLength;
        // WriteBlocks shows why a WRITE failed; the track is lost with it.
        if (WriteBlocks(nextAddress, data, blocks) != 0)
            break;
        writesTaken = true;
        written += blocks;
        trackWritten += blocks;
        // The blocks of the disc the drive has written: what was sent, less what its
        // buffer still holds.
        permille = PermilleAt(written - (nextAddress - DrivePosition(nextAddress)));
        AdvanceRing();
    }
    // A stop that came after the track's last block finds the track whole, and so does a
    // drive that missed a poll after taking it: the flush tells whether it is still there.
    if (!complete && trackWritten >= trackBlocks && writesTaken)
        complete = true;
    StopFiller();
    if (!complete)
        return false;  // no flush: it would close the track as though it were whole
    // A drive that cannot pause would run dry before it knows the track ends: only one
    // that can is left to write out its buffer first.
    if (underrunFree)
        WaitForDriveToEmpty(
            [&](int32_t position) { permille = PermilleAt(written - (nextAddress - position)); });
    return FlushAndCheck() == 1;
}
