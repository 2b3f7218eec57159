#include "virtualdrive/VirtualDriveBuffer.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <thread>

namespace {
// Never wait less than this for room: the host gains nothing from finer steps.
constexpr int64_t kShortestWait = 200;
}  // namespace

CVirtualDriveBuffer::CVirtualDriveBuffer(uint32_t capacity, bool realTime, Clock clock,
                                         Sleeper sleeper)
    : capacity_(capacity),
      realTime_(realTime),
      clock_(std::move(clock)),
      sleeper_(std::move(sleeper)) {}

int64_t CVirtualDriveBuffer::Now() const {
    if (clock_)
        return clock_();
    return std::chrono::duration_cast<std::chrono::microseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void CVirtualDriveBuffer::Pause(int64_t micros) {
    if (sleeper_)
        sleeper_(micros);
    else
        std::this_thread::sleep_for(std::chrono::microseconds(micros));
}

int64_t CVirtualDriveBuffer::MicrosFor(double blocks) const {
    // The part of a block the disc has passed over already counts; rounded up, so that
    // the blocks are surely gone after the wait.
    const double micros = std::ceil((blocks - carry_) * 1e6 / blocksPerSecond_);
    return std::max(kShortestWait, static_cast<int64_t>(micros) + 1);
}

void CVirtualDriveBuffer::Begin(double blocksPerSecond, bool underrunFree) {
    blocksPerSecond_ = std::max(blocksPerSecond, 1.0);
    underrunFree_ = underrunFree;
    endOfDisc_ = false;
    turning_ = false;
    carry_ = 0.0;
    held_.clear();
    heldBytes_ = 0;
    underruns_ = 0;
    lost_ = false;
}

void CVirtualDriveBuffer::Advance() {
    if (!realTime_ || !turning_)
        return;
    const int64_t now = Now();
    double due = carry_ + static_cast<double>(now - lastMicros_) * blocksPerSecond_ / 1e6;
    lastMicros_ = now;
    auto wanted = static_cast<int64_t>(std::floor(due));
    carry_ = due - static_cast<double>(wanted);
    while (wanted > 0 && !held_.empty()) {
        Segment& front = held_.front();
        int64_t take = std::min(wanted, front.blocks);
        front.blocks -= take;
        heldBytes_ -= take * front.blockBytes;
        wanted -= take;
        if (front.blocks == 0)
            held_.pop_front();
    }
    if (wanted > 0) {
        // The disc wanted a block that was not there.
        turning_ = false;
        carry_ = 0.0;
        if (!endOfDisc_ && !draining_) {
            ++underruns_;
            if (!underrunFree_)
                lost_ = true;
        }
    }
}

bool CVirtualDriveBuffer::Accept(int32_t blocks, int32_t blockBytes) {
    if (blocks <= 0)
        return !lost_;
    const int64_t need = int64_t{blocks} * blockBytes;
    if (!realTime_) {
        heldBytes_ = std::min<int64_t>(heldBytes_ + need, capacity_ / 2);
        return true;
    }
    Advance();
    // A command larger than the whole buffer goes in once the buffer is empty.
    while (!lost_ && heldBytes_ > 0 && heldBytes_ + need > capacity_) {
        const int64_t missing = heldBytes_ + need - capacity_;
        const int32_t frontBytes = held_.empty() ? 1 : std::max(held_.front().blockBytes, 1);
        const double blocksToGo = std::ceil(static_cast<double>(missing) / frontBytes);
        Pause(MicrosFor(blocksToGo));
        Advance();
    }
    if (lost_)
        return false;
    held_.push_back({blocks, blockBytes});
    heldBytes_ += need;
    if (!turning_) {
        turning_ = true;
        lastMicros_ = Now();
        carry_ = 0.0;
    }
    return true;
}

void CVirtualDriveBuffer::EndOfDisc() {
    endOfDisc_ = true;
}

uint32_t CVirtualDriveBuffer::FreeBytes() {
    Advance();
    return heldBytes_ >= capacity_ ? 0 : static_cast<uint32_t>(capacity_ - heldBytes_);
}

void CVirtualDriveBuffer::Drain() {
    Advance();
    // The last look may find the disc wanting more than there was: the host is late
    // with nothing, the drive stops because it was told to.
    draining_ = true;
    while (realTime_ && turning_ && heldBytes_ > 0) {
        int64_t blocks = 0;
        for (const Segment& s : held_) blocks += s.blocks;
        Pause(MicrosFor(static_cast<double>(blocks)));
        Advance();
    }
    draining_ = false;
    held_.clear();
    heldBytes_ = 0;
    turning_ = false;
}
