#include "audio/Mp3Header.h"

namespace {
// Layer III bit rates in kbit/s for indices 1 to 14.
constexpr int32_t kBitRateMpeg1[14] = {32,  40,  48,  56,  64,  80,  96,
                                       112, 128, 160, 192, 224, 256, 320};
constexpr int32_t kBitRateMpeg2[14] = {8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160};
// Sampling rates by index; 0 marks MPEG-1's reserved index.  MPEG-2's index 3 is taken
// as 11025 Hz.
constexpr int32_t kRateMpeg1[4] = {44100, 48000, 32000, 0};
constexpr int32_t kRateMpeg2[4] = {22050, 24000, 16000, 11025};

uint32_t BigEndian32(const uint8_t* p) {
    return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | uint32_t{p[3]};
}
}  // namespace

bool ParseFrameHeader(const uint8_t header[4], CMp3FrameHeader& out) {
    if (header[0] != 0xFF || (header[1] & 0xF0) != 0xF0)
        return false;
    if (((header[1] >> 1) & 0x03) != 0x01)  // Layer III
        return false;
    int bitRateIndex = header[2] >> 4;
    if (bitRateIndex == 0 || bitRateIndex == 15)
        return false;
    bool mpeg1 = (header[1] & 0x08) != 0;
    int rateIndex = (header[2] >> 2) & 0x03;
    int32_t rate = mpeg1 ? kRateMpeg1[rateIndex] : kRateMpeg2[rateIndex];
    if (rate == 0)
        return false;
    out.mpeg1 = mpeg1;
    out.sampleRate = rate;
    out.bitRate = (mpeg1 ? kBitRateMpeg1 : kBitRateMpeg2)[bitRateIndex - 1] * 1000;
    out.mono = (header[3] >> 6) == 3;
    return true;
}

int32_t XingOffset(const CMp3FrameHeader& header) {
    if (header.mpeg1)
        return header.mono ? 21 : 36;
    return header.mono ? 13 : 21;
}

int32_t SamplesPerFrame(const CMp3FrameHeader& header) {
    return header.mpeg1 ? 1152 : 576;
}

bool ReadXingFrameCount(const uint8_t* frame, size_t length, const CMp3FrameHeader& header,
                        uint32_t& frames) {
    size_t at = static_cast<size_t>(XingOffset(header));
    if (length < at + 12)
        return false;
    const uint8_t* p = frame + at;
    if (p[0] != 'X' || p[1] != 'i' || p[2] != 'n' || p[3] != 'g')
        return false;
    if ((BigEndian32(p + 4) & 1u) == 0)
        return false;
    frames = BigEndian32(p + 8);
    return true;
}
