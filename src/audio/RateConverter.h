#pragma once
// Turns a song's decoded PCM (16-bit, one or two channels, at the file's own rate) into
// CD audio: 44100 Hz stereo, little-endian.  44100 Hz passes unchanged; every other rate
// goes through libsoxr at the exact ratio, with real filtering, so pitch and length stay
// right.  A mono song becomes the same sample left and right.
//
// One converter serves one song from its first chunk to Finish: the filter's state lives
// with the song, so a song converts to the same bytes wherever and however often it is
// decoded.  Reset starts the next song from nothing.  A change of rate or channel count
// inside a song ends the stretch before it (its filter tail included) and starts anew.
#include <cstddef>
#include <cstdint>
#include <vector>

struct soxr;

class CRateConverter {
  public:
    // libsoxr's medium (16-bit), high (20-bit) and very high (28-bit) presets.  High is
    // the one the program uses: below the noise of 16-bit audio, at a cost that keeps
    // decoding hundreds of times faster than real time (bench_decode shows all three).
    enum class Quality { kMedium, kHigh, kVeryHigh };

    explicit CRateConverter(Quality quality = Quality::kHigh) : quality_(quality) {}
    ~CRateConverter();
    CRateConverter(const CRateConverter&) = delete;
    CRateConverter& operator=(const CRateConverter&) = delete;

    // Forgets the song converted so far.
    void Reset();

    // Appends the CD audio of `bytes` of interleaved native-endian samples (`channels` 1
    // or 2) at `rate` to out.  A trailing partial frame is ignored.  False when the
    // resampler cannot be set up (no memory): nothing is appended then.
    bool Convert(const uint8_t* pcm, int32_t bytes, int32_t channels, int32_t rate,
                 std::vector<uint8_t>& out);

    // The end of the song: appends what the filter still holds.
    void Finish(std::vector<uint8_t>& out);

  private:
    bool Start(int32_t channels, int32_t rate);
    // Resamples frames (pcm nullptr: the end) and appends the result as CD audio.
    void Process(const uint8_t* pcm, size_t frames, std::vector<uint8_t>& out);

    Quality quality_;
    soxr* resampler_ = nullptr;  // none while the stretch is at 44100 Hz
    int32_t channels_ = 0;       // of the current stretch; 0 before the first chunk
    int32_t rate_ = 0;
    std::vector<int16_t> scratch_;  // the resampler's output before it becomes CD audio
};
