#pragma once
// The four header bytes of an MPEG audio frame, and the headers that encoders put in a
// song's first frame to say how long it is (Xing or Info with the LAME tag, VBRI).
// Only Layer III of MPEG-1, MPEG-2 and MPEG-2.5 is acceptable to us.
#include <cstddef>
#include <cstdint>

struct CMp3FrameHeader {
    enum Version : int32_t { kMpeg1 = 1, kMpeg2 = 2, kMpeg25 = 25 };

    int32_t version = kMpeg1;
    int32_t sampleRate = 0;  // Hz
    int32_t bitRate = 0;     // bits per second
    bool mono = false;       // channel mode 3
    bool padding = false;    // one extra byte in this frame

    bool IsMpeg1() const { return version == kMpeg1; }
    // Bytes of the whole frame, header included.
    int32_t FrameBytes() const;
    // Samples per channel that one frame decodes to: 1152 for MPEG-1, 576 otherwise.
    int32_t SamplesPerFrame() const { return IsMpeg1() ? 1152 : 576; }
    // Where the side information ends and a Xing header would begin, counted from the
    // frame's first byte.
    int32_t XingOffset() const;
    // True when frames of both headers belong to one stream: same version, layer and rate.
    bool SameStreamAs(const CMp3FrameHeader& other) const {
        return version == other.version && sampleRate == other.sampleRate;
    }
};

// True when the pair (0xFF, b) can start a Layer III frame of MPEG-1, 2 or 2.5: the test
// used when scanning for a frame.
constexpr bool IsLayer3Sync(uint8_t first, uint8_t second) {
    return first == 0xFF && (second & 0xE6) == 0xE2 && (second & 0x18) != 0x08;
}

// Checks a frame header: sync, Layer III, a bit-rate index of 1 to 14 and a sampling
// rate index that is not the reserved one.  Fills out and returns true when acceptable.
bool ParseFrameHeader(const uint8_t header[4], CMp3FrameHeader& out);

// What the first frame's Xing, Info or VBRI header says about the song.
struct CVbrHeader {
    bool found = false;      // a Xing, Info or VBRI header is there
    bool infoFrame = false;  // the frame carries no audio of its own
    bool vbri = false;       // a VBRI header, which the library would play as silence
    bool hasLength = false;  // it gives the number of frames and samples below
    int64_t frames = 0;      // frames of audio after the header's own
    int64_t samples = 0;     // samples per channel the decoder delivers for the song
};

// Reads the header from the first `length` bytes of the first frame.  The length is what
// libmpg123 delivers: the Xing or Info frame count times the samples per frame, less the
// encoder delay and padding of a LAME tag; VBRI counts the frames after its own.
CVbrHeader ReadVbrHeader(const uint8_t* frame, size_t length, const CMp3FrameHeader& header);

// True when `frames` frames of the header's version and rate can fill audioBytes: each
// frame lies between the smallest and the largest bit rate's, give or take one frame.
// A count of 0 for megabytes of audio, or of 4 billion for a few, is not the file's.
bool FrameCountFits(int64_t frames, int64_t audioBytes, const CMp3FrameHeader& header);
