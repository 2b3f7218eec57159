#include "drivers/MmcTrackDriver.h"

#include <chrono>

#include "disc/DiscImage.h"

namespace {
constexpr char kUnderrunAdvice[] = "Buffer underrun! You should reduce burning speed.";
}  // namespace

CMmcTrackDriver::CMmcTrackDriver(CScsiTransport& transport, CDiscImage& discImage, IDriverUi& ui)
    : CCdrDriver(transport, discImage, ui) {}

CMmcTrackDriver::~CMmcTrackDriver() {
    StopFiller();
}

void CMmcTrackDriver::SetTrackAtOnceParameters() {
    std::array<uint8_t, 56> page{};
    if (ModeSense10(0x05, page) != 0) {
        ReportError("Cannot retrieve write parameters mode page.");
        return;
    }
    page[0] &= 0x7F;
    // Track-at-once, the test bit for a simulation; an audio track without
    // multi-session, raw 2352-byte blocks.
    page[2] = static_cast<uint8_t>((page[2] & 0xE0) | 0x01 | (test.load() != 0 ? 0x10 : 0x00));
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

    bool allWritten = true;
    for (int32_t t = 0; t < trackCount && !DriveGone(); ++t) {
        // A stopped or failed track leaves the disc unfinished: the tracks after it are
        // not even read, and the session is closed at once.
        if (!WriteTrack(t, written, permille, phase, stop, track)) {
            allWritten = false;
            break;
        }
    }
    // Reading stopped at the last track handled; the disc keeps its tracks for the
    // next run.
    discImage.trackCount = trackCount;

    StopFiller();
    const uint8_t closeSession[10] = {0x5B, 0x00, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};
    const bool closed = Command(closeSession, nullptr, 0, nullptr, 0) == 0;
    if (!closed && allWritten && stop.load() == 0)
        ReportError("Closing the session failed: the disc is not complete.");
    // Closing writes the lead-in and the lead-out: up to three minutes, often less.  A
    // stop or a drive that is gone ends the wait.
    WaitUntilReady(kCloseSessionSeconds);
    WaitReady(300);
    ReleaseBuffers();
    nextAddress = 0;
    // A stop that came after the last track found the disc finished all the same.
    SetDiscCompleted(allWritten && closed ? 1 : 0);
    SetStopFlag(nullptr);
}

bool CMmcTrackDriver::WriteTrack(int32_t t, int32_t& written, std::atomic<int32_t>& permille,
                                 std::atomic<int32_t>& phase, const std::atomic<int32_t>& stop,
                                 std::atomic<int32_t>& track) {
    ringReadIndex = 0;
    ringWriteIndex = 0;
    for (auto& count : slotByteCounts) count = 0;
    // Reading ends with this track.
    discImage.currentTrack = t;
    discImage.trackCount = t + 1;
    discImage.OpenTrack(t);
    SetTrackAtOnceParameters();
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

    const int32_t totalSeconds = discImage.totalSeconds;
    const int32_t trackBlocks = discImage.trackSeconds[static_cast<size_t>(t)] * 75;
    int32_t trackWritten = 0;
    bool complete = false;
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
            complete = LastCommandSucceeded() == 1;
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
        written += blocks;
        trackWritten += blocks;
        if (totalSeconds > 0)
            permille = ((written * 1000) / 75) / totalSeconds;
        AdvanceRing();
    }
    // A stop that came after the track's last block finds the track whole.
    if (!complete && !DriveGone() && trackWritten >= trackBlocks && LastCommandSucceeded() == 1)
        complete = true;
    StopFiller();
    return FlushAndCheck() == 1 && complete;
}
