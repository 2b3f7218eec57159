#pragma once
// One MP3 file as a CD audio source: inspection on Open (tags, first frame, length in
// whole seconds), decoding to 44100 Hz stereo on Read.
//
// Decoding runs ahead of the reader on a thread of its own: it feeds libmpg123 with
// blocks of the file (16384 bytes) from the first frame to the end of the audio and
// takes at most 8192 bytes of PCM per decoder call, a few batches of such pieces ahead.
// Read converts each piece by CRateConverter, on the caller's thread, and keeps what the
// caller did not take for the next Read.  So a burn, an export or the level analysis
// decodes on one core and converts, gains and writes on another.  The converter starts
// afresh with every Open and sees the same pieces in the same order whichever thread
// decoded them, so a song decodes to the same bytes whoever reads it and in whatever
// pieces.  When no thread can be started, Read decodes itself.  The decoder handle, the
// buffers and the thread are made on the first Read, so an Open that only inspects
// (listing songs) stays cheap; Close stops and joins the thread.
#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "audio/AudioSource.h"
#include "audio/Mp3Layout.h"
#include "audio/RateConverter.h"
#include "base/FileIo.h"

struct mpg123_handle_struct;

class CMp3Source : public CAudioSource {
  public:
    static constexpr int32_t kTagSize = CMp3Layout::kId3v1Size;

    static constexpr int32_t kInputBlock = 16384;  // file bytes fed to the decoder at a time
    static constexpr int32_t kDecodeCap = 8192;    // PCM bytes asked of the decoder per call
    static constexpr int32_t kBatchPieces = 32;    // decoder calls handed over at a time
    static constexpr int32_t kBatches = 3;         // batches decoded ahead at most

    CMp3Source();
    ~CMp3Source() override;
    CMp3Source(const CMp3Source&) = delete;
    CMp3Source& operator=(const CMp3Source&) = delete;

    // 0 success, -1 the file cannot be opened, -2 no acceptable first frame.
    int32_t Open(const char* path) override;
    // Up to n bytes of CD audio; fewer only at the end of the file, and 0 from then on
    // (also before Open and after Close).  Never pads.
    int32_t Read(void* buffer, int32_t n) override;
    // Releases the file and the decoder; the object can be opened again.
    void Close() override;
    int32_t Duration() override { return duration; }

    // The title the file's tags give, after a successful Open (see ReadTagTitle); false
    // when no tag gives one.  Reads only the tags' bytes.
    bool TagTitle(std::string& title) const;
    // The file's last 128 bytes when they are an ID3 version 1 tag, as seen by Open;
    // nullptr otherwise.
    const uint8_t* Id3v1Tag() const { return layout_.hasId3v1 ? layout_.id3v1.data() : nullptr; }
    // Offset of the first frame in the file, after a successful Open.
    int64_t FirstFrameOffset() const { return layout_.firstFrame; }
    const CMp3Layout& Layout() const { return layout_; }

    // Results of inspection.
    bool mono = false;
    int32_t sampleRate = 0;  // the first frame's: 8000 to 48000 Hz after Open
    int32_t bitRate = 0;     // bits per second, from the first frame
    int32_t duration = 0;    // whole seconds, rounded up
    // The exact length in CD frames (44100 Hz), as Read will deliver it: the decoder's
    // samples, converted as the rate converter rounds (to the nearest, halves up).
    int64_t cdFrames = 0;

  private:
    struct CBuffers;
    struct CBatch;

    // Reads the next block of the file into the input buffer; false at the end.
    bool FillInput();
    // Creates and opens the decoder in feeding mode; false when libmpg123 refuses.
    bool StartDecoder();
    // Takes the rate and channel count of the audio the decoder delivers from now on.
    void TakeFormat();
    // Decoder side: fills a batch with the next pieces of PCM; marks it the last when
    // the file is done.
    void FillBatch(CBatch& batch);
    // One decoder call, its PCM appended to the batch as a piece; false at the end of
    // the file.
    bool DecodeStep(CBatch& batch);
    // The decoding thread: fills batches while there is room, until the last or a stop.
    void DecodeAhead();
    // Reader side: converts the next batch into the staged CD audio; at the end of the
    // file, what the converter still holds.  False once nothing more can come.
    bool DecodeMore();
    // Stops the decoding thread, if one runs, and waits for it.
    void StopDecoding();

    CFile file_;
    CMp3Layout layout_;
    // The decoder restarts at the first frame on the first Read after Open.
    bool firstReadPending_ = false;

    // Decoding state, between Open and Close.  While the decoding thread runs, the
    // decoder, the input and the format below are its own; the batches pass between it
    // and the reader under mutex_.
    mpg123_handle_struct* handle_ = nullptr;
    std::unique_ptr<CBuffers> buffers_;  // kept from one file to the next
    int64_t readAt_ = 0;                 // file offset of the next input block
    int32_t inputLength_ = 0;
    bool newInput_ = false;           // the input buffer holds bytes not yet handed over
    bool emptyAnnouncement_ = false;  // the last call announced a format and gave nothing
    bool exhausted_ = false;          // a Read came up short: the file is done
    int32_t channels_ = 2;            // format of the PCM the decoder now delivers
    int32_t rate_ = 44100;
    std::thread decoding_;
    std::mutex mutex_;
    std::condition_variable changed_;  // a batch was filled or released, or stop_ was set
    int64_t filled_ = 0;               // batches filled so far (batch i in slot i % kBatches)
    int64_t released_ = 0;             // batches converted and given back
    // Set under mutex_ for the waits; also read between decoder calls, so that a Close
    // does not wait for a long damaged stretch to be searched through.
    std::atomic<bool> stop_{false};
    bool ended_ = false;           // the file is decoded and the converter emptied
    std::vector<uint8_t> staged_;  // converted audio not yet delivered, from stagedAt_
    size_t stagedAt_ = 0;
    CRateConverter converter_;
};

// "%s - %s" (title, artist) from an ID3 version 1 tag at the end of the file, the title
// alone when the artist is empty; false when the file has none, its title is empty, or
// it cannot be opened.  out receives at most outSize - 1 characters and a terminator (a
// 64-byte slot takes every possible title).
bool ReadId3Title(const char* path, char* out, size_t outSize = 64);

// The same from the 128 bytes of a tag already in memory; false unless they begin "TAG"
// and give a title.
bool Id3TitleFromTag(const uint8_t* tag, char* out, size_t outSize);
