#pragma once
// The sound device as the player uses it: CD audio (44100 Hz, 16-bit, stereo) queued in
// buffers that play one after the other.  The player decides how much is queued; the
// device only says how much of it has been heard.
#include <chrono>
#include <cstdint>

#include "audio/CdSamples.h"

class IAudioOutput {
  public:
    static constexpr int32_t kRate = cdsamples::kRate;
    static constexpr int32_t kChannels = 2;
    static constexpr int32_t kBytesPerFrame = 4;

    virtual ~IAudioOutput() = default;

    // Opens the default device for CD audio.  False when no device can be had.
    virtual bool Open() = 0;
    // Queues bytes (whole frames) to play after everything queued before.  The bytes have
    // been taken when the call returns, so the caller may reuse its buffer.  False when
    // the device fails; nothing more should then be queued.
    virtual bool Queue(const uint8_t* pcm, int32_t bytes) = 0;
    // How many of the buffers queued since Open have been played out.  While some are
    // still playing, recheckIn says how long to wait before asking again.
    virtual int32_t PlayedBuffers(std::chrono::milliseconds& recheckIn) = 0;
    // Throws away whatever is queued, at once.
    virtual void Stop() = 0;
    // Releases the device; Open may be called again.
    virtual void Close() = 0;
};
