#include "player/AlsaOutput.h"

#include <alsa/asoundlib.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <memory>

namespace {
constexpr snd_pcm_uframes_t kPeriodFrames = IAudioOutput::kRate / 4;
constexpr snd_pcm_uframes_t kRingFrames = IAudioOutput::kRate;
// How long a device may take no audio at all before Queue gives up on it, and how much
// later than expected a buffer may be heard before it counts as played anyway.
constexpr auto kStall = std::chrono::seconds(2);
constexpr auto kGrace = std::chrono::seconds(2);
constexpr int kWaitSliceMs = 100;

struct HwParamsDeleter {
    void operator()(snd_pcm_hw_params_t* p) const { snd_pcm_hw_params_free(p); }
};
struct SwParamsDeleter {
    void operator()(snd_pcm_sw_params_t* p) const { snd_pcm_sw_params_free(p); }
};
}  // namespace

CAlsaOutput::CAlsaOutput(std::string device) : device_(std::move(device)) {}

CAlsaOutput::~CAlsaOutput() {
    Close();
}

void CAlsaOutput::Diagnose(const char* what, int error) const {
    std::fprintf(stderr, "tunevarn: sound device \"%s\": %s: %s\n", device_.c_str(), what,
                 snd_strerror(error));
}

bool CAlsaOutput::Open() {
    Close();
    // Non-blocking, so that a device held by another program fails at once instead of
    // freezing the window, and so that every wait below has a limit.
    snd_pcm_t* pcm = nullptr;
    int err = snd_pcm_open(&pcm, device_.c_str(), SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK);
    if (err < 0) {
        Diagnose("cannot open it", err);
        return false;
    }
    pcm_ = pcm;
    err = Configure();
    if (err < 0) {
        Diagnose("cannot set it up for CD audio", err);
        Close();
        return false;
    }
    framesWritten_ = 0;
    queued_ = 0;
    played_ = 0;
    pending_.clear();
    expectedEnd_ = Clock::now();
    return true;
}

int CAlsaOutput::Configure() {
    snd_pcm_hw_params_t* rawHw = nullptr;
    int err = snd_pcm_hw_params_malloc(&rawHw);
    if (err < 0)
        return err;
    std::unique_ptr<snd_pcm_hw_params_t, HwParamsDeleter> hw(rawHw);
    unsigned int rate = kRate;
    snd_pcm_uframes_t period = kPeriodFrames;
    snd_pcm_uframes_t ring = kRingFrames;
    int dir = 0;
    if ((err = snd_pcm_hw_params_any(pcm_, hw.get())) < 0 ||
        (err = snd_pcm_hw_params_set_rate_resample(pcm_, hw.get(), 1)) < 0 ||
        (err = snd_pcm_hw_params_set_access(pcm_, hw.get(), SND_PCM_ACCESS_RW_INTERLEAVED)) < 0 ||
        (err = snd_pcm_hw_params_set_format(pcm_, hw.get(), SND_PCM_FORMAT_S16_LE)) < 0 ||
        (err = snd_pcm_hw_params_set_channels(pcm_, hw.get(), kChannels)) < 0 ||
        (err = snd_pcm_hw_params_set_rate_near(pcm_, hw.get(), &rate, &dir)) < 0)
        return err;
    if (rate != static_cast<unsigned int>(kRate))
        return -EINVAL;
    // Sizes are wishes: whatever the device grants works, only the waits differ.
    snd_pcm_hw_params_set_period_size_near(pcm_, hw.get(), &period, &dir);
    snd_pcm_hw_params_set_buffer_size_near(pcm_, hw.get(), &ring);
    if ((err = snd_pcm_hw_params(pcm_, hw.get())) < 0)
        return err;
    snd_pcm_hw_params_get_period_size(hw.get(), &period, &dir);

    snd_pcm_sw_params_t* rawSw = nullptr;
    if ((err = snd_pcm_sw_params_malloc(&rawSw)) < 0)
        return err;
    std::unique_ptr<snd_pcm_sw_params_t, SwParamsDeleter> sw(rawSw);
    // Playing starts with the first frame written: a song shorter than the ring must be
    // heard too, and it must end without an explicit start.
    if ((err = snd_pcm_sw_params_current(pcm_, sw.get())) < 0 ||
        (err = snd_pcm_sw_params_set_start_threshold(pcm_, sw.get(), 1)) < 0 ||
        (err = snd_pcm_sw_params_set_avail_min(pcm_, sw.get(), period)) < 0 ||
        (err = snd_pcm_sw_params(pcm_, sw.get())) < 0)
        return err;
    return 0;
}

bool CAlsaOutput::Queue(const uint8_t* pcm, int32_t bytes) {
    if (pcm_ == nullptr)
        return false;
    const uint8_t* at = pcm;
    auto left = static_cast<snd_pcm_uframes_t>(std::max(bytes, 0) / kBytesPerFrame);
    const auto frames = static_cast<int64_t>(left);
    auto lastProgress = Clock::now();
    while (left > 0) {
        snd_pcm_sframes_t n = snd_pcm_writei(pcm_, at, left);
        if (n > 0) {
            at += n * kBytesPerFrame;
            left -= static_cast<snd_pcm_uframes_t>(n);
            lastProgress = Clock::now();
            continue;
        }
        if (Clock::now() - lastProgress > kStall) {
            Diagnose("it takes no more audio", n < 0 ? static_cast<int>(n) : -EIO);
            return false;
        }
        if (n == 0 || n == -EAGAIN) {
            // The ring is full: the device's own wait, until a period has room.
            snd_pcm_wait(pcm_, kWaitSliceMs);
            continue;
        }
        // An underrun (the decoder fell behind) or a suspended device: everything written
        // before has been heard; start again from here.
        int err = snd_pcm_recover(pcm_, static_cast<int>(n), 1);
        if (err < 0) {
            Diagnose("playing failed", err);
            return false;
        }
    }
    framesWritten_ += frames;
    ++queued_;
    auto now = Clock::now();
    expectedEnd_ =
        std::max(expectedEnd_, now) + std::chrono::microseconds(frames * 1'000'000 / kRate);
    pending_.push_back({framesWritten_, expectedEnd_ + kGrace});
    return true;
}

int32_t CAlsaOutput::PlayedBuffers(std::chrono::milliseconds& recheckIn) {
    recheckIn = std::chrono::milliseconds(0);
    if (pcm_ == nullptr)
        return queued_;
    snd_pcm_sframes_t held = 0;
    snd_pcm_state_t state = snd_pcm_state(pcm_);
    if (state == SND_PCM_STATE_RUNNING || state == SND_PCM_STATE_PREPARED ||
        state == SND_PCM_STATE_DRAINING) {
        // After an underrun the device is in another state and holds nothing.
        if (snd_pcm_delay(pcm_, &held) < 0 || held < 0)
            held = 0;
        if (state == SND_PCM_STATE_PREPARED && held > 0)
            snd_pcm_start(pcm_);
    }
    const int64_t heard = framesWritten_ - std::min<int64_t>(held, framesWritten_);
    const auto now = Clock::now();
    while (!pending_.empty() &&
           (pending_.front().endFrame <= heard || now >= pending_.front().giveUp)) {
        pending_.pop_front();
        ++played_;
    }
    if (!pending_.empty()) {
        int64_t frames = pending_.front().endFrame - heard;
        int64_t ms = (frames * 1000 + kRate - 1) / kRate;
        recheckIn = std::chrono::milliseconds(std::clamp<int64_t>(ms, 1, 250));
    }
    return played_;
}

void CAlsaOutput::Stop() {
    if (pcm_ == nullptr)
        return;
    snd_pcm_drop(pcm_);
    // Ready for more, should anyone queue again.
    snd_pcm_prepare(pcm_);
    pending_.clear();
    played_ = queued_;
    expectedEnd_ = Clock::now();
}

void CAlsaOutput::Close() {
    if (pcm_ == nullptr)
        return;
    snd_pcm_drop(pcm_);
    snd_pcm_close(pcm_);
    pcm_ = nullptr;
    pending_.clear();
    played_ = queued_;
}
