#pragma once
// The vendor command sets' own commands: their operation codes and command blocks, for
// the vendor drivers and the virtual vendor drives alike.  "2600" and "RIC" share the
// track extents commands; "2600" loads and ejects with a command of its own; "SONY"
// sends its cue sheet and its audio with byte counts; "TEAC" calibrates the laser
// itself and takes the disc as a cue table of extents with subcodes and a table of
// contents.
#include <array>
#include <cstdint>
#include <cstring>

#include "base/BigEndian.h"

namespace vendorcmd {
constexpr uint8_t kReadLeadLengths = 0xEE;
constexpr uint8_t kSendTrackExtents = 0xED;
constexpr uint8_t kLoad2600 = 0xE7;
constexpr uint8_t kSonyCueSheet = 0xE0;
constexpr uint8_t kSonyWrite = 0xE1;
constexpr uint8_t kTeacCalibrate = 0xEC;
constexpr uint8_t kTeacCueExtent = 0xB3;
constexpr uint8_t kTeacSendTable = 0xC2;

// The vendor sets' own mode pages.
constexpr uint8_t k2600WriteModePage = 0x22;
constexpr uint8_t k2600SpeedPage = 0x23;  // speed and simulation
constexpr uint8_t kSonyWriteModePage = 0x20;
constexpr uint8_t kSonyDiscPage = 0x22;
constexpr uint8_t kSonySpeedPage = 0x31;
constexpr uint8_t kTeacSimulationPage = 0x21;
constexpr uint8_t kTeacWriteModePage = 0x22;
constexpr uint8_t kTeacSpeedPage = 0x31;

using Cdb10 = std::array<uint8_t, 10>;
using Cdb12 = std::array<uint8_t, 12>;

inline Cdb10 ReadLeadLengths(uint8_t allocation) {
    Cdb10 cdb{kReadLeadLengths};
    cdb[8] = allocation;
    return cdb;
}
inline Cdb10 SendTrackExtents(uint32_t length) {
    Cdb10 cdb{kSendTrackExtents};
    bigendian::Put16(&cdb[7], length);
    return cdb;
}
inline Cdb10 Load2600(bool eject) {
    Cdb10 cdb{kLoad2600};
    cdb[8] = static_cast<uint8_t>(eject ? 1 : 0);
    return cdb;
}
// The length in bytes 1 to 3, of byte 1 only its low four bits.
inline Cdb10 SonyCueSheet(uint32_t length) {
    Cdb10 cdb{kSonyCueSheet};
    bigendian::Put24(&cdb[1], length & 0x0FFFFF);
    return cdb;
}
// The byte count in bytes 1 to 3, of byte 1 only its low five bits.
inline Cdb10 SonyWrite(uint32_t bytes) {
    Cdb10 cdb{kSonyWrite};
    bigendian::Put24(&cdb[1], bytes & 0x1FFFFF);
    return cdb;
}
inline Cdb12 TeacCalibrate() {
    return {kTeacCalibrate};
}
// One cue table entry's first 8 bytes (the extent) in bytes 2 to 9.
inline Cdb12 TeacCueExtent(const uint8_t* extent) {
    Cdb12 cdb{kTeacCueExtent};
    std::memcpy(&cdb[2], extent, 8);
    return cdb;
}
// A subcode or the table of contents, length bytes of it.
inline Cdb10 TeacSendTable(uint32_t length) {
    Cdb10 cdb{kTeacSendTable};
    bigendian::Put16(&cdb[7], length);
    return cdb;
}
}  // namespace vendorcmd
