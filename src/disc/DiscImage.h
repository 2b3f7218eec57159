#pragma once
// The audio disc about to be written: up to 99 tracks of whole seconds, read as one
// continuous CD audio stream with an optional per-track gain, plus the byte buffers
// in which the drivers' cue sheets and tables of contents are built.
#include <array>
#include <cstdint>

#include "audio/Mp3Source.h"

class CDiscImage {
  public:
    static constexpr int32_t kMaxTracks = 99;
    static constexpr int32_t kBytesPerSecond = 176400;
    static constexpr int32_t kSlotSize = 256;
    static constexpr int32_t kCueBufferASize = 816;
    static constexpr int32_t kCueBufferBSize = 2040;

    CDiscImage() = default;
    virtual ~CDiscImage() = default;
    CDiscImage(const CDiscImage&) = delete;
    CDiscImage& operator=(const CDiscImage&) = delete;

    // Clearing as the record command does it: track count and total seconds to 0.
    void Clear() {
        trackCount = 0;
        totalSeconds = 0;
    }

    int32_t AddTrack(const char* path, const char* title);
    int32_t OpenTrack(int32_t index);
    int32_t CloseTrack();
    int32_t ReadTrackData(void* buffer, int32_t length);
    int32_t Read(void* buffer, int32_t length);
    void ApplyGain(void* samples, int32_t byteCount);

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
};
