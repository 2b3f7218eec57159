#pragma once
// One MP3 file as a CD audio source: inspection on Open (first frame, whole-second
// duration), decoding to 44100 Hz stereo on Read.
#include <array>
#include <cstddef>
#include <cstdint>

#include "app/FileIo.h"
#include "audio/AudioSource.h"

class CMp3Source : public CAudioSource {
  public:
    static constexpr int32_t kTagSize = 128;

    CMp3Source() = default;
    ~CMp3Source() override { Close(); }
    CMp3Source(const CMp3Source&) = delete;
    CMp3Source& operator=(const CMp3Source&) = delete;

    // 0 success, -1 the file cannot be opened, -2 no acceptable first frame.
    int32_t Open(const char* path) override;
    int32_t Read(void* buffer, int32_t n) override;
    void Close() override;
    int32_t Duration() override { return duration; }

    // The file's last 128 bytes when they are an ID3 version 1 tag, as seen by Open;
    // nullptr otherwise.  Saves a second pass over the file when listing songs.
    const uint8_t* Id3v1Tag() const { return hasTag_ ? tail_.data() : nullptr; }
    // Offset of the first frame in the file, after a successful Open.
    int64_t FirstFrameOffset() const { return firstFrame_; }

    // Results of inspection.
    bool mono = false;
    int32_t sampleRate = 0;  // 44100, 48000, 32000, 24000, 22050, 16000 or 11025 after Open
    int32_t bitRate = 0;     // bits per second, from the first frame
    int32_t duration = 0;    // whole seconds

  private:
    // Offset of the first byte pair that passes the Layer III sync test, or -1.  The
    // bytes from there on (up to frame.size()) are copied to frame; got says how many.
    int64_t FindFirstFrame(std::array<uint8_t, 128>& frame, int64_t& got) const;

    CFile file_;
    int64_t firstFrame_ = -1;
    bool hasTag_ = false;
    std::array<uint8_t, kTagSize> tail_{};
    // The decoder restarts at the first frame on the first Read after Open.
    bool firstReadPending_ = false;
};

// "%s - %s" (title, artist) from an ID3 version 1 tag at the end of the file; false
// when the file has none or cannot be opened.  out receives at most outSize - 1
// characters and a terminator (a 64-byte slot takes every possible title).
bool ReadId3Title(const char* path, char* out, size_t outSize = 64);

// The same from the 128 bytes of a tag already in memory; false unless they begin "TAG".
bool Id3TitleFromTag(const uint8_t* tag, char* out, size_t outSize);
