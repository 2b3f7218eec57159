#include "audio/RateConverter.h"

#include <soxr.h>

#include <bit>
#include <cstring>

#include "audio/CdSamples.h"

namespace {
constexpr size_t kOutputStep = 4096;  // frames asked of the resampler per call

unsigned long Recipe(CRateConverter::Quality quality) {
    switch (quality) {
        case CRateConverter::Quality::kMedium:
            return SOXR_MQ;
        case CRateConverter::Quality::kVeryHigh:
            return SOXR_VHQ;
        case CRateConverter::Quality::kHigh:
            break;
    }
    return SOXR_HQ;
}

int16_t SampleAt(const uint8_t* bytes, size_t i) {
    int16_t s;
    std::memcpy(&s, bytes + 2 * i, 2);
    return s;
}

// Appends frames of native-endian samples (channels 1 or 2) as little-endian stereo.
void AppendStereo(const uint8_t* samples, size_t frames, int32_t channels,
                  std::vector<uint8_t>& out) {
    if (frames == 0)
        return;
    size_t at = out.size();
    out.resize(at + 4 * frames);
    uint8_t* p = out.data() + at;
    if (channels == 2 && std::endian::native == std::endian::little) {
        std::memcpy(p, samples, 4 * frames);  // already CD audio
        return;
    }
    for (size_t i = 0; i < frames; ++i) {
        auto left = static_cast<uint16_t>(SampleAt(samples, i * channels));
        auto right = static_cast<uint16_t>(SampleAt(samples, i * channels + channels - 1));
        p[0] = static_cast<uint8_t>(left & 0xFF);
        p[1] = static_cast<uint8_t>(left >> 8);
        p[2] = static_cast<uint8_t>(right & 0xFF);
        p[3] = static_cast<uint8_t>(right >> 8);
        p += 4;
    }
}
}  // namespace

CRateConverter::~CRateConverter() {
    Reset();
}

void CRateConverter::Reset() {
    if (resampler_ != nullptr)
        soxr_delete(resampler_);
    resampler_ = nullptr;
    channels_ = 0;
    rate_ = 0;
}

bool CRateConverter::Start(int32_t channels, int32_t rate) {
    channels_ = channels;
    rate_ = rate;
    if (rate == cdsamples::kRate)
        return true;
    soxr_io_spec_t io = soxr_io_spec(SOXR_INT16_I, SOXR_INT16_I);
    // Dither would draw random numbers: a song would never convert to the same bytes twice.
    io.flags = SOXR_NO_DITHER;
    soxr_quality_spec_t quality = soxr_quality_spec(Recipe(quality_), 0);
    // One thread: level analysis already runs one decoder per core.
    soxr_runtime_spec_t runtime = soxr_runtime_spec(1);
    soxr_error_t error = nullptr;
    resampler_ = soxr_create(rate, cdsamples::kRate, static_cast<unsigned>(channels), &error, &io,
                             &quality, &runtime);
    if (resampler_ == nullptr || error != nullptr) {
        if (resampler_ != nullptr)
            soxr_delete(resampler_);
        resampler_ = nullptr;
        channels_ = 0;
        rate_ = 0;
        return false;
    }
    return true;
}

bool CRateConverter::Convert(const uint8_t* pcm, int32_t bytes, int32_t channels, int32_t rate,
                             std::vector<uint8_t>& out) {
    if (pcm == nullptr || bytes <= 0 || (channels != 1 && channels != 2) || rate <= 0)
        return true;
    size_t frames = static_cast<size_t>(bytes) / (2 * static_cast<size_t>(channels));
    if (frames == 0)
        return true;
    if (channels != channels_ || rate != rate_) {
        Finish(out);
        if (!Start(channels, rate))
            return false;
    }
    if (resampler_ == nullptr)
        AppendStereo(pcm, frames, channels, out);
    else
        Process(pcm, frames, out);
    return true;
}

void CRateConverter::Finish(std::vector<uint8_t>& out) {
    if (resampler_ != nullptr)
        Process(nullptr, 0, out);
    Reset();
}

void CRateConverter::Process(const uint8_t* pcm, size_t frames, std::vector<uint8_t>& out) {
    // Stereo comes out of the resampler as CD audio already on a little-endian machine:
    // straight into out.  Mono is doubled on the way.
    const bool direct = channels_ == 2 && std::endian::native == std::endian::little;
    scratch_.resize(direct ? 0 : kOutputStep * static_cast<size_t>(channels_));
    for (;;) {
        size_t used = 0, made = 0;
        if (direct) {
            size_t at = out.size();
            out.resize(at + 4 * kOutputStep);
            soxr_process(resampler_, pcm, frames, &used, out.data() + at, kOutputStep, &made);
            out.resize(at + 4 * made);
        } else {
            soxr_process(resampler_, pcm, frames, &used, scratch_.data(), kOutputStep, &made);
            AppendStereo(reinterpret_cast<const uint8_t*>(scratch_.data()), made, channels_, out);
        }
        if (pcm != nullptr) {
            pcm += used * 2 * static_cast<size_t>(channels_);
            frames -= used;
            // All input taken and the output not cut short: nothing more to fetch now.
            if (frames == 0 && made < kOutputStep)
                break;
        } else if (made == 0) {
            break;  // the filter's tail is out
        }
    }
}
