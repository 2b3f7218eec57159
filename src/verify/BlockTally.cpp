#include "verify/BlockTally.h"

#include <algorithm>
#include <cstring>

void CBlockTally::Add(std::span<const uint8_t> written, std::span<const uint8_t> read,
                      std::span<const CFrameRead> frames, int32_t first) {
    constexpr size_t kFramesPerBlock = kBlockBytes / kFrameBytes;
    const size_t blocks =
        std::min({written.size(), read.size(), frames.size() * kFrameBytes}) / kBlockBytes;
    for (size_t b = 0; b < blocks; ++b) {
        const size_t at = b * kBlockBytes;
        const std::span<const CFrameRead> state =
            frames.subspan(b * kFramesPerBlock, kFramesPerBlock);
        bool same = std::find(state.begin(), state.end(), CFrameRead::kFailed) == state.end();
        if (same && std::find(state.begin(), state.end(), CFrameRead::kOutside) == state.end()) {
            same = std::memcmp(written.data() + at, read.data() + at, kBlockBytes) == 0;
        } else {
            for (size_t f = 0; same && f < kFramesPerBlock; ++f)
                same = state[f] == CFrameRead::kOutside ||
                       std::memcmp(written.data() + at + f * kFrameBytes,
                                   read.data() + at + f * kFrameBytes, kFrameBytes) == 0;
        }
        if (!same)
            AddMissing(1, first + static_cast<int32_t>(b));
    }
}

void CBlockTally::AddMissing(int32_t blocks, int32_t first) {
    if (blocks <= 0)
        return;
    if (differing == 0)
        firstDiffering = first;
    differing += blocks;
}
