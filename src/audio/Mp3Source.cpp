#include "audio/Mp3Source.h"

#include <mpg123.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>
#include <mutex>
#include <system_error>

#include "audio/CdSamples.h"
#include "audio/TagTitle.h"

// Pieces of PCM as the decoder gave them, each with the format it came in.
struct CMp3Source::CBatch {
    struct Piece {
        int32_t at, bytes, channels, rate;
    };
    alignas(16) std::array<uint8_t, size_t{kBatchPieces} * kDecodeCap> pcm;
    std::array<Piece, kBatchPieces> pieces;
    int32_t count = 0;
    int32_t used = 0;   // bytes of pcm
    bool last = false;  // the file ends with this batch
};

struct CMp3Source::CBuffers {
    alignas(16) std::array<uint8_t, kInputBlock> input;
    std::array<CBatch, kBatches> batches;
};

namespace {
// Room for what one batch becomes at 44100 Hz, so the staging buffer of most songs never
// grows after its first use (slower rates grow it once).
constexpr size_t kStagedReserve = size_t{CMp3Source::kBatchPieces} * CMp3Source::kDecodeCap;
}  // namespace

CMp3Source::CMp3Source() = default;

CMp3Source::~CMp3Source() {
    Close();
}

int32_t CMp3Source::Open(const char* path) {
    Close();
    if (!file_.OpenForReading(path))
        return -1;
    if (layout_.Inspect(file_) != 0) {
        Close();
        return -2;
    }
    mono = layout_.header.mono;
    sampleRate = layout_.header.sampleRate;
    bitRate = layout_.header.bitRate;
    duration = static_cast<int32_t>(
        std::min<int64_t>(layout_.seconds, std::numeric_limits<int32_t>::max()));
    cdFrames = sampleRate == cdsamples::kRate
                   ? layout_.samples
                   : (2 * layout_.samples * cdsamples::kRate + sampleRate) / (2 * sampleRate);
    readAt_ = layout_.decodeFrom;
    channels_ = mono ? 1 : 2;
    rate_ = sampleRate;
    firstReadPending_ = true;
    return 0;
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
    // next frame however long they are, and the library keeps quiet about them.  Its
    // gapless decoding (on by default) removes the encoder delay and padding that a LAME
    // tag records, which the length counts on.
    bool ok =
        mpg123_param(handle_, MPG123_ADD_FLAGS, MPG123_QUIET | MPG123_GAPLESS, 0) == MPG123_OK &&
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
    staged_.reserve(kStagedReserve);
    return true;
}

bool CMp3Source::FillInput() {
    int64_t want = std::min<int64_t>(kInputBlock, layout_.audioEnd - readAt_);
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
    for (;;) {
        size_t left = staged_.size() - stagedAt_;
        if (left > 0) {
            auto take =
                static_cast<int32_t>(std::min<size_t>(left, static_cast<size_t>(n - delivered)));
            std::memcpy(out + delivered, staged_.data() + stagedAt_, static_cast<size_t>(take));
            stagedAt_ += static_cast<size_t>(take);
            delivered += take;
            if (delivered == n)
                return n;
        }
        staged_.clear();
        stagedAt_ = 0;
        if (!DecodeMore()) {
            exhausted_ = true;
            return delivered;
        }
    }
}

bool CMp3Source::DecodeStep(CBatch& batch) {
    auto& piece = batch.pieces[static_cast<size_t>(batch.count)];
    size_t got = 0;
    int status = mpg123_decode(handle_, newInput_ ? buffers_->input.data() : nullptr,
                               newInput_ ? static_cast<size_t>(inputLength_) : 0,
                               batch.pcm.data() + batch.used, kDecodeCap, &got);
    newInput_ = false;

    // The library hands out audio with "frame done" and with "need more input" alike:
    // every byte it gives counts, whatever the status.  It is in the format of the
    // frames before an announced change.
    if (got > 0) {
        piece = {batch.used, static_cast<int32_t>(got), channels_, rate_};
        batch.used += static_cast<int32_t>(got);
        ++batch.count;
    }
    // A format change is announced before the frame that brings it.  Two announcements
    // in a row without audio between them would mean a library that no longer makes
    // progress: more input is fed instead of asking again.
    bool feed = false;
    if (status == MPG123_NEW_FORMAT && !(emptyAnnouncement_ && got == 0)) {
        TakeFormat();
    } else {
        // Needs more input, or a decoding error: either way the file goes on being fed
        // until a frame decodes again or the file ends.
        feed = status != MPG123_OK || got == 0;
    }
    emptyAnnouncement_ = status == MPG123_NEW_FORMAT && got == 0;
    return !feed || FillInput();
}

void CMp3Source::FillBatch(CBatch& batch) {
    batch.count = 0;
    batch.used = 0;
    batch.last = false;
    while (batch.count < kBatchPieces && !stop_.load(std::memory_order_relaxed))
        if (!DecodeStep(batch)) {
            batch.last = true;
            return;
        }
}

void CMp3Source::DecodeAhead() {
    for (int64_t next = 0;; ++next) {
        {
            std::unique_lock lock(mutex_);
            changed_.wait(lock, [&] { return stop_ || next - released_ < kBatches; });
            if (stop_)
                return;
        }
        // The slot is this thread's until it is counted as filled.
        CBatch& batch = buffers_->batches[static_cast<size_t>(next % kBatches)];
        FillBatch(batch);
        {
            std::lock_guard lock(mutex_);
            filled_ = next + 1;
        }
        changed_.notify_all();
        if (batch.last)
            return;
    }
}

void CMp3Source::StopDecoding() {
    if (!decoding_.joinable())
        return;
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    changed_.notify_all();
    decoding_.join();
}

bool CMp3Source::DecodeMore() {
    if (ended_)
        return false;
    if (firstReadPending_) {
        firstReadPending_ = false;
        converter_.Reset();
        if (!StartDecoder() || !FillInput()) {
            ended_ = true;
            return false;
        }
        filled_ = 0;
        released_ = 0;
        stop_ = false;
        try {
            decoding_ = std::thread([this] { DecodeAhead(); });
        } catch (const std::system_error&) {
            // No thread to be had: this one decodes each batch before converting it.
        }
    }
    const int64_t index = released_;
    CBatch& batch = buffers_->batches[static_cast<size_t>(index % kBatches)];
    if (decoding_.joinable()) {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return filled_ > index; });
    } else {
        FillBatch(batch);
    }
    bool ok = true;
    for (int32_t i = 0; ok && i < batch.count; ++i) {
        const auto& piece = batch.pieces[static_cast<size_t>(i)];
        ok = converter_.Convert(batch.pcm.data() + piece.at, piece.bytes, piece.channels,
                                piece.rate, staged_);
    }
    const bool last = batch.last;
    {
        std::lock_guard lock(mutex_);
        released_ = index + 1;
    }
    changed_.notify_all();
    if (!ok) {
        ended_ = true;
        return false;
    }
    if (last) {
        converter_.Finish(staged_);
        ended_ = true;
    }
    return true;
}

bool CMp3Source::TagTitle(std::string& title) const {
    return ReadTagTitle(file_, layout_, title);
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
    StopDecoding();
    if (handle_ != nullptr) {
        mpg123_delete(handle_);
        handle_ = nullptr;
    }
    converter_.Reset();
    inputLength_ = 0;
    newInput_ = false;
    emptyAnnouncement_ = false;
    ended_ = false;
    exhausted_ = false;
    staged_.clear();
    stagedAt_ = 0;
    readAt_ = 0;
    channels_ = 2;
    rate_ = 44100;
    file_.Close();
    layout_ = CMp3Layout();
    firstReadPending_ = false;
    mono = false;
    sampleRate = 0;
    bitRate = 0;
    duration = 0;
    cdFrames = 0;
}
