#pragma once
// One MP3 file as a CD audio source: inspection on Open (first frame, whole-second
// duration), decoding to 44100 Hz stereo on Read.
//
// Read feeds libmpg123 with blocks of the file (16384 bytes), takes at most 8192 bytes
// of PCM per decoder call, converts each chunk by CRateConverter and keeps what the
// caller did not take for the next Read.  The decoder handle and the buffers are made on
// the first Read, so an Open that only inspects (listing songs) stays cheap.
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>

#include "app/FileIo.h"
#include "audio/AudioSource.h"
#include "audio/RateConverter.h"

struct mpg123_handle_struct;

class CMp3Source : public CAudioSource {
  public:
    static constexpr int32_t kTagSize = 128;

    static constexpr int32_t kInputBlock = 16384;  // file bytes fed to the decoder at a time
    static constexpr int32_t kDecodeCap = 8192;    // PCM bytes asked of the decoder per call

    CMp3Source();
    ~CMp3Source() override;
    CMp3Source(const CMp3Source&) = delete;
    CMp3Source& operator=(const CMp3Source&) = delete;

    // 0 success, -1 the file cannot be opened, -2 no acceptable first frame.
    int32_t Open(const char* path) override;
    // Up to n bytes of CD audio; fewer only at the end of the file, and 0 from then on
    // (also before Open and after Close).  Never pads.
    int32_t Read(void* buffer, int32_t n) override;
    // Releases the file and the decoder; the object can be opened again.  The rate
    // converter's phase is kept, as it is from one file to the next.
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

    // The converter's phase (see CRateConverter), for tests.
    int32_t ConversionAccumulator() const { return converter_.accumulator; }

  private:
    struct CBuffers;

    // Reads the next block of the file into the input buffer; false at the end.
    bool FillInput();
    // Creates and opens the decoder in feeding mode; false when libmpg123 refuses.
    bool StartDecoder();
    // Takes the rate and channel count of the audio the decoder delivers from now on.
    void TakeFormat();

    // Offset of the first byte pair that passes the Layer III sync test, or -1.  The
    // bytes from there on (up to frame.size()) are copied to frame; got says how many.
    int64_t FindFirstFrame(std::array<uint8_t, 128>& frame, int64_t& got) const;

    CFile file_;
    int64_t firstFrame_ = -1;
    bool hasTag_ = false;
    std::array<uint8_t, kTagSize> tail_{};
    int64_t audioEnd_ = 0;  // the file's size without an ID3 version 1 tag: no audio after
    // The decoder restarts at the first frame on the first Read after Open.
    bool firstReadPending_ = false;

    // Decoding state, between Open and Close.
    mpg123_handle_struct* handle_ = nullptr;
    std::unique_ptr<CBuffers> buffers_;  // kept from one file to the next
    int64_t readAt_ = 0;                 // file offset of the next input block
    int32_t inputLength_ = 0;
    bool newInput_ = false;   // the input buffer holds bytes not yet handed to the decoder
    bool exhausted_ = false;  // a Read came up short: the file is done
    int32_t channels_ = 2;    // format of the PCM the decoder now delivers
    int32_t rate_ = 44100;
    int32_t carryOffset_ = 0;  // converted audio not yet delivered: buffers_->carry
    int32_t carryCount_ = 0;
    CRateConverter converter_;
};

// "%s - %s" (title, artist) from an ID3 version 1 tag at the end of the file; false
// when the file has none or cannot be opened.  out receives at most outSize - 1
// characters and a terminator (a 64-byte slot takes every possible title).
bool ReadId3Title(const char* path, char* out, size_t outSize = 64);

// The same from the 128 bytes of a tag already in memory; false unless they begin "TAG".
bool Id3TitleFromTag(const uint8_t* tag, char* out, size_t outSize);
