#pragma once
// A sound device without sound that hears each buffer in its playing time after the one
// before, as a sound card does: the feeder benchmark measures the player against it, and
// the screenshot program shows the player playing on a machine with no sound card.
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <vector>

#include "player/AudioOutput.h"

inline double ThreadCpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_THREAD, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Hears each buffer in its playing time after the one before, as a sound card does; notes
// the feeder thread's CPU time when the player closes it.
class CPacedOutput : public IAudioOutput {
  public:
    using Clock = std::chrono::steady_clock;

    bool Open() override {
        std::lock_guard<std::mutex> lock(mutex_);
        ends_.clear();
        opened_ = Clock::now();
        return true;
    }
    bool Queue(const uint8_t*, int32_t bytes) override {
        std::lock_guard<std::mutex> lock(mutex_);
        const Clock::time_point now = Clock::now();
        const Clock::time_point start = ends_.empty() ? now : std::max(now, ends_.back());
        ends_.push_back(start + std::chrono::microseconds(
                                    static_cast<int64_t>(bytes * 1e6 / (kRate * kBytesPerFrame))));
        return true;
    }
    int32_t PlayedBuffers(std::chrono::milliseconds& recheckIn) override {
        std::lock_guard<std::mutex> lock(mutex_);
        const Clock::time_point now = Clock::now();
        size_t heard = 0;
        while (heard < ends_.size() && ends_[heard] <= now) ++heard;
        recheckIn = heard < ends_.size()
                        ? std::chrono::ceil<std::chrono::milliseconds>(ends_[heard] - now)
                        : std::chrono::milliseconds(0);
        return static_cast<int32_t>(heard);
    }
    void Stop() override {}
    void Close() override {
        const double cpu = ThreadCpuSeconds();
        std::lock_guard<std::mutex> lock(mutex_);
        feederCpu = cpu;
        playing = std::chrono::duration<double>(Clock::now() - opened_).count();
    }
    double feederCpu = 0, playing = 0;

  private:
    std::mutex mutex_;
    std::vector<Clock::time_point> ends_;
    Clock::time_point opened_;
};
