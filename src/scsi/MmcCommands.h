#pragma once
// The multimedia commands a CD recorder writes with, their operation codes and command
// blocks, and the two MMC mode pages, for the drivers and the virtual recorder alike.
#include <array>
#include <cstdint>

#include "base/BigEndian.h"

namespace mmc {
constexpr uint8_t kReadDiscInformation = 0x51;
constexpr uint8_t kReadTrackInformation = 0x52;
constexpr uint8_t kReserveTrack = 0x53;
constexpr uint8_t kSendOpcInformation = 0x54;
constexpr uint8_t kCloseTrackSession = 0x5B;
constexpr uint8_t kReadBufferCapacity = 0x5C;
constexpr uint8_t kSendCueSheet = 0x5D;
constexpr uint8_t kSetCdSpeed = 0xBB;
constexpr uint8_t kReadSubChannel = 0x42;
constexpr uint8_t kReadTocPmaAtip = 0x43;
constexpr uint8_t kReadCd = 0xBE;

constexpr uint8_t kWriteParametersPage = 0x05;
constexpr uint8_t kCapabilitiesPage = 0x2A;
// The write parameters page's write types (byte 2, low nibble).
constexpr uint8_t kTrackAtOnce = 0x01;
constexpr uint8_t kSessionAtOnce = 0x02;
constexpr uint8_t kRawWrite = 0x03;

// READ TRACK INFORMATION: the number is a track number (else a block address).
constexpr uint8_t kTrackNumber = 0x01;
// CLOSE TRACK/SESSION byte 2: what is closed.
constexpr uint8_t kCloseSession = 0x02;
// READ TOC/PMA/ATIP formats: the table of contents, and the full (raw Q) one.
constexpr uint8_t kTocFormat = 0x00;
constexpr uint8_t kFullTocFormat = 0x02;
// READ CD: the expected sector type CD-DA (byte 1), and the user data alone (byte 9).
constexpr uint8_t kSectorCdDa = 0x04;
constexpr uint8_t kUserData = 0x10;
// READ SUB-CHANNEL: the subchannel data (byte 2), the current position (byte 3).
constexpr uint8_t kSubQ = 0x40;
constexpr uint8_t kCurrentPosition = 0x01;

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
// Addresses as blocks (not MSF) from track 1 (format 0) or the first session (format 2).
inline Cdb10 ReadTocPmaAtip(uint8_t format, uint8_t track, uint32_t allocation) {
    Cdb10 cdb{kReadTocPmaAtip, 0x00, format, 0x00, 0x00, 0x00, track};
    bigendian::Put16(&cdb[7], allocation);
    return cdb;
}
// CD-DA blocks of 2352 bytes, no subchannels.
inline Cdb12 ReadCdAudio(int32_t address, uint32_t blocks) {
    Cdb12 cdb{kReadCd, kSectorCdDa};
    bigendian::Put32(&cdb[2], static_cast<uint32_t>(address));
    bigendian::Put24(&cdb[6], blocks);
    cdb[9] = kUserData;
    return cdb;
}
inline Cdb10 ReadSubChannelPosition(uint32_t allocation) {
    Cdb10 cdb{kReadSubChannel, 0x00, kSubQ, kCurrentPosition};
    bigendian::Put16(&cdb[7], allocation);
    return cdb;
}
}  // namespace mmc
