#pragma once
// Turns one chunk of decoded PCM (16-bit, one or two channels, at the file's own rate)
// into CD audio: 44100 Hz stereo.  The rules are fixed-ratio repetition and dropping,
// not filtering, so the result is the same to the bit on every machine:
//
//   44100  unchanged                48000  of every 13 frames the 13th is dropped
//   32000  repetition 45 / 62       24000  repetition 37 / 68
//   22050  repetition 1 / 2         16000  repetition 41 / 113
//   11025  repetition 1 / 4         other rates below 44100: exact repetition
//
// Repetition with step s and period P writes each input frame P/s times on average; the
// accumulator carries the phase from one chunk to the next (and from one file to the
// next), so chunk boundaries leave no seam.  The 48000 Hz drop counter is one for the
// whole process.
#include <atomic>
#include <cstdint>

class CRateConverter {
  public:
    // The largest decoded chunk we hand in, and the largest result it can give: 4096
    // mono samples at 8000 Hz, the slowest rate an MPEG decoder produces, written
    // 44100/8000 times each, plus one frame of phase.
    static constexpr int32_t kMaxInputBytes = 8192;
    static constexpr int32_t kMaxOutputBytes = 4 * ((kMaxInputBytes / 2) * 441 / 80 + 2);

    // The process-wide counter of the 48000 Hz rule, 0 to 12.
    static std::atomic<int32_t>& DropCounter();

    // A converter that counts its 48000 Hz frames on `dropCounter` (tests give their own).
    explicit CRateConverter(std::atomic<int32_t>& dropCounter = DropCounter())
        : dropCounter_(dropCounter) {}

    // Converts `bytes` of interleaved native-endian samples (`channels` 1 or 2) at `rate`
    // to little-endian 44100 Hz stereo in out, writing at most outCapacity bytes (whole
    // frames).  Returns the bytes written.  A trailing partial frame is ignored.
    int32_t Convert(const uint8_t* pcm, int32_t bytes, int32_t channels, int32_t rate, uint8_t* out,
                    int32_t outCapacity);

    // Position within the current input frame of the repetition rules, 0 to period - 1.
    int32_t accumulator = 0;

  private:
    std::atomic<int32_t>& dropCounter_;
};
