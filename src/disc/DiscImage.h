#pragma once
// The audio disc about to be written: up to 99 tracks of whole seconds, read as one
// continuous CD audio stream with an optional per-track gain, plus the byte buffers
// in which the drivers' cue sheets and tables of contents are built.
//
// Gapless, the songs lie back to back sample for sample instead, and only the end of
// the last one is padded with silence, to a whole block.  Each track then starts at the
// block nearest to where its song begins, so a block may hold the end of one song and
// the start of the next.
#include <array>
#include <cstdint>

#include "audio/CdSamples.h"
#include "audio/Mp3Source.h"

class CDiscImage {
  public:
    static constexpr int32_t kMaxTracks = 99;
    static constexpr int32_t kBytesPerSecond = 176400;
    static constexpr int32_t kSlotSize = 256;
    static constexpr int32_t kCueBufferASize = 816;
    static constexpr int32_t kCueBufferBSize = 2040;
    static constexpr int32_t kMaxSeconds = 4920;    // 82 minutes: no disc reaches it
    static constexpr int32_t kMinTrackSeconds = 4;  // the shortest track the CD standard allows
    static constexpr int32_t kFullScale = 32768;    // peak of a full-scale sample
    // CD frames (one stereo sample each) a second.
    static constexpr int32_t kFramesPerSecond = cdsamples::kRate;
    static constexpr int32_t kFramesPerBlock = 588;
    static constexpr int32_t kBlocksPerSecond = 75;
    static constexpr int32_t kBlockBytes = kFramesPerBlock * 4;

    CDiscImage() = default;
    virtual ~CDiscImage() = default;
    CDiscImage(const CDiscImage&) = delete;
    CDiscImage& operator=(const CDiscImage&) = delete;

    // Clearing as the record command does it: no tracks, nothing in total.  Whether the
    // disc is gapless stays as it was.
    void Clear() {
        trackCount = 0;
        totalSeconds = 0;
    }

    // Appends a track of the file's whole-second length, at least leastSeconds (a shorter
    // song is followed by silence): 1, or 0 when the image is full (99 tracks),
    // the file does not open as an MP3 we take or plays nothing, its path does not fit
    // the 255-byte slot, or the disc would reach 4920 seconds.  Titles longer than 255
    // bytes are cut.  Gapless, the song's exact length counts, also at least leastSeconds.
    int32_t AddTrack(const char* path, const char* title, int32_t leastSeconds = 1);
    // Lays the tracks gapless (1) or on whole seconds (0): 1, or 0 when the tracks would
    // not fit the disc on whole seconds (the disc then stays gapless).
    int32_t SetGapless(int32_t on);

    // The layout: a track's length and start in blocks (counted from track 1's start),
    // and the disc's blocks (of its total bytes); 75 per second of each track when not
    // gapless.
    int64_t TrackBlocks(int32_t index) const;
    int64_t TrackStart(int32_t index) const;
    int32_t TotalBlocks() const;
    // Opens track `index` for ReadTrackData: 1, or 0 for an index that names no track
    // (the track count itself among them).  A file that no longer opens reads as silence.
    int32_t OpenTrack(int32_t index);
    int32_t CloseTrack();
    // Up to length bytes of the open track, exactly its whole-second length in all:
    // silence where the decoder runs short, cut where it runs long; gained while
    // normalization is on.
    int32_t ReadTrackData(void* buffer, int32_t length);
    // Up to length bytes of the whole disc from the current track on, crossing track
    // ends; fewer only when the last track is done.
    int32_t Read(void* buffer, int32_t length);
    // Every 16-bit sample times gain, clipped to -32767..32767, truncated toward zero.
    void ApplyGain(void* samples, int32_t byteCount);

    // Level of a track in whole percent of full scale: peak x 100 / 32768, truncated.
    static int32_t LevelOfPeak(int32_t peak);
    // The normalization rule: true, with the gain, when a track of this peak is to be
    // scaled (always, unless onlyIf is set and its level lies within [lower, higher]).
    // The gain is target / level in single precision, or 1.0 for a silent track.
    static bool GainForPeak(int32_t peak, int32_t onlyIf, int32_t lower, int32_t higher,
                            int32_t target, float& gain);

    // Layout builders: write into cue buffer A or B, store the byte length, return the bytes.
    uint8_t* BuildMmcCueSheet(int32_t& length);
    uint8_t* BuildSonyCueSheet(int32_t& length);
    uint8_t* BuildTrackExtents(int32_t& length);
    uint8_t* BuildTeacCueTable(int32_t& length);
    uint8_t* BuildTeacToc(int32_t& length);

    // Fields, in the documented order.  Public: the drivers, the worker and the dialog
    // read and set them directly, as plain 32-bit words.
    float gain = 1.0f;
    int32_t onlyIf = 0;
    int32_t lower = 0;
    int32_t higher = 0;
    int32_t target = 0;
    int32_t normalizeOn = 0;
    std::array<int32_t, kMaxTracks> peak{};
    int32_t totalBytes = 0;
    int32_t currentTrack = 0;
    int32_t trackCount = 0;
    int32_t totalSeconds = 0;
    std::array<int32_t, kMaxTracks> trackBytes{};
    std::array<std::array<char, kSlotSize>, kMaxTracks> trackPath{};
    std::array<std::array<char, kSlotSize>, kMaxTracks> trackTitle{};
    std::array<int32_t, kMaxTracks> trackSeconds{};
    int32_t bytesLeft = 0;
    std::array<uint8_t, kCueBufferASize> cueBufferA{};
    std::array<uint8_t, kCueBufferBSize> cueBufferB{};
    CMp3Source decoder;

    // Gapless layout: set by SetGapless; then trackBytes is each song's exact audio (the
    // last one's up to the end of its block) and totalSeconds the disc's, rounded up.
    int32_t gapless = 0;
    std::array<int64_t, kMaxTracks> songFrames{};  // each song's exact length, CD frames

  private:
    // Track bytes and the totals for the current way of laying the tracks.
    void Relayout();
    // The disc's blocks, gapless, for songs of these lengths.
    static int64_t GaplessDiscBlocks(int64_t frames);
};
