#include "audio/RateConverter.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <numeric>

namespace {
constexpr int32_t kCdRate = 44100;
constexpr int32_t kDropPeriod = 13;  // 48000 Hz: of each 13 frames the 13th goes

enum class RuleKind { kCopy, kDrop, kRepeat };

struct Rule {
    RuleKind kind;
    int32_t step = 1;
    int32_t period = 1;
};

Rule RuleFor(int32_t rate) {
    switch (rate) {
        case 44100:
            return {RuleKind::kCopy};
        case 48000:
            return {RuleKind::kDrop};
        case 32000:
            return {RuleKind::kRepeat, 45, 62};
        case 24000:
            return {RuleKind::kRepeat, 37, 68};
        case 22050:
            return {RuleKind::kRepeat, 1, 2};
        case 16000:
            return {RuleKind::kRepeat, 41, 113};
        case 11025:
            // Four times each frame: exact, where passing the frames on unchanged would
            // play the song four times too fast.
            return {RuleKind::kRepeat, 1, 4};
        default:
            break;
    }
    // The MPEG-2.5 rates (8000, 12000) only reach us from frames inside a file whose
    // first frame had another rate; they are repeated at their exact ratio.
    if (rate > 0 && rate < kCdRate) {
        int32_t g = std::gcd(rate, kCdRate);
        return {RuleKind::kRepeat, rate / g, kCdRate / g};
    }
    return {RuleKind::kCopy};
}

// One stereo frame as it lies in memory: the left sample at the lower address.
template <int Channels>
inline uint32_t FrameAt(const uint8_t* pcm, int32_t i) {
    if constexpr (Channels == 2) {
        uint32_t frame;
        std::memcpy(&frame, pcm + 4 * static_cast<size_t>(i), 4);
        return frame;
    } else {
        uint16_t sample;
        std::memcpy(&sample, pcm + 2 * static_cast<size_t>(i), 2);
        return uint32_t{sample} | (uint32_t{sample} << 16);
    }
}

inline void PutFrame(uint8_t* out, int32_t j, uint32_t frame) {
    std::memcpy(out + 4 * static_cast<size_t>(j), &frame, 4);
}

template <int Channels>
int32_t CopyFrames(const uint8_t* pcm, int32_t frames, uint8_t* out, int32_t maxFrames) {
    int32_t n = std::min(frames, maxFrames);
    if constexpr (Channels == 2) {
        std::memcpy(out, pcm, 4 * static_cast<size_t>(n));
    } else {
        for (int32_t i = 0; i < n; ++i) PutFrame(out, i, FrameAt<1>(pcm, i));
    }
    return n;
}

template <int Channels>
int32_t DropFrames(const uint8_t* pcm, int32_t frames, uint8_t* out, int32_t maxFrames,
                   std::atomic<int32_t>& counter) {
    // Claim this chunk's stretch of the count in one step, so two decoders running at
    // once (which the program never does) would still count every frame once.
    int32_t first = counter.load(std::memory_order_relaxed);
    while (!counter.compare_exchange_weak(first, (first + frames) % kDropPeriod,
                                          std::memory_order_relaxed)) {
    }
    int32_t c = first;
    int32_t written = 0;
    for (int32_t i = 0; i < frames && written < maxFrames; ++i) {
        if (c == kDropPeriod - 1) {
            c = 0;
            continue;
        }
        ++c;
        PutFrame(out, written++, FrameAt<Channels>(pcm, i));
    }
    return written;
}

template <int Channels>
int32_t RepeatFrames(const uint8_t* pcm, int32_t frames, uint8_t* out, int32_t maxFrames,
                     int32_t step, int32_t period, int32_t& accumulator) {
    // A frame is written until the accumulator, growing by step per write, reaches the
    // period.  With a phase below the step, as every phase left by this rule is, that is
    // `fewer` or `fewer + 1` times: one comparison instead of a division per frame.
    const int32_t fewer = period / step;
    int32_t acc = accumulator;
    int32_t written = 0;
    for (int32_t i = 0; i < frames; ++i) {
        int32_t times;
        if (acc + fewer * step < period)
            times = fewer + 1;
        else if (fewer == 1 || acc + (fewer - 1) * step < period)
            times = fewer;
        else
            times = (period - acc + step - 1) / step;  // a phase left by another rate
        if (times > maxFrames - written)
            break;
        uint32_t frame = FrameAt<Channels>(pcm, i);
        for (int32_t r = 0; r < times; ++r) PutFrame(out, written++, frame);
        acc += times * step - period;
    }
    accumulator = acc;
    return written;
}

template <int Channels>
int32_t ConvertFrames(const Rule& rule, const uint8_t* pcm, int32_t frames, uint8_t* out,
                      int32_t maxFrames, std::atomic<int32_t>& counter, int32_t& accumulator) {
    switch (rule.kind) {
        case RuleKind::kCopy:
            return CopyFrames<Channels>(pcm, frames, out, maxFrames);
        case RuleKind::kDrop:
            return DropFrames<Channels>(pcm, frames, out, maxFrames, counter);
        case RuleKind::kRepeat:
            return RepeatFrames<Channels>(pcm, frames, out, maxFrames, rule.step, rule.period,
                                          accumulator);
    }
    return 0;
}
}  // namespace

std::atomic<int32_t>& CRateConverter::DropCounter() {
    static std::atomic<int32_t> counter{0};
    return counter;
}

int32_t CRateConverter::Convert(const uint8_t* pcm, int32_t bytes, int32_t channels, int32_t rate,
                                uint8_t* out, int32_t outCapacity) {
    if (pcm == nullptr || out == nullptr || bytes <= 0 || outCapacity < 4 ||
        (channels != 1 && channels != 2))
        return 0;
    Rule rule = RuleFor(rate);
    // A rate change inside a file brings another period: keep the phase within it.
    if (rule.kind == RuleKind::kRepeat && (accumulator < 0 || accumulator >= rule.period))
        accumulator = 0;
    int32_t frames = bytes / (2 * channels);
    int32_t maxFrames = outCapacity / 4;
    int32_t written =
        channels == 2
            ? ConvertFrames<2>(rule, pcm, frames, out, maxFrames, dropCounter_, accumulator)
            : ConvertFrames<1>(rule, pcm, frames, out, maxFrames, dropCounter_, accumulator);
    if constexpr (std::endian::native == std::endian::big) {
        for (int32_t i = 0; i < 2 * written; ++i) std::swap(out[2 * i], out[2 * i + 1]);
    }
    return 4 * written;
}
