#pragma once
// Reading an audio disc through the transport: its table of contents, and frames of
// audio at any position the drive can reach, read block-wise with READ CD.  Every
// command is bounded by the transport's own time-out; a block that does not read is
// marked failed, never retried for ever.
#include <atomic>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "verify/BlockTally.h"

class CScsiTransport;

class CDiscReader {
  public:
    static constexpr int32_t kBlockBytes = 2352;
    static constexpr int32_t kFramesPerBlock = 588;

    CDiscReader(CScsiTransport& transport, const std::atomic<int32_t>& stop);
    // Gives the drive its own read retries back.
    ~CDiscReader();
    CDiscReader(const CDiscReader&) = delete;
    CDiscReader& operator=(const CDiscReader&) = delete;

    // Waits until the drive has a disc that it is ready to read (a few seconds at most,
    // while it says it is becoming ready); "" when it has, else why not, for the user.
    std::string WaitForDisc(const std::function<void(int32_t)>& sleep);
    // Asks the drive to give up on a bad block at once (read retry count 0), so that a
    // damaged disc is compared in minutes, not hours; a drive that has no error recovery
    // page, or refuses it, reads its own way.
    void RetriesOff();
    // READ TOC: each track's first block and the lead-out; "" or why not.
    std::string ReadToc(std::vector<int32_t>& starts, int32_t& leadOut);
    // Frames from read position `first` (frames counted from block 0) into out: frames
    // outside the disc's blocks are zeros marked kOutside, those of blocks that would
    // not read zeros marked kFailed.  False when the drive no longer answers.
    bool ReadFrames(int64_t first, std::span<uint8_t> out, std::span<CFrameRead> state);
    int32_t FailedBlocks() const { return failedBlocks_; }

  private:
    // Blocks from address into out; false when the command failed.
    bool ReadBlocks(int32_t address, int32_t blocks, uint8_t* out);

    CScsiTransport& transport_;
    const std::atomic<int32_t>& stop_;
    int32_t leadOut_ = 0;
    int32_t blocksPerRead_ = 1;
    int32_t failedBlocks_ = 0;
    std::vector<uint8_t> buffer_;
    std::vector<uint8_t> recoveryPage_;  // as the drive had it; empty when unchanged
};
