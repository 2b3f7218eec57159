#include "audio/Mp3Header.h"

#include <algorithm>

#include "base/BigEndian.h"

namespace {
// Layer III bit rates in kbit/s for indices 1 to 14: MPEG-1, and the table that MPEG-2
// and MPEG-2.5 share.
constexpr int32_t kBitRateMpeg1[14] = {32,  40,  48,  56,  64,  80,  96,
                                       112, 128, 160, 192, 224, 256, 320};
constexpr int32_t kBitRateLsf[14] = {8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160};
// Sampling rates by index 0 to 2; index 3 is reserved in every version.
constexpr int32_t kRateMpeg1[3] = {44100, 48000, 32000};
constexpr int32_t kRateMpeg2[3] = {22050, 24000, 16000};
constexpr int32_t kRateMpeg25[3] = {11025, 12000, 8000};

constexpr int32_t kVbriOffset = 36;  // after the header and 32 bytes, in every version

bool Magic(const uint8_t* p, const char (&text)[5]) {
    return p[0] == text[0] && p[1] == text[1] && p[2] == text[2] && p[3] == text[3];
}
}  // namespace

bool ParseFrameHeader(const uint8_t header[4], CMp3FrameHeader& out) {
    if (!IsLayer3Sync(header[0], header[1]))
        return false;
    int bitRateIndex = header[2] >> 4;
    int rateIndex = (header[2] >> 2) & 0x03;
    if (bitRateIndex == 0 || bitRateIndex == 15 || rateIndex == 3)
        return false;
    switch ((header[1] >> 3) & 0x03) {
        case 3:
            out.version = CMp3FrameHeader::kMpeg1;
            out.sampleRate = kRateMpeg1[rateIndex];
            break;
        case 2:
            out.version = CMp3FrameHeader::kMpeg2;
            out.sampleRate = kRateMpeg2[rateIndex];
            break;
        default:
            out.version = CMp3FrameHeader::kMpeg25;
            out.sampleRate = kRateMpeg25[rateIndex];
            break;
    }
    out.bitRate = (out.IsMpeg1() ? kBitRateMpeg1 : kBitRateLsf)[bitRateIndex - 1] * 1000;
    out.padding = ((header[2] >> 1) & 1) != 0;
    out.mono = (header[3] >> 6) == 3;
    return true;
}

int32_t CMp3FrameHeader::FrameBytes() const {
    // 1152 or 576 samples of bitRate / sampleRate bits each, in bytes.
    int32_t factor = IsMpeg1() ? 144 : 72;
    return static_cast<int32_t>(int64_t{factor} * bitRate / sampleRate) + (padding ? 1 : 0);
}

int32_t CMp3FrameHeader::XingOffset() const {
    if (IsMpeg1())
        return mono ? 21 : 36;
    return mono ? 13 : 21;
}

CVbrHeader ReadVbrHeader(const uint8_t* frame, size_t length, const CMp3FrameHeader& header) {
    CVbrHeader out;
    // Only what lies inside the frame belongs to it.
    length = std::min(length, static_cast<size_t>(header.FrameBytes()));
    const int64_t perFrame = header.SamplesPerFrame();

    size_t at = static_cast<size_t>(header.XingOffset());
    if (length >= at + 8 && (Magic(frame + at, "Xing") || Magic(frame + at, "Info"))) {
        out.found = true;
        out.infoFrame = true;
        uint32_t flags = bigendian::Get32(frame + at + 4);
        size_t field = at + 8;
        if ((flags & 1u) != 0) {
            if (length < field + 4)
                return out;
            out.hasLength = true;
            out.frames = bigendian::Get32(frame + field);
            out.samples = out.frames * perFrame;
            field += 4;
        }
        // The LAME tag follows the optional byte count, table of contents and quality.
        field += ((flags & 2u) != 0 ? 4 : 0) + ((flags & 4u) != 0 ? 100 : 0) +
                 ((flags & 8u) != 0 ? 4 : 0);
        // Encoder delay and padding, 12 bits each, at byte 21 of the LAME tag.  The
        // library trims them whatever encoder's name the tag begins with, as long as it
        // has one, so the length does too.
        if (out.hasLength && length >= field + 24 && frame[field] != 0) {
            const uint8_t* p = frame + field + 21;
            int64_t delay = (int64_t{p[0]} << 4) | (p[1] >> 4);
            int64_t padding = (int64_t{p[1] & 0x0F} << 8) | p[2];
            out.samples = std::max<int64_t>(0, out.samples - delay - padding);
        }
        return out;
    }

    at = kVbriOffset;
    if (length >= at + 18 && Magic(frame + at, "VBRI")) {
        out.found = true;
        out.infoFrame = true;
        out.vbri = true;
        out.hasLength = true;
        // Version 2, delay 2, quality 2, bytes 4, then the frame count.
        out.frames = bigendian::Get32(frame + at + 14);
        out.samples = out.frames * perFrame;
    }
    return out;
}

bool FrameCountFits(int64_t frames, int64_t audioBytes, const CMp3FrameHeader& header) {
    CMp3FrameHeader least = header;
    least.bitRate = (header.IsMpeg1() ? kBitRateMpeg1 : kBitRateLsf)[0] * 1000;
    least.padding = false;
    CMp3FrameHeader most = header;
    most.bitRate = (header.IsMpeg1() ? kBitRateMpeg1 : kBitRateLsf)[13] * 1000;
    most.padding = true;
    const int64_t fewest = (frames - 1) * least.FrameBytes();
    const int64_t largest = (frames + 1) * int64_t{most.FrameBytes()};
    return audioBytes >= fewest && audioBytes <= largest;
}
