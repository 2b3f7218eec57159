// The ring of audio between the disc image and the WRITE commands: the filling thread
// reads ahead into it, the writer takes the oldest slot; while it is empty the drive's
// buffer says whether the filler may still catch up.
#include <chrono>
#include <cstring>
#include <new>
#include <thread>

#include "disc/DiscImage.h"
#include "drivers/CdrDriver.h"
#include "drivers/DriverTexts.h"

namespace {
// While the ring is empty the drive's buffer is asked about this often.
constexpr auto kFillerCheckInterval = std::chrono::milliseconds(10);
constexpr auto kBlindFillerWait = std::chrono::milliseconds(500);
}  // namespace

int32_t CCdrDriver::InitWrite() {
    const size_t slotBytes = static_cast<size_t>(std::max(blocksPerCommand, 1)) *
                             static_cast<size_t>(std::max(blockLength, 1));
    try {
        ring.assign(slotBytes * kRingSlots, 0);
    } catch (const std::bad_alloc&) {
        ReportError(drivertext::kNoMemory);
        return 1;
    }
    try {
        stagingBuffer.assign(slotBytes, 0);
    } catch (const std::bad_alloc&) {
        ReportError(drivertext::kNoMemory);
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

void CCdrDriver::ReleaseBuffers() {
    std::vector<uint8_t>().swap(silenceBuffer);
    std::vector<uint8_t>().swap(ring);
    std::vector<uint8_t>().swap(stagingBuffer);
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
