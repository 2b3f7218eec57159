#include "audio/WavHeader.h"

#include <cstring>

namespace {
void Put32(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
    p[2] = static_cast<uint8_t>(v >> 16);
    p[3] = static_cast<uint8_t>(v >> 24);
}

void Put16(uint8_t* p, uint16_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}
}  // namespace

void WriteWavHeader(WavHeader& header, uint32_t dataLength) {
    uint8_t* p = header.bytes.data();
    std::memcpy(p + 0, "RIFF", 4);
    Put32(p + 4, dataLength + 36);
    std::memcpy(p + 8, "WAVE", 4);
    std::memcpy(p + 12, "fmt ", 4);
    Put32(p + 16, 16);      // format block length
    Put16(p + 20, 1);       // PCM
    Put16(p + 22, 2);       // channels
    Put32(p + 24, 44100);   // frames per second
    Put32(p + 28, 176400);  // bytes per second
    Put16(p + 32, 4);       // bytes per stereo frame
    Put16(p + 34, 16);      // bits per sample
    std::memcpy(p + 36, "data", 4);
    Put32(p + 40, dataLength);
}
