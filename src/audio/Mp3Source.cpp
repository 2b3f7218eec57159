#include "audio/Mp3Source.h"

#include <mpg123.h>

#include <algorithm>
#include <cstring>
#include <limits>
#include <memory>
#include <mutex>

#include "audio/Mp3Header.h"

struct CMp3Source::CBuffers {
    std::array<uint8_t, kInputBlock> input;
    std::array<uint8_t, kDecodeCap> pcm;
    std::array<uint8_t, CRateConverter::kMaxOutputBytes> carry;  // converted chunk
};

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
    audioEnd_ = size;
    readAt_ = at;
    channels_ = mono ? 1 : 2;
    rate_ = sampleRate;
    firstReadPending_ = true;
    return 0;
}

CMp3Source::CMp3Source() = default;

CMp3Source::~CMp3Source() {
    Close();
}

bool CMp3Source::StartDecoder() {
    // Older libraries need their tables built once; newer ones ignore the call.
    static std::once_flag once;
    std::call_once(once, [] { mpg123_init(); });
    if (!buffers_)
        buffers_.reset(new (std::nothrow) CBuffers);
    if (!buffers_)
        return false;
    handle_ = mpg123_new(nullptr, nullptr);
    if (handle_ == nullptr)
        return false;
    // Signed 16-bit at the file's own rate and channel count, whatever the frames say:
    // the conversion to CD audio is ours.  Damaged stretches are searched through to the
    // next frame however long they are, and the library keeps quiet about them.
    bool ok = mpg123_param(handle_, MPG123_ADD_FLAGS, MPG123_QUIET, 0) == MPG123_OK &&
              mpg123_param(handle_, MPG123_RESYNC_LIMIT, -1, 0) == MPG123_OK &&
              mpg123_format_none(handle_) == MPG123_OK;
    const long* rates = nullptr;
    size_t count = 0;
    mpg123_rates(&rates, &count);
    for (size_t i = 0; ok && i < count; ++i)
        ok = mpg123_format(handle_, rates[i], MPG123_MONO | MPG123_STEREO, MPG123_ENC_SIGNED_16) ==
             MPG123_OK;
    if (!ok || mpg123_open_feed(handle_) != MPG123_OK) {
        mpg123_delete(handle_);
        handle_ = nullptr;
        return false;
    }
    return true;
}

bool CMp3Source::FillInput() {
    int64_t want = std::min<int64_t>(kInputBlock, audioEnd_ - readAt_);
    int64_t got =
        want > 0 ? file_.ReadAt(readAt_, buffers_->input.data(), static_cast<size_t>(want)) : 0;
    if (got < 1) {
        inputLength_ = 0;
        return false;
    }
    readAt_ += got;
    inputLength_ = static_cast<int32_t>(got);
    newInput_ = true;
    return true;
}

int32_t CMp3Source::Read(void* buffer, int32_t n) {
    if (buffer == nullptr || n <= 0 || !file_.IsOpen() || exhausted_)
        return 0;
    auto* out = static_cast<uint8_t*>(buffer);
    int32_t delivered = 0;

    if (carryCount_ > 0) {
        int32_t take = std::min(n, carryCount_);
        std::memcpy(out, buffers_->carry.data() + carryOffset_, static_cast<size_t>(take));
        carryOffset_ += take;
        carryCount_ -= take;
        if (take == n)
            return n;
        delivered = take;
        n -= take;
    }

    if (firstReadPending_) {
        firstReadPending_ = false;
        if (!StartDecoder() || !FillInput()) {
            exhausted_ = true;
            return delivered;
        }
    }

    // A format change is announced before the frame that brings it.  Two announcements
    // in a row without audio between them would mean a library that no longer makes
    // progress: more input is fed instead of asking again.
    bool emptyAnnouncement = false;
    for (;;) {
        size_t got = 0;
        int status = mpg123_decode(handle_, newInput_ ? buffers_->input.data() : nullptr,
                                   newInput_ ? static_cast<size_t>(inputLength_) : 0,
                                   buffers_->pcm.data(), buffers_->pcm.size(), &got);
        newInput_ = false;

        // The library hands out audio with "frame done" and with "need more input"
        // alike: every byte it gives counts, whatever the status.  It is in the format
        // of the frames before an announced change.
        int32_t m = 0;
        if (got > 0)
            m = converter_.Convert(buffers_->pcm.data(), static_cast<int32_t>(got), channels_,
                                   rate_, buffers_->carry.data(),
                                   static_cast<int32_t>(buffers_->carry.size()));
        bool feed = false;
        if (status == MPG123_NEW_FORMAT && !(emptyAnnouncement && got == 0)) {
            TakeFormat();
        } else {
            // Needs more input, or a decoding error: either way the file goes on being
            // fed until a frame decodes again or the file ends.
            feed = status != MPG123_OK || got == 0;
        }
        emptyAnnouncement = status == MPG123_NEW_FORMAT && got == 0;

        if (n < m) {
            std::memcpy(out + delivered, buffers_->carry.data(), static_cast<size_t>(n));
            carryOffset_ = n;
            carryCount_ = m - n;
            return delivered + n;
        }
        std::memcpy(out + delivered, buffers_->carry.data(), static_cast<size_t>(m));
        delivered += m;
        n -= m;
        if (feed && !FillInput()) {
            exhausted_ = true;
            return delivered;
        }
        if (n == 0)
            return delivered;
    }
}

void CMp3Source::TakeFormat() {
    long rate = 0;
    int channels = 0;
    int encoding = 0;
    if (mpg123_getformat(handle_, &rate, &channels, &encoding) == MPG123_OK) {
        rate_ = static_cast<int32_t>(rate);
        channels_ = channels == MPG123_MONO ? 1 : 2;
    }
}

void CMp3Source::Close() {
    if (handle_ != nullptr) {
        mpg123_delete(handle_);
        handle_ = nullptr;
    }
    inputLength_ = 0;
    newInput_ = false;
    exhausted_ = false;
    carryOffset_ = 0;
    carryCount_ = 0;
    readAt_ = 0;
    audioEnd_ = 0;
    channels_ = 2;
    rate_ = 44100;
    file_.Close();
    firstFrame_ = -1;
    hasTag_ = false;
    firstReadPending_ = false;
    mono = false;
    sampleRate = 0;
    bitRate = 0;
    duration = 0;
}
