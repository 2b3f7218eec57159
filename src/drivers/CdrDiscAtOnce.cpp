// The disc-at-once write: the drive prepared, the ring drained into WRITE commands, the
// disc finished and its closing waited for, and the run's verdict.
#include <algorithm>
#include <cstdio>
#include <string>
#include <thread>

#include "base/ProcessFlags.h"
#include "disc/DiscImage.h"
#include "drivers/CdrDriver.h"
#include "drivers/DriverTexts.h"
#include "scsi/MmcCommands.h"
#include "scsi/SpcCommands.h"

namespace {
using drivertext::kClosingUnconfirmed;
using drivertext::kUnderrun;
using drivertext::kUnderrunAdvice;
using drivertext::kWriteFailed;

constexpr char kFlushFailed[] = "Flushing the drive's cache failed: the disc is not complete.";
}  // namespace

void CCdrDriver::WriteDisc(void* /*context*/, std::atomic<int32_t>& permille,
                           std::atomic<int32_t>& phase, const std::atomic<int32_t>& stop,
                           std::atomic<int32_t>& track) {
    BeginRun(stop);
    phase = 1;
    if (InitWrite() != 0) {
        stop_ = nullptr;
        return;
    }
    for (;;) {
        int32_t filled = FillRingSlot();
        if (filled == kRingFull || filled == kEndOfImage)
            break;
    }
    phase = 4;
    if (StartWrite() != 0) {
        stop_ = nullptr;
        return;
    }

    phase = 2;
    // Both flags are set here, before the thread exists: a stop that comes at once must
    // find the thread already told to end, and the wait below must not miss it.
    endOfData = 0;
    fillerRunning = 1;
    filler_ = std::thread([this] { FillerThread(); });

    const int32_t totalBlocks = discImage.TotalBlocks();
    bool normalEnd = false;
    while (stop.load() == 0 && !driveGone_) {
        if (RingEmpty()) {
            if (endOfData.load() == 0) {
                if (WaitForFiller([this] { return endOfData.load() != 0; }))
                    continue;
                ReportError(kUnderrunAdvice);
                break;
            }
            if (!RingEmpty())
                continue;  // the last slot arrived between the two looks
            if (lastWriteSucceeded_ == 1) {
                fillerRunning = 0;
                normalEnd = true;
            } else {
                ReportError(kUnderrun);
            }
            break;
        }
        const int32_t slot = ringReadIndex.load(std::memory_order_relaxed);
        int32_t byteCount = 0;
        uint8_t* data = TakeRingSlot(byteCount);
        if (data == nullptr) {
            ReportError(kUnderrunAdvice);
            break;
        }
        // A failed WRITE ends the write: going on at the failed command's address would
        // put the following audio in the wrong place.  WriteBlocks has told the user.
        int32_t written = WriteBlocks(nextAddress, data, byteCount / blockLength);
        lastWriteSucceeded_ = written == 0 ? LastCommandSucceeded() : 0;
        if (written != 0)
            break;
        // Where the drive has got to, not what was sent: a drive's buffer may hold many
        // seconds of audio.
        const int32_t position = DrivePosition(nextAddress);
        permille = PermilleAt(position);
        track = bufferAnswered_ ? TrackAt(position) : slotTracks_[static_cast<size_t>(slot)];
        AdvanceRing();
    }

    // A stop that came after the last block went out finds the disc whole, and so does
    // a drive that missed a poll of its buffer after taking every block: the flush and
    // the closing that follow tell whether it is still there.
    if (!normalEnd && lastWriteSucceeded_ == 1 && nextAddress >= totalBlocks)
        normalEnd = true;
    endOfData = 1;
    while (fillerRunning.load() != 0) std::this_thread::yield();
    if (filler_.joinable())
        filler_.join();
    // The tracks are still being written while the drive empties its buffer.
    if (normalEnd)
        WaitForDriveToEmpty([&](int32_t position) {
            permille = PermilleAt(position);
            track = TrackAt(position);
        });
    phase = 3;
    const int32_t finished = FinishDisc();
    SettleVerdict(normalEnd, finished == 0);
    if (discCompleted_.load() == 1)
        permille = 1000;
    if (underrunProtections_.load() > 0)
        Trace("Buffer underrun protection was used " + std::to_string(underrunProtections_.load()) +
              " times.");
    stop_ = nullptr;
}

void CCdrDriver::BeginRun(const std::atomic<int32_t>& stop) {
    discCompleted_ = 0;
    closingUnconfirmed_ = 0;
    closingConfirmed_ = false;
    graceLeftMs_ = kGraceAfterStopMs;
    bufferAnswered_ = false;
    drivePosition_ = -1;
    stop_ = &stop;
    flowControl_ = true;
    lastWriteSucceeded_ = 0;
    readyWaitsCut_ = false;
    reportedInRun_ = false;
    underrunProtection_ = false;
    underrunProtections_ = 0;
}

int32_t CCdrDriver::StartWrite() {
    const int32_t writable = NextWritableAddress();
    if (writable != 0) {
        if (writable != kNoWritableAddress) {
            ReportError("The disc claims to be blank, but writing would have to start at block " +
                        std::to_string(writable) + ", not at 0.");
        } else if (LastCommandSucceeded() == 1) {
            ReportError(BlankCheckMessage(BlankCheck::kNotBlank));  // a finished disc
        }
        return 1;
    }
    // Both refusals come before the drive is told anything about the disc.
    if (!DiscHolds(kPregapBlocks + discImage.TotalBlocks()))
        return 1;
    const Capabilities capabilities = ReadDriveCapabilities();
    if (!CdTextWritable(capabilities))
        return 1;
    // The drive is asked for underrun-free writing either way; only one that says it
    // can is trusted to pause with an empty buffer.
    SetUnderrunProtection(capabilities.underrunProtection);
    if (SetWriteParameters() != 0)
        return 1;
    if (SendCueSheet() != 0)
        return 1;
    nextAddress = -kPregapBlocks;
    PerformOpc();
    if (ProcessFlags().cdTextInUse.load() != 0 && WriteCdTextLeadIn() != 0)
        return 1;
    return WriteSilence(nextAddress, kPregapBlocks) != 0 ? 1 : 0;
}

bool CCdrDriver::DiscHolds(int32_t leadOutStart) {
    if (lastLeadOutStart_ < 0 || leadOutStart <= lastLeadOutStart_)
        return true;
    char text[96];
    std::snprintf(text, sizeof text, "The songs need %02d:%02d but the disc holds %02d:%02d.",
                  leadOutStart / 4500, leadOutStart % 4500 / 75, lastLeadOutStart_ / 4500,
                  lastLeadOutStart_ % 4500 / 75);
    ReportError(text);
    return false;
}

bool CCdrDriver::CdTextWritable(const Capabilities& capabilities) {
    if (ProcessFlags().cdTextInUse.load() == 0 || !capabilities.known || capabilities.writesCdText)
        return true;
    ReportError("This drive cannot write CD-TEXT: write the disc without it.");
    return false;
}

int32_t CCdrDriver::SendCueSheet() {
    int32_t length = 0;
    const uint8_t* sheet = discImage.BuildMmcCueSheet(length);
    const auto cdb = mmc::SendCueSheet(static_cast<uint32_t>(length));
    int32_t result = Command(cdb, sheet, length, nullptr, 0);
    if (result != 0) {
        ReportError("Cannot send cue sheet.");
        return result;
    }
    return 0;
}

int32_t CCdrDriver::WriteSilence(int32_t& address, int32_t count) {
    while (count > 0) {
        // The lead-in and lead-out take minutes at 1x: a stop ends them at the next
        // command, without a message.
        if (StopRequested())
            return 1;
        int32_t n = std::min(count, blocksPerCommand);
        // Without a silence buffer of at least n blocks there is nothing to send from.
        if (n <= 0 ||
            silenceBuffer.size() < static_cast<size_t>(n) * static_cast<size_t>(blockLength))
            return 1;
        if (WriteBlocks(address, silenceBuffer.data(), n) != 0)
            return 1;
        count -= n;
    }
    return 0;
}

int32_t CCdrDriver::WriteInChunks(int32_t& address, int32_t count, int32_t most,
                                  const ChunkSender& send) {
    for (int32_t done = 0; count > 0;) {
        const int32_t n = std::min(count, most);
        if (n <= 0 || send(address, n, done) != 0)
            return 1;
        address += n;
        count -= n;
        done += n;
    }
    return 0;
}

int32_t CCdrDriver::WriteBlocks(int32_t& address, const uint8_t* data, int32_t count) {
    const size_t bytes = static_cast<size_t>(blockLength);
    return WriteInChunks(
        address, count, CommandBlocks(blockLength), [&](int32_t at, int32_t n, int32_t done) {
            if (WaitForDriveRoom(at, n) != 0)
                return 1;  // stopped: no message
            const auto cdb = spc::Write10(static_cast<uint32_t>(at), static_cast<uint32_t>(n));
            const bool stoppedBefore = StopRequested();
            // The drive still busy with what it has gets the same command again.
            const int32_t result = CommandWhileBecomingReady(
                cdb, data + static_cast<size_t>(done) * bytes, n * blockLength, nullptr, 0);
            if (result != 0 && !stoppedBefore && StopRequested())
                return 1;  // the user stopped while the drive was busy: no message
            if (result == 2) {
                ReportError(WriteFailureText(kWriteFailed));
                return 1;
            }
            if (result != 0) {
                ReportError("Write data failed !!!.");
                return 1;
            }
            return 0;
        });
}

int32_t CCdrDriver::FinishDisc() {
    flushSucceeded_ = FlushAndCheck();
    WaitForClosing();
    ReleaseBuffers();
    nextAddress = 0;
    return 0;
}

int32_t CCdrDriver::FinishWithoutFlush() {
    WaitForClosing();
    flushSucceeded_ = 1;
    ReleaseBuffers();
    nextAddress = 0;
    return 0;
}

int32_t CCdrDriver::FlushAndCheck() {
    if (FlushCache() != 0 || LastCommandSucceeded() != 1) {
        // Said when it is the news: not after a stop, nor after the fault that already
        // lost the disc.
        if (!StopRequested() && !reportedInRun_)
            ReportError(kFlushFailed);
        return 0;
    }
    return 1;
}

void CCdrDriver::WaitForClosing() {
    closingConfirmed_ = WaitUntilReady(kClosingSeconds);
}

void CCdrDriver::SettleVerdict(bool wholeDisc, bool finished) {
    const bool closed = wholeDisc && finished && flushSucceeded_ == 1;
    discCompleted_ = closed && closingConfirmed_ ? 1 : 0;
    if (!closed || closingConfirmed_)
        return;
    closingUnconfirmed_ = 1;
    if (StopRequested())
        return;  // the user ended the wait and is told by the front end
    // Said even when the drive is gone: it is the news about the disc.
    reportedInRun_ = true;
    ui_.ReportError(kClosingUnconfirmed);
}
