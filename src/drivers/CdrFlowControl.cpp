// Flow control of the writes: before each WRITE the drive's buffer must have room, and
// where the disc has got to is the address less what the buffer still holds.
#include <algorithm>

#include "drivers/CdrDriver.h"

namespace {
// How long READ BUFFER CAPACITY may keep failing before the write goes on without it,
// how long its free count may stay too small without growing, the pause after a failed
// query, and the longest pause while the drive's buffer is full.
constexpr int32_t kBufferQueryGiveUpMs = 2000;
constexpr int32_t kBufferStuckGiveUpMs = 10000;
constexpr int32_t kFailedQueryPauseMs = 20;
constexpr int32_t kLongestRoomPauseMs = 50;
// While the drive writes out its buffer at the end, it is asked this often how far it is.
constexpr int32_t kDrainPollMs = 50;
}  // namespace

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

void CCdrDriver::NoteDriveBuffer(int32_t address, int32_t length, int32_t free) {
    bufferAnswered_ = true;
    const int32_t held = std::max(length - std::max(free, 0), 0);
    drivePosition_ = address - held / std::max(blockLength, 1);
}

int32_t CCdrDriver::DrivePosition(int32_t sent) const {
    return bufferAnswered_ ? std::min(drivePosition_, sent) : sent;
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
