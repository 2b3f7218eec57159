#pragma once
// The multimedia commands a CD recorder writes with, their operation codes and command
// blocks, and the two MMC mode pages, for the drivers and the virtual recorder alike.
#include <array>
#include <cstdint>

#include "scsi/BigEndian.h"

namespace mmc {
constexpr uint8_t kReadDiscInformation = 0x51;
constexpr uint8_t kReadTrackInformation = 0x52;
constexpr uint8_t kReserveTrack = 0x53;
constexpr uint8_t kSendOpcInformation = 0x54;
constexpr uint8_t kCloseTrackSession = 0x5B;
constexpr uint8_t kReadBufferCapacity = 0x5C;
constexpr uint8_t kSendCueSheet = 0x5D;
constexpr uint8_t kSetCdSpeed = 0xBB;

constexpr uint8_t kWriteParametersPage = 0x05;
constexpr uint8_t kCapabilitiesPage = 0x2A;

// READ TRACK INFORMATION: the number is a track number (else a block address).
constexpr uint8_t kTrackNumber = 0x01;
// CLOSE TRACK/SESSION byte 2: what is closed.
constexpr uint8_t kCloseSession = 0x02;

using Cdb10 = std::array<uint8_t, 10>;
using Cdb12 = std::array<uint8_t, 12>;

inline Cdb10 ReadDiscInformation(uint32_t allocation) {
    Cdb10 cdb{kReadDiscInformation};
    bigendian::Put16(&cdb[7], allocation);
    return cdb;
}
inline Cdb10 ReadTrackInformation(uint8_t addressType, uint32_t number, uint32_t allocation) {
    Cdb10 cdb{kReadTrackInformation, addressType};
    bigendian::Put32(&cdb[2], number);
    bigendian::Put16(&cdb[7], allocation);
    return cdb;
}
// With doOpc the drive calibrates its laser power itself.
inline Cdb10 SendOpcInformation(bool doOpc) {
    return {kSendOpcInformation, static_cast<uint8_t>(doOpc ? 0x01 : 0x00)};
}
inline Cdb10 CloseTrackSession(uint8_t function) {
    return {kCloseTrackSession, 0x00, function};
}
inline Cdb10 ReadBufferCapacity(uint32_t allocation) {
    Cdb10 cdb{kReadBufferCapacity};
    bigendian::Put16(&cdb[7], allocation);
    return cdb;
}
inline Cdb10 SendCueSheet(uint32_t length) {
    Cdb10 cdb{kSendCueSheet};
    bigendian::Put24(&cdb[6], length);
    return cdb;
}
// Speeds in kilobytes a second; 0xFFFF is the drive's fastest.
inline Cdb12 SetCdSpeed(uint32_t readKilobytes, uint32_t writeKilobytes) {
    Cdb12 cdb{kSetCdSpeed};
    bigendian::Put16(&cdb[2], readKilobytes);
    bigendian::Put16(&cdb[4], writeKilobytes);
    return cdb;
}
}  // namespace mmc
