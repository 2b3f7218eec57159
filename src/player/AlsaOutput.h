#pragma once
// The sound device through ALSA's PCM "default", through which PipeWire and PulseAudio
// play as well.
//
// What has been heard is the frames written less those the device still holds
// (snd_pcm_delay).  The device's ring is asked for a second of audio, so three
// quarter-second buffers fit without waiting; with a smaller ring Queue waits on the
// device itself.  No call waits without bound: a device that stops taking audio fails
// Queue, and a buffer that is still not heard well after it should have been counts as
// played.  Used from one thread at a time.
#include <chrono>
#include <cstdint>
#include <deque>
#include <string>

#include "player/AudioOutput.h"

typedef struct _snd_pcm snd_pcm_t;

class CAlsaOutput : public IAudioOutput {
  public:
    explicit CAlsaOutput(std::string device = "default");
    ~CAlsaOutput() override;
    CAlsaOutput(const CAlsaOutput&) = delete;
    CAlsaOutput& operator=(const CAlsaOutput&) = delete;

    // Says on stderr why when the device cannot be had.
    bool Open() override;
    bool Queue(const uint8_t* pcm, int32_t bytes) override;
    int32_t PlayedBuffers(std::chrono::milliseconds& recheckIn) override;
    void Stop() override;
    void Close() override;

  private:
    using Clock = std::chrono::steady_clock;
    struct Pending {
        int64_t endFrame;          // frames written up to the end of the buffer
        Clock::time_point giveUp;  // counted as played from then on, heard or not
    };

    // Hardware and software parameters for CD audio; a negative ALSA error on failure.
    int Configure();
    void Diagnose(const char* what, int error) const;

    std::string device_;
    snd_pcm_t* pcm_ = nullptr;
    int64_t framesWritten_ = 0;
    int32_t queued_ = 0;
    int32_t played_ = 0;
    std::deque<Pending> pending_;
    Clock::time_point expectedEnd_{};  // when everything written should have been heard
};
