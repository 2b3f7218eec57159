#include "drivers/CdrDriver.h"

#include <algorithm>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>
#include <thread>

#include "base/ProcessFlags.h"
#include "disc/CdTextBuilder.h"
#include "disc/DiscImage.h"
#include "scsi/BigEndian.h"
#include "scsi/ScsiStatus.h"
#include "scsi/ScsiTransport.h"

namespace {
using scsistatus::kSenseNotReady;
using scsistatus::kSenseUnitAttention;

int32_t ClampToInt32(uint32_t v) {
    return v > static_cast<uint32_t>(INT32_MAX) ? INT32_MAX : static_cast<int32_t>(v);
}

constexpr char kUnderrunAdvice[] = "Buffer underrun! You should reduce burning speed.";
constexpr char kUnderrun[] = "Buffer underrun!";
constexpr char kNoMemory[] = "No more memory.";
constexpr char kWriteFailed[] = "Write data failed.";

// Flow control: how long READ BUFFER CAPACITY may keep failing before the write goes on
// without it, how long its free count may stay too small without growing, the pause
// after a failed query, and the longest pause while the drive's buffer is full.
constexpr int32_t kBufferQueryGiveUpMs = 2000;
constexpr int32_t kBufferStuckGiveUpMs = 10000;
constexpr int32_t kFailedQueryPauseMs = 20;
constexpr int32_t kLongestRoomPauseMs = 50;
// A drive that says "becoming ready" gets a few immediate retries, then one every 10 ms,
// for about a minute in all.
constexpr int32_t kQuickRetries = 8;
constexpr int32_t kRetryPauseMs = 10;
constexpr int32_t kMostRetries = 6000;
// While the ring is empty the drive's buffer is asked about this often.
constexpr auto kFillerCheckInterval = std::chrono::milliseconds(10);
constexpr auto kBlindFillerWait = std::chrono::milliseconds(500);
// A BUSY drive gets this many more tries, the pause doubling from the first.
constexpr int32_t kBusyRetries = 4;
constexpr int32_t kFirstBusyPauseMs = 20;
// While the drive writes out its buffer at the end, it is asked this often how far it is.
constexpr int32_t kDrainPollMs = 50;
// Real pauses are cut into slices this long, so that a stop ends them promptly.
constexpr int32_t kPauseSliceMs = 20;

constexpr char kDriveGone[] =
    "The recorder no longer answers: it was disconnected or switched off.";
constexpr char kDriveTimedOut[] = "The recorder did not answer in time.";
constexpr char kFlushFailed[] = "Flushing the drive's cache failed: the disc is not complete.";
constexpr char kClosingUnconfirmed[] =
    "The recorder did not confirm that it finished closing the disc: the disc may be "
    "incomplete.";

// Write error: loss of streaming.  The drive ran out of data while the laser was on.
bool LostStreaming(const uint8_t* sense) {
    return sense[12] == 0x0C && sense[13] == 0x09;
}

bool BecomingReady(const uint8_t* sense) {
    return (sense[2] & 0x0F) == kSenseNotReady && sense[12] == 0x04 &&
           (sense[13] == 0x08 || sense[13] == 0x07 || sense[13] == 0x01);
}
}  // namespace

CCdrDriver::CCdrDriver(CScsiTransport& transport, CDiscImage& discImage, IDriverUi& ui)
    : transport(transport), discImage(discImage), ui_(ui) {}

CCdrDriver::~CCdrDriver() {
    // Only a write that never came back could leave the filling thread behind.
    endOfData = 1;
    if (filler_.joinable())
        filler_.join();
}

// ---- helpers ----

int32_t CCdrDriver::Command(std::span<const uint8_t> cdb, const void* dataOut,
                            int32_t dataOutLength, void* dataIn, int32_t dataInLength) {
    const bool stoppedBefore = StopRequested();
    int32_t result = 0;
    int32_t pauseMs = kFirstBusyPauseMs;
    for (int32_t busy = 0;; ++busy) {
        result = transport.Execute(cdb.data(), static_cast<int32_t>(cdb.size()), dataOut,
                                   dataOutLength, dataIn, dataInLength);
        if (result == 0 || transport.LastFailure() != CScsiTransport::Failure::kBusy ||
            busy >= kBusyRetries || !Pause(pauseMs, stoppedBefore))
            break;
        pauseMs *= 2;
    }
    if (!transport.DriveGone()) {
        if (transport.LastFailure() != CScsiTransport::Failure::kRefused)
            driveGone_ = false;  // it answered
    } else if (!driveGone_) {
        reportedInRun_ = true;
        ui_.ReportError(transport.LastFailure() == CScsiTransport::Failure::kTimeOut
                            ? kDriveTimedOut
                            : kDriveGone);
        driveGone_ = true;
    }
    return result;
}

int32_t CCdrDriver::CommandWhileBecomingReady(std::span<const uint8_t> cdb, const void* dataOut,
                                              int32_t dataOutLength, void* dataIn,
                                              int32_t dataInLength) {
    // After a stop the pauses take from the run's grace, which ends the retries soon.
    const bool stoppedBefore = StopRequested();
    int32_t result = 0;
    for (int32_t retries = 0;; ++retries) {
        result = Command(cdb, dataOut, dataOutLength, dataIn, dataInLength);
        int32_t senseLength = 0;
        if (result != 2 || !BecomingReady(transport.SenseData(senseLength)) ||
            retries >= kMostRetries)
            return result;
        if (!stoppedBefore && StopRequested())
            return result;
        if (retries >= kQuickRetries && !Pause(kRetryPauseMs, stoppedBefore))
            return result;
    }
}

bool CCdrDriver::Pause(int32_t milliseconds, bool stoppedBefore) {
    auto interrupted = [&] { return driveGone_ || (!stoppedBefore && StopRequested()); };
    if (interrupted())
        return false;
    if (stoppedBefore) {
        // A wait after the stop: the run's grace pays for it, and once that is spent
        // nothing more is waited for.
        if (graceLeftMs_ <= 0)
            return false;
        milliseconds = std::min(milliseconds, graceLeftMs_);
        graceLeftMs_ -= milliseconds;
    }
    if (sleep_) {
        sleep_(milliseconds);
        return !interrupted();
    }
    for (int32_t left = milliseconds; left > 0; left -= kPauseSliceMs) {
        std::this_thread::sleep_for(std::chrono::milliseconds(std::min(left, kPauseSliceMs)));
        if (interrupted())
            return false;
    }
    return true;
}

int32_t CCdrDriver::SenseKey() const {
    int32_t length = 0;
    return transport.SenseData(length)[2] & 0x0F;
}

bool CCdrDriver::LastCommandRefusedField() const {
    if (transport.LastFailure() != CScsiTransport::Failure::kCheckCondition)
        return false;
    int32_t length = 0;
    const uint8_t* sense = transport.SenseData(length);
    return (sense[2] & 0x0F) == scsistatus::kSenseIllegalRequest &&
           (sense[12] == 0x24 || sense[12] == 0x26);
}

std::string CCdrDriver::WriteFailureText(const char* text) const {
    int32_t length = 0;
    return LostStreaming(transport.SenseData(length)) ? kUnderrunAdvice : text;
}

void CCdrDriver::ReplaceSilenceBuffer() {
    silenceBuffer.assign(static_cast<size_t>(std::max(blocksPerCommand, 0)) *
                             static_cast<size_t>(std::max(blockLength, 0)),
                         0);
}

int32_t CCdrDriver::CommandBlocks(int32_t blockBytes) const {
    if (blockBytes <= 0)
        return 1;
    // The base class's 27 blocks of 2352 bytes need 63504 bytes per command; a path that
    // takes less gets more, smaller commands.
    const uint32_t fit = transport.MaximumTransfer() / static_cast<uint32_t>(blockBytes);
    return std::max<int32_t>(
        1, std::min<int32_t>(blocksPerCommand,
                             static_cast<int32_t>(std::min<uint32_t>(fit, INT32_MAX))));
}

int32_t CCdrDriver::BlocksPerPathCommand(int32_t blockBytes) const {
    if (blockBytes <= 0)
        return 1;
    const uint32_t most = std::min<uint32_t>(transport.MaximumTransfer(), 65536);
    return std::max<int32_t>(1, static_cast<int32_t>(most / static_cast<uint32_t>(blockBytes)));
}

void CCdrDriver::ReportError(const std::string& text) {
    reportedInRun_ = true;
    if (driveGone_)
        ui_.TraceLine(text);
    else
        ui_.ReportError(text);
}

const char* CCdrDriver::BlankCheckMessage(BlankCheck reason) {
    switch (reason) {
        case BlankCheck::kNoDisc:
            return "There is no disc in the drive.";
        case BlankCheck::kNotBlank:
            return "The disc in the drive is not blank.";
        default:
            return "Cannot retrieve disk information.";
    }
}

void CCdrDriver::Trace(const std::string& line) {
    ui_.TraceLine(line);
}

const char* CCdrDriver::Vendor() const {
    return transport.Vendor();
}

const char* CCdrDriver::Product() const {
    return transport.Product();
}

const char* CCdrDriver::Revision() const {
    return transport.Revision();
}

int32_t CCdrDriver::LastCommandSucceeded() const {
    return transport.LastCommandSucceeded();
}

// ---- slots 0 to 24 ----

int32_t CCdrDriver::SetBlockLength(int32_t length) {
    const uint8_t cdb[6] = {0x15, 0x00, 0x00, 0x00, 0x0C, 0x00};
    uint8_t data[12] = {0x00, 0x00, 0x00, 0x08, 0x00, 0x00, 0x00, 0x00, 0x00};
    bigendian::Put24(&data[9], static_cast<uint32_t>(length));
    Command(cdb, data, sizeof data, nullptr, 0);
    return 0;
}

void CCdrDriver::Reserved1() {}

void CCdrDriver::Reserved2() {}

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

    // A stop that came after the last block went out finds the disc whole.
    if (!normalEnd && !driveGone_ && lastWriteSucceeded_ == 1 && nextAddress >= totalBlocks)
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

void CCdrDriver::FillerThread() {
    while (endOfData.load() == 0) {
        int32_t filled = FillRingSlot();
        if (filled == kEndOfImage) {
            endOfData = 1;
        } else if (filled == kRingFull) {
            // The drive is the slower one: look again shortly.
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        } else {
            AfterSlotFilled();
        }
    }
    fillerRunning = 0;
}

bool CCdrDriver::RingEmpty() const {
    return ringReadIndex.load(std::memory_order_relaxed) ==
           ringWriteIndex.load(std::memory_order_acquire);
}

bool CCdrDriver::WaitForFiller(const std::function<bool()>& fillerDone) {
    // An empty ring is no underrun while the drive still holds audio: the filler may
    // catch up.  The drive's buffer running dry as well is one.  A drive that cannot
    // tell gets half a second, about what a drive's buffer lasts at high speed.
    // With buffer underrun protection the drive pauses instead: the wait goes on until
    // the filler delivers, and each time the drive ran dry counts as one use.
    auto blind = std::chrono::milliseconds(0);
    bool dry = false;
    for (;;) {
        const auto until = std::chrono::steady_clock::now() + kFillerCheckInterval;
        while (std::chrono::steady_clock::now() < until) {
            if (!RingEmpty() || fillerDone() || StopRequested())
                return true;
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        int32_t length = 0, free = 0;
        if (ReadBufferCapacity(length, free) != 0 || length <= 0) {
            if (driveGone_)
                return true;  // the write loop ends on it
            blind += kFillerCheckInterval;
            if (blind < kBlindFillerWait)
                continue;
        } else if (free < length) {
            continue;
        }
        if (!RingEmpty() || fillerDone() || StopRequested())
            return true;
        if (!underrunProtection_)
            return false;
        if (!dry) {
            dry = true;
            ++underrunProtections_;
            Trace("The drive's buffer ran dry: underrun protection holds the disc.");
        }
    }
}

int32_t CCdrDriver::FillRingSlot() {
    const int32_t write = ringWriteIndex.load(std::memory_order_relaxed);
    const int32_t next = (write + 1) % kRingSlots;
    if (next == ringReadIndex.load(std::memory_order_acquire))
        return kRingFull;
    const size_t slotBytes =
        static_cast<size_t>(blocksPerCommand) * static_cast<size_t>(blockLength);
    if (ring.size() < slotBytes * kRingSlots)
        return kEndOfImage;  // no ring: nothing can be read into it
    slotTracks_[static_cast<size_t>(write)] = discImage.currentTrack;
    int32_t got = discImage.Read(&ring[static_cast<size_t>(write) * slotBytes],
                                 static_cast<int32_t>(slotBytes));
    slotByteCounts[static_cast<size_t>(write)].store(got, std::memory_order_relaxed);
    if (got <= 0)
        return kEndOfImage;
    ringWriteIndex.store(next, std::memory_order_release);
    return 0;
}

uint8_t* CCdrDriver::TakeRingSlot(int32_t& byteCount) {
    byteCount = 0;
    if (RingEmpty())
        return nullptr;
    const int32_t read = ringReadIndex.load(std::memory_order_relaxed);
    const size_t slotBytes =
        static_cast<size_t>(blocksPerCommand) * static_cast<size_t>(blockLength);
    const int32_t count = slotByteCounts[static_cast<size_t>(read)].load(std::memory_order_relaxed);
    if (count <= 0 || static_cast<size_t>(count) > slotBytes || stagingBuffer.size() < slotBytes)
        return nullptr;
    std::memcpy(stagingBuffer.data(), &ring[static_cast<size_t>(read) * slotBytes],
                static_cast<size_t>(count));
    byteCount = count;
    return stagingBuffer.data();
}

void CCdrDriver::AdvanceRing() {
    const int32_t read = ringReadIndex.load(std::memory_order_relaxed);
    ringReadIndex.store((read + 1) % kRingSlots, std::memory_order_release);
}

int32_t CCdrDriver::SendCueSheet() {
    int32_t length = 0;
    const uint8_t* sheet = discImage.BuildMmcCueSheet(length);
    uint8_t cdb[10] = {0x5D, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};
    bigendian::Put24(&cdb[6], static_cast<uint32_t>(length));
    int32_t result = Command(cdb, sheet, length, nullptr, 0);
    if (result != 0) {
        ReportError("Cannot send cue sheet.");
        return result;
    }
    return 0;
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

int32_t CCdrDriver::LoadCommand(std::span<const uint8_t> cdb, int32_t load) {
    if (Command(cdb, nullptr, 0, nullptr, 0) == 0)
        return 0;
    if (load != 0)
        ReportError(kCannotLoad);
    return 1;
}

void CCdrDriver::ReleaseBuffers() {
    std::vector<uint8_t>().swap(silenceBuffer);
    std::vector<uint8_t>().swap(ring);
    std::vector<uint8_t>().swap(stagingBuffer);
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

void CCdrDriver::WaitForDriveToEmpty(const std::function<void(int32_t)>& show) {
    if (!bufferAnswered_ || !flowControl_)
        return;
    int32_t lastFree = -1;
    while (!StopRequested() && !driveGone_) {
        int32_t length = 0, free = 0;
        if (ReadBufferCapacity(length, free) != 0 || length <= 0)
            return;
        NoteDriveBuffer(nextAddress, length, free);
        show(drivePosition_);
        // A buffer that does not drain (a drive that reports no progress, or writes
        // everything at once) is left to the flush.
        if (free >= length || free <= lastFree)
            return;
        lastFree = free;
        if (!Pause(kDrainPollMs, false))
            return;
    }
}

void CCdrDriver::NoteDriveBuffer(int32_t address, int32_t length, int32_t free) {
    bufferAnswered_ = true;
    const int32_t held = std::max(length - std::max(free, 0), 0);
    drivePosition_ = address - held / std::max(blockLength, 1);
}

int32_t CCdrDriver::DrivePosition(int32_t sent) const {
    return bufferAnswered_ ? std::min(drivePosition_, sent) : sent;
}

int32_t CCdrDriver::PermilleAt(int32_t address) const {
    const int64_t totalBlocks = discImage.TotalBlocks();
    if (totalBlocks <= 0)
        return 0;
    return static_cast<int32_t>(
        std::clamp<int64_t>(std::max(address, 0) * int64_t{1000} / totalBlocks, 0, 1000));
}

int32_t CCdrDriver::TrackAt(int32_t address) const {
    const int32_t count = std::clamp(discImage.trackCount, 0, CDiscImage::kMaxTracks);
    for (int32_t t = 0; t < count; ++t)
        if (address < discImage.TrackStart(t + 1))
            return t;
    return std::max(count - 1, 0);
}

int32_t CCdrDriver::FlushCache() {
    const uint8_t cdb[10] = {0x35, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};
    uint8_t none = 0;
    CommandWhileBecomingReady(cdb, nullptr, 0, &none, 0);
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

CCdrDriver::Capabilities CCdrDriver::ReadDriveCapabilities() {
    Capabilities found;
    const uint32_t allocation =
        std::min<uint32_t>(kModeSense10Length, std::max<uint32_t>(transport.MaximumTransfer(), 8));
    uint8_t cdb[10] = {0x5A, 0x00, 0x2A, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};
    bigendian::Put16(&cdb[7], allocation);
    std::array<uint8_t, kModeSense10Length> reply{};
    if (Command(cdb, nullptr, 0, reply.data(), static_cast<int32_t>(allocation)) != 0)
        return found;
    const size_t available = std::min<size_t>(allocation, size_t{bigendian::Get16(&reply[0])} + 2);
    const size_t page = 8 + size_t{bigendian::Get16(&reply[6])};
    if (page + 6 > available || (reply[page] & 0x3F) != 0x2A || reply[page + 1] < 4)
        return found;
    found.known = true;
    found.underrunProtection = (reply[page + 4] & 0x80) != 0;
    found.writesCdText = (reply[page + 5] & 0x04) != 0;
    return found;
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

int32_t CCdrDriver::InitWrite() {
    const size_t slotBytes = static_cast<size_t>(std::max(blocksPerCommand, 1)) *
                             static_cast<size_t>(std::max(blockLength, 1));
    try {
        ring.assign(slotBytes * kRingSlots, 0);
    } catch (const std::bad_alloc&) {
        ReportError(kNoMemory);
        return 1;
    }
    try {
        stagingBuffer.assign(slotBytes, 0);
    } catch (const std::bad_alloc&) {
        ReportError(kNoMemory);
        return 1;
    }
    ringReadIndex = 0;
    ringWriteIndex = 0;
    for (auto& count : slotByteCounts) count = 0;
    discImage.currentTrack = 0;
    discImage.OpenTrack(0);
    ReplaceSilenceBuffer();
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

int32_t CCdrDriver::WriteBlocks(int32_t& address, const uint8_t* data, int32_t count) {
    const int32_t most = CommandBlocks(blockLength);
    while (count > 0) {
        const int32_t n = std::min(count, most);
        if (WaitForDriveRoom(address, n) != 0)
            return 1;  // stopped: no message
        uint8_t cdb[10] = {0x2A, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};
        bigendian::Put32(&cdb[2], static_cast<uint32_t>(address));
        bigendian::Put16(&cdb[7], static_cast<uint32_t>(n));
        const bool stoppedBefore = StopRequested();
        // The drive still busy with what it has gets the same command again.
        const int32_t result = CommandWhileBecomingReady(cdb, data, n * blockLength, nullptr, 0);
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
        address += n;
        count -= n;
        data += static_cast<size_t>(n) * static_cast<size_t>(blockLength);
    }
    return 0;
}

int32_t CCdrDriver::WaitForDriveRoom(int32_t address, int32_t blocks) {
    int32_t failedMs = 0;
    int32_t pauseMs = 0;
    int32_t stuckMs = 0;
    int32_t lastFree = -1;
    while (flowControl_) {
        if (StopRequested())
            return 1;
        int32_t length = 0, free = 0;
        if (ReadBufferCapacity(length, free) == 0 && length > 0) {
            failedMs = 0;
            NoteDriveBuffer(address, length, free);
            // 2048 rather than 2352: the drive's own idea of a block.
            if (free >= blocks * 2048 || free > std::max(blocks, length / 2))
                return 0;
            // Nothing is sent while we wait, so a drive that writes frees room.  One
            // whose count never grows (a buffer smaller than the room asked for, or
            // firmware that answers the same numbers every time) would hold the write
            // here for ever: the drive itself says when it cannot take a WRITE.
            if (free > lastFree)
                stuckMs = 0;
            lastFree = free;
            if (stuckMs >= kBufferStuckGiveUpMs) {
                flowControl_ = false;
                Trace(
                    "The drive's buffer reports no room and does not drain: writing on "
                    "without flow control.");
                break;
            }
            pauseMs = std::min(std::max(pauseMs * 2, 1), kLongestRoomPauseMs);
            if (!Pause(pauseMs, false))
                return 1;
            stuckMs += pauseMs;
            continue;
        }
        if (driveGone_)
            return 1;  // nobody left to write to; the user has been told
        if (failedMs >= kBufferQueryGiveUpMs) {
            // Waiting for an answer that never comes would hang the write for ever.
            flowControl_ = false;
            Trace("READ BUFFER CAPACITY keeps failing: writing on without flow control.");
            break;
        }
        if (!Pause(kFailedQueryPauseMs, false))
            return 1;
        failedMs += kFailedQueryPauseMs;
    }
    return 0;
}

int32_t CCdrDriver::WriteCdTextLeadIn() {
    if (leadInLength <= 0 || leadInLength > kMaxLeadInLength) {
        // A lead-in start outside 90:00:00 to 99:59:74 is no lead-in: writing hundreds of
        // thousands of blocks to nowhere helps nobody.
        ReportError("The disc reports no usable lead-in: cannot write CD-TEXT.");
        return 1;
    }
    const CCdTextBuilder* text = cdText_;
    const int32_t groups = text != nullptr ? text->blockCount : 0;
    if (groups <= 0) {
        Trace("CD-TEXT is in use but no pack groups were built.");
        ReportError(kWriteFailed);
        return 1;
    }
    const int32_t most = CommandBlocks(kCdTextBlockLength);
    int32_t address = -kPregapBlocks - leadInLength;
    int32_t left = leadInLength;
    int32_t group = 0;
    while (left > 0) {
        if (StopRequested())
            return 1;  // the lead-in takes many seconds; no message for a stop
        const int32_t n = std::min(left, most);
        for (int32_t b = 0; b < n; ++b) {
            const auto& block = text->blocks[static_cast<size_t>(group)];
            uint8_t* to = &cdTextTransfer_[static_cast<size_t>(b) * kCdTextBlockLength];
            if (block)
                std::memcpy(to, block->Data().data(), kCdTextBlockLength);
            else
                std::memset(to, 0, kCdTextBlockLength);
            group = (group + 1) % groups;
        }
        uint8_t cdb[10] = {0x2A, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};
        bigendian::Put32(&cdb[2], static_cast<uint32_t>(address));
        bigendian::Put16(&cdb[7], static_cast<uint32_t>(n));
        if (CommandWhileBecomingReady(cdb, cdTextTransfer_.data(), n * kCdTextBlockLength, nullptr,
                                      0) != 0) {
            // The lead-in is not written: the run is over, and the user must know why.
            ReportError(kWriteFailed);
            return 1;
        }
        address += n;
        left -= n;
    }
    return 0;
}

int32_t CCdrDriver::NextWritableAddress() {
    const uint8_t cdb[10] = {0x52, 0x01, 0x00, 0x00, 0x00, 0xFF, 0x00, 0x00, 0x1C, 0x00};
    std::array<uint8_t, 28> reply{};
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
    const uint8_t cdb[10] = {0x51, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x2A, 0x00};
    std::array<uint8_t, 42> reply{};
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

int32_t CCdrDriver::SetWriteParameters() {
    return SetSessionAtOnceParameters(-1);
}

int32_t CCdrDriver::SetSessionAtOnceParameters(int32_t byte3) {
    std::array<uint8_t, 56> page{};
    if (ModeSense10(0x05, page) != 0) {
        ReportError("Cannot retrieve write parameters mode page.");
        return 1;
    }
    page[0] &= 0x7F;  // parameters savable: reserved in MODE SELECT
    // Buffer-underrun-free recording, session-at-once, the test bit for a simulation.
    page[2] = static_cast<uint8_t>((page[2] & 0xE0) | 0x42 | (test.load() != 0 ? 0x10 : 0x00));
    if (byte3 >= 0)
        page[3] = static_cast<uint8_t>(byte3);
    else
        page[3] &= 0x3F;  // no multi-session
    page[4] = 8;
    page[8] = 0;
    if (ModeSelect10(page) != 0) {
        ReportError("Cannot set write parameters mode page.");
        return 1;
    }
    return 0;
}

int32_t CCdrDriver::ModeSelect10(std::span<const uint8_t> page) {
    if (page.size() < 2 || page.size() < size_t{page[1]} + 2)
        return 1;  // the page is shorter than its own length byte says
    size_t pageLength = size_t{page[1]} + 2;
    std::vector<uint8_t> data(8 + pageLength, 0);
    std::memcpy(&data[8], page.data(), pageLength);
    uint8_t cdb[10] = {0x55, 0x10, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};
    bigendian::Put16(&cdb[7], static_cast<uint32_t>(data.size()));
    return Command(cdb, data.data(), static_cast<int32_t>(data.size()), nullptr, 0) == 0 ? 0 : 1;
}

int32_t CCdrDriver::ModeSense10(int32_t pageCode, std::span<uint8_t> buffer) {
    std::fill(buffer.begin(), buffer.end(), 0);
    const uint8_t cdb[10] = {0x5A, 0x00, static_cast<uint8_t>(pageCode & 0x3F),
                             0x00, 0x00, 0x00,
                             0x00, 0x00, kModeSense10Length,
                             0x00};
    std::array<uint8_t, kModeSense10Length> reply{};
    if (Command(cdb, nullptr, 0, reply.data(), kModeSense10Length) != 0)
        return 1;
    uint32_t dataLength = bigendian::Get16(&reply[0]);
    uint32_t descriptorLength = bigendian::Get16(&reply[6]);
    return TakeModePage(reply, dataLength > descriptorLength + 6, 8 + size_t{descriptorLength},
                        buffer, "Requested mode page exceeds provided buffer size.",
                        "No mode page data received.");
}

int32_t CCdrDriver::ReadCapacity(int32_t& blocks) {
    const uint8_t cdb[10] = {0x25, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};
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
    const uint8_t cdb[6] = {0x01, 0x00, 0x00, 0x00, 0x00, 0x00};
    return Command(cdb, nullptr, 0, nullptr, 0) == 0 ? 0 : 1;
}

int32_t CCdrDriver::PreventRemoval(int32_t on) {
    const uint8_t cdb[6] = {0x1E, 0x00, 0x00, 0x00, static_cast<uint8_t>(on ? 1 : 0), 0x00};
    uint8_t none = 0;
    Command(cdb, nullptr, 0, &none, 0);
    return 0;
}

int32_t CCdrDriver::TestUnitReady() {
    const uint8_t cdb[6] = {0x00, 0x00, 0x00, 0x00, 0x00, 0x00};
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
    uint8_t cdb[12] = {0xBB, 0x00, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};
    bigendian::Put16(&cdb[4], kilobytes);
    if (Command(cdb, nullptr, 0, nullptr, 0) != 0) {
        ReportError("Cannot set cd speed.");
        return 1;
    }
    return 0;
}

int32_t CCdrDriver::LoadUnload(int32_t load) {
    const uint8_t cdb[6] = {0x1B, 0x00, 0x00, 0x00, static_cast<uint8_t>(load == 1 ? 0x03 : 0x02),
                            0x00};
    Command(cdb, nullptr, 0, nullptr, 0);
    return 0;
}

int32_t CCdrDriver::StartStopUnit(int32_t start) {
    const uint8_t cdb[6] = {0x1B, 0x00, 0x00, 0x00, static_cast<uint8_t>(start ? 0x01 : 0x00),
                            0x00};
    if (Command(cdb, nullptr, 0, nullptr, 0) != 0) {
        ReportError("Cannot start/stop unit.");
        return 1;
    }
    return 0;
}

int32_t CCdrDriver::PerformOpc() {
    const uint8_t cdb[10] = {0x54, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};
    return Command(cdb, nullptr, 0, nullptr, 0) == 0 ? 0 : 1;
}

int32_t CCdrDriver::ModeSelect6(std::span<const uint8_t> page, const std::array<uint8_t, 4>* header,
                                const std::array<uint8_t, 8>* blockDescriptor) {
    if (page.size() < 2 || page.size() < size_t{page[1]} + 2)
        return 1;
    size_t pageLength = size_t{page[1]} + 2;
    size_t size = pageLength + 4 + (blockDescriptor ? 8 : 0);
    if (size > 255)
        return 1;  // does not fit the one-byte parameter list length
    std::vector<uint8_t> data(size, 0);
    if (header)
        std::memcpy(data.data(), header->data(), header->size());
    data[0] = 0;  // mode data length is reserved in MODE SELECT
    size_t pagePosition = 4;
    if (blockDescriptor) {
        data[3] = 8;
        std::memcpy(&data[4], blockDescriptor->data(), blockDescriptor->size());
        pagePosition = 12;
    } else {
        data[3] = 0;
    }
    std::memcpy(&data[pagePosition], page.data(), pageLength);
    const uint8_t cdb[6] = {0x15, 0x10, 0x00, 0x00, static_cast<uint8_t>(size), 0x00};
    return Command(cdb, data.data(), static_cast<int32_t>(data.size()), nullptr, 0) == 0 ? 0 : 1;
}

// ---- shared operations ----

void CCdrDriver::WaitReady(int32_t seconds) {
    WaitUntilReady(seconds);
}

bool CCdrDriver::WaitUntilReady(int32_t seconds) {
    if (seconds <= 0 || readyWaitsCut_)
        return false;
    // After a stop the pauses take from the run's grace: a few seconds at most.
    const bool stoppedBefore = StopRequested();
    for (int32_t waits = 0;; ++waits) {
        if (TestUnitReady() == 0)
            return true;
        if (driveGone_ || waits >= seconds)
            return false;
        if (!Pause(1000, stoppedBefore)) {
            readyWaitsCut_ = !driveGone_;
            return false;
        }
    }
}

int32_t CCdrDriver::ReadBufferCapacity(int32_t& length, int32_t& free) {
    const uint8_t cdb[10] = {0x5C, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x0C, 0x00};
    std::array<uint8_t, 12> reply{};
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
    const uint8_t cdb[10] = {0xEE, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x04, 0x00};
    std::array<uint8_t, 4> reply{};
    if (Command(cdb, nullptr, 0, reply.data(), static_cast<int32_t>(reply.size())) != 0)
        return 1;
    leadInLength = static_cast<int32_t>(bigendian::Get16(&reply[0]));
    leadOutLength = static_cast<int32_t>(bigendian::Get16(&reply[2]));
    return 0;
}

int32_t CCdrDriver::ModeSense6(int32_t pageCode, std::span<uint8_t> buffer,
                               std::array<uint8_t, 4>* header,
                               std::array<uint8_t, 8>* blockDescriptor) {
    std::fill(buffer.begin(), buffer.end(), 0);
    size_t allocation = buffer.size() + kModeSense6Extra;
    if (allocation > 255)
        allocation = 0;
    const uint8_t cdb[6] = {
        0x1A, 0x00, static_cast<uint8_t>(pageCode & 0x3F), 0x00, static_cast<uint8_t>(allocation),
        0x00};
    std::array<uint8_t, 255> reply{};
    if (Command(cdb, nullptr, 0, reply.data(), static_cast<int32_t>(allocation)) != 0)
        return 1;
    if (header)
        std::memcpy(header->data(), reply.data(), header->size());
    uint32_t descriptorLength = reply[3];
    if (blockDescriptor) {
        blockDescriptor->fill(0);
        if (descriptorLength >= 8)
            std::memcpy(blockDescriptor->data(), &reply[4], blockDescriptor->size());
    }
    return TakeModePage(reply, reply[0] > descriptorLength + 4, 4 + size_t{descriptorLength},
                        buffer, "MP buffer too small.", "No mode page.");
}

int32_t CCdrDriver::TakeModePage(std::span<const uint8_t> reply, bool present, size_t start,
                                 std::span<uint8_t> buffer, const char* tooLarge,
                                 const char* missing) {
    // The lengths come from the drive: the page is taken only from inside the reply.
    if (present && start + 2 <= reply.size()) {
        size_t pageLength = size_t{reply[start + 1]} + 2;
        if (pageLength > buffer.size()) {
            ReportError(tooLarge);
            return 2;
        }
        if (start + pageLength <= reply.size()) {
            std::memcpy(buffer.data(), &reply[start], pageLength);
            return 0;
        }
    }
    ReportError(missing);
    return 1;
}
