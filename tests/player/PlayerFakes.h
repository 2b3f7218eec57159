#pragma once
// Scripted stand-ins for the player's decoder, sound device and window.  The decoder and
// the device are called on the feeder thread while the test looks on, so they lock.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "audio/AudioSource.h"
#include "player/AudioOutput.h"
#include "player/PlayerView.h"
#include "support/TestPaths.h"

namespace playertest {

using testpaths::WaitUntil;

// The byte at offset i of the song "path": a pattern that tells songs and offsets apart.
inline uint8_t PatternByte(const std::string& path, int64_t i) {
    return static_cast<uint8_t>((i * 7 + static_cast<int64_t>(path.size()) * 31 + path.back()) &
                                0xFF);
}

// Songs of a given decoded length; other paths do not open.
class CScriptedSource : public CAudioSource {
  public:
    struct Song {
        int64_t bytes = 0;
        int32_t seconds = 0;
    };
    std::map<std::string, Song> songs;

    int32_t Open(const char* path) override {
        std::lock_guard<std::mutex> lock(mutex_);
        opened_.push_back(path);
        auto it = songs.find(path);
        if (it == songs.end())
            return -1;
        path_ = path;
        song_ = it->second;
        at_ = 0;
        reads_.clear();
        return 0;
    }
    int32_t Read(void* buffer, int32_t n) override {
        std::lock_guard<std::mutex> lock(mutex_);
        int32_t got = static_cast<int32_t>(std::clamp<int64_t>(song_.bytes - at_, 0, n));
        auto* out = static_cast<uint8_t*>(buffer);
        for (int32_t i = 0; i < got; ++i) out[i] = PatternByte(path_, at_ + i);
        at_ += got;
        reads_.push_back(got);
        return got;
    }
    void Close() override {
        std::lock_guard<std::mutex> lock(mutex_);
        ++closes_;
    }
    int32_t Duration() override { return song_.seconds; }

    std::vector<std::string> Opened() {
        std::lock_guard<std::mutex> lock(mutex_);
        return opened_;
    }
    std::vector<int32_t> Reads() {  // of the song opened last
        std::lock_guard<std::mutex> lock(mutex_);
        return reads_;
    }
    int32_t Closes() {
        std::lock_guard<std::mutex> lock(mutex_);
        return closes_;
    }

  private:
    std::mutex mutex_;
    std::vector<std::string> opened_;
    std::string path_;
    Song song_;
    int64_t at_ = 0;
    std::vector<int32_t> reads_;
    int32_t closes_ = 0;
};

// A device that keeps what it is given.  It hears each buffer at once (instant) or only
// when the test releases it (held).  Its pace in real time: bench_player_feeder.
class CScriptedOutput : public IAudioOutput {
  public:
    enum class Pace { kInstant, kHeld };

    explicit CScriptedOutput(Pace pace = Pace::kInstant) : pace_(pace) {}

    bool openFails = false;

    bool Open() override {
        std::lock_guard<std::mutex> lock(mutex_);
        ++opens_;
        if (openFails)
            return false;
        open_ = true;
        queued_ = heard_ = released_ = 0;
        return true;
    }
    bool Queue(const uint8_t* pcm, int32_t bytes) override {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!open_)
            return false;
        captured_.insert(captured_.end(), pcm, pcm + bytes);
        ++queued_;
        ++totalQueued_;
        maxOutstanding_ = std::max(maxOutstanding_, queued_ - HeardLocked());
        return true;
    }
    int32_t PlayedBuffers(std::chrono::milliseconds& recheckIn) override {
        std::lock_guard<std::mutex> lock(mutex_);
        const int32_t heard = HeardLocked();
        recheckIn = std::chrono::milliseconds(heard < queued_ ? 2 : 0);
        return heard;
    }
    void Stop() override {
        std::lock_guard<std::mutex> lock(mutex_);
        ++stops_;
        heard_ = queued_;
    }
    void Close() override {
        std::lock_guard<std::mutex> lock(mutex_);
        ++closes_;
        open_ = false;
    }

    // The test lets n more buffers be heard (held pace), or all from now on (-1).
    void Release(int32_t n) {
        std::lock_guard<std::mutex> lock(mutex_);
        released_ = n < 0 ? 1 << 30 : released_ + n;
    }

    std::vector<uint8_t> Captured() {
        std::lock_guard<std::mutex> lock(mutex_);
        return captured_;
    }
    int32_t Opens() { return Get(opens_); }
    int32_t Closes() { return Get(closes_); }
    int32_t Stops() { return Get(stops_); }
    int32_t TotalQueued() { return Get(totalQueued_); }
    int32_t MaxOutstanding() { return Get(maxOutstanding_); }

  private:
    int32_t HeardLocked() {
        heard_ = pace_ == Pace::kInstant ? queued_ : std::max(heard_, std::min(released_, queued_));
        return heard_;
    }
    int32_t Get(const int32_t& v) {
        std::lock_guard<std::mutex> lock(mutex_);
        return v;
    }

    const Pace pace_;
    std::mutex mutex_;
    bool open_ = false;
    int32_t opens_ = 0, closes_ = 0, stops_ = 0;
    int32_t queued_ = 0, heard_ = 0, released_ = 0, totalQueued_ = 0, maxOutstanding_ = 0;
    std::vector<uint8_t> captured_;
};

// The window, as the player drives it (window thread only).
struct CRecordingView : IPlayerView {
    std::vector<std::string> names, times, titles;
    int32_t clockPeriod = 0;    // milliseconds of the running clock, 0 when stopped
    int32_t delayedStart = -1;  // milliseconds asked for, -1 when none is pending

    void SetNameLine(const std::string& text) override { names.push_back(text); }
    void SetTimeLine(const std::string& text) override { times.push_back(text); }
    void SetWindowTitle(const std::string& text) override { titles.push_back(text); }
    void StartClock(int32_t milliseconds) override { clockPeriod = milliseconds; }
    void StopClock() override { clockPeriod = 0; }
    void StartDelayedStart(int32_t milliseconds) override { delayedStart = milliseconds; }
    void CancelDelayedStart() override { delayedStart = -1; }
};

// "N. title" and the 56 blanks after it.
inline std::string NameLine(int32_t number, const std::string& title) {
    return std::to_string(number) + ". " + title + std::string(56, ' ');
}

}  // namespace playertest
