#include "audio/Mp3Source.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <memory>

#include "audio/Mp3Header.h"

namespace {
constexpr size_t kFirstScanBlock = 4096;  // most files start with a frame, or a small tag
constexpr size_t kScanBlock = 64 * 1024;

int32_t ClampSeconds(int64_t seconds) {
    if (seconds < 0)
        return 0;
    if (seconds > std::numeric_limits<int32_t>::max())
        return std::numeric_limits<int32_t>::max();
    return static_cast<int32_t>(seconds);
}
}  // namespace

int64_t CMp3Source::FindFirstFrame(std::array<uint8_t, 128>& frame, int64_t& got) const {
    // Most files start with a frame or a small tag: the first block lives on the stack.
    uint8_t first[kFirstScanBlock];
    std::unique_ptr<uint8_t[]> large;
    uint8_t* block = first;
    int64_t base = 0;  // file offset of block[0]
    size_t want = kFirstScanBlock;
    for (;;) {
        int64_t read = file_.ReadAt(base, block, want);
        if (read < 2)
            return -1;
        const uint8_t* p = block;
        const uint8_t* end = block + read - 1;  // the last byte can only end a pair
        while (p < end) {
            const void* ff = std::memchr(p, 0xFF, static_cast<size_t>(end - p));
            if (ff == nullptr)
                break;
            p = static_cast<const uint8_t*>(ff);
            if (IsLayer3Sync(p[0], p[1])) {
                int64_t at = base + (p - block);
                size_t inBlock = static_cast<size_t>(block + read - p);
                if (inBlock >= frame.size() || static_cast<size_t>(read) < want) {
                    got = static_cast<int64_t>(std::min(inBlock, frame.size()));
                    std::memcpy(frame.data(), p, static_cast<size_t>(got));
                } else {
                    got = file_.ReadAt(at, frame.data(), frame.size());
                }
                return at;
            }
            // A failed pair is retried from its second byte, so a run of 0xFF bytes in
            // front of a frame does not hide the frame.
            ++p;
        }
        if (static_cast<size_t>(read) < want)
            return -1;
        base += read - 1;  // the last byte starts the next block's first pair
        if (!large) {
            large.reset(new uint8_t[kScanBlock]);
            block = large.get();
            want = kScanBlock;
        }
    }
}

int32_t CMp3Source::Open(const char* path) {
    Close();
    if (!file_.OpenForReading(path))
        return -1;

    int64_t size = file_.Size();
    if (size >= kTagSize && file_.ReadAt(size - kTagSize, tail_.data(), tail_.size()) == kTagSize &&
        std::memcmp(tail_.data(), "TAG", 3) == 0) {
        hasTag_ = true;
        size -= kTagSize;
    }

    std::array<uint8_t, 128> frame{};
    int64_t got = 0;
    int64_t at = FindFirstFrame(frame, got);
    CMp3FrameHeader header;
    if (at < 0 || got < 4 || !ParseFrameHeader(frame.data(), header)) {
        Close();
        return -2;
    }
    mono = header.mono;
    sampleRate = header.sampleRate;
    bitRate = header.bitRate;

    // The playing time is carried by the bytes from the first frame on; whatever stands
    // in front of it (an ID3 version 2 tag, often with pictures) is not audio.
    int64_t audioBytes = size > at ? size - at : 0;
    duration = ClampSeconds((int64_t{bitRate} - 1 + audioBytes * 8) / bitRate);

    uint32_t frames = 0;
    if (ReadXingFrameCount(frame.data(), static_cast<size_t>(got), header, frames))
        duration = ClampSeconds(int64_t{frames} * SamplesPerFrame(header) / header.sampleRate);

    firstFrame_ = at;
    firstReadPending_ = true;
    return 0;
}

int32_t CMp3Source::Read(void* buffer, int32_t n) {
    (void)buffer;
    (void)n;
    // Decoding is not wired in yet: no audio.
    return 0;
}

void CMp3Source::Close() {
    file_.Close();
    firstFrame_ = -1;
    hasTag_ = false;
    firstReadPending_ = false;
    mono = false;
    sampleRate = 0;
    bitRate = 0;
    duration = 0;
}
