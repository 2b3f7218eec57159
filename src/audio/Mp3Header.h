#pragma once
// The four header bytes of an MPEG audio frame, and the Xing header that VBR encoders
// put in the first frame.  Only MPEG-1 and MPEG-2 Layer III are acceptable to us.
#include <cstddef>
#include <cstdint>

struct CMp3FrameHeader {
    bool mpeg1 = false;      // version bit: MPEG-1, else MPEG-2
    int32_t sampleRate = 0;  // Hz
    int32_t bitRate = 0;     // bits per second
    bool mono = false;       // channel mode 3
};

// True when the pair (0xFF, b) can start an MPEG-1/2 Layer III frame: the sync test
// used when scanning for the first frame.
constexpr bool IsLayer3Sync(uint8_t first, uint8_t second) {
    return first == 0xFF && (second & 0xF6) == 0xF2;
}

// Checks a frame header: sync, Layer III, a bit-rate index of 1 to 14 and a sampling
// rate that is not MPEG-1's reserved index.  Fills out and returns true when acceptable.
bool ParseFrameHeader(const uint8_t header[4], CMp3FrameHeader& out);

// Where the side information ends and a Xing header would begin, counted from the
// frame's first byte.
int32_t XingOffset(const CMp3FrameHeader& header);

// Stereo samples per Layer III frame: 1152 for MPEG-1, 576 for MPEG-2.
int32_t SamplesPerFrame(const CMp3FrameHeader& header);

// Frame count from a Xing header ("Xing", flags, frames; big-endian) at XingOffset in
// the first `length` bytes of the frame.  Returns false when there is no such header
// or its frame-count flag (bit 0) is clear.  "Info" headers are not taken.
bool ReadXingFrameCount(const uint8_t* frame, size_t length, const CMp3FrameHeader& header,
                        uint32_t& frames);
