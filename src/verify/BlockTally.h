#pragma once
// Comparing a track's blocks as read with the blocks written: how many differ, and the
// first that does.  Frames the drive could not reach (before the disc's first block or
// past its last, where its read offset takes it) are not held against the disc; frames
// it failed to read are.
#include <cstdint>
#include <span>

// What became of each frame of a read.
enum class CFrameRead : uint8_t { kRead = 0, kOutside = 1, kFailed = 2 };

struct CBlockTally {
    static constexpr int32_t kBlockBytes = 2352;
    static constexpr int32_t kFrameBytes = 4;

    int32_t differing = 0;
    int32_t firstDiffering = -1;  // block of the track, -1 while none differs

    // Adds whole blocks of the track, the first being the track's block `first`: the
    // bytes written and those read (as many), and the state of each frame read.
    void Add(std::span<const uint8_t> written, std::span<const uint8_t> read,
             std::span<const CFrameRead> frames, int32_t first);
    // Blocks that could not be read at all (missing from the disc).
    void AddMissing(int32_t blocks, int32_t first);
};
