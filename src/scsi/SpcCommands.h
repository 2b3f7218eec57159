#pragma once
// The commands every SCSI device shares (primary commands) and the block commands a CD
// recorder takes from disks: their operation codes and their command blocks, built in
// one place for the drivers and the virtual recorder alike.
#include <array>
#include <cstdint>

#include "base/BigEndian.h"

namespace spc {
constexpr uint8_t kTestUnitReady = 0x00;
constexpr uint8_t kRezeroUnit = 0x01;
constexpr uint8_t kInquiry = 0x12;
constexpr uint8_t kModeSelect6 = 0x15;
constexpr uint8_t kModeSense6 = 0x1A;
constexpr uint8_t kStartStopUnit = 0x1B;
constexpr uint8_t kPreventAllowRemoval = 0x1E;
constexpr uint8_t kReadCapacity = 0x25;
constexpr uint8_t kWrite10 = 0x2A;
constexpr uint8_t kSynchronizeCache = 0x35;
constexpr uint8_t kModeSelect10 = 0x55;
constexpr uint8_t kModeSense10 = 0x5A;

// The read-write error recovery page: byte 3 is the read retry count.
constexpr uint8_t kErrorRecoveryPage = 0x01;
// MODE SELECT byte 1: the parameter list holds pages in the page format.
constexpr uint8_t kPageFormat = 0x10;
// START STOP UNIT byte 4: start (spin up, or load with kLoadEject), load or eject.
constexpr uint8_t kStart = 0x01;
constexpr uint8_t kLoadEject = 0x02;

using Cdb6 = std::array<uint8_t, 6>;
using Cdb10 = std::array<uint8_t, 10>;

inline Cdb6 TestUnitReady() {
    return {kTestUnitReady};
}
inline Cdb6 RezeroUnit() {
    return {kRezeroUnit};
}
inline Cdb6 Inquiry(uint8_t allocation) {
    return {kInquiry, 0x00, 0x00, 0x00, allocation, 0x00};
}
inline Cdb6 ModeSelect6(uint8_t flags, uint8_t listLength) {
    return {kModeSelect6, flags, 0x00, 0x00, listLength, 0x00};
}
inline Cdb6 ModeSense6(int32_t pageCode, uint8_t allocation) {
    return {kModeSense6, 0x00, static_cast<uint8_t>(pageCode & 0x3F), 0x00, allocation, 0x00};
}
// byte4: kStart and kLoadEject as the command means them.
inline Cdb6 StartStopUnit(uint8_t byte4) {
    return {kStartStopUnit, 0x00, 0x00, 0x00, byte4, 0x00};
}
inline Cdb6 PreventAllowRemoval(bool prevent) {
    return {kPreventAllowRemoval, 0x00, 0x00, 0x00, static_cast<uint8_t>(prevent ? 1 : 0), 0x00};
}
inline Cdb10 ReadCapacity() {
    return {kReadCapacity};
}
// WRITE(10) of blocks at address; control is the vendor's last byte (0 for MMC).
inline Cdb10 Write10(uint32_t address, uint32_t blocks, uint8_t control = 0x00) {
    Cdb10 cdb{kWrite10};
    bigendian::Put32(&cdb[2], address);
    bigendian::Put16(&cdb[7], blocks);
    cdb[9] = control;
    return cdb;
}
inline Cdb10 SynchronizeCache() {
    return {kSynchronizeCache};
}
inline Cdb10 ModeSelect10(uint8_t flags, uint32_t listLength) {
    Cdb10 cdb{kModeSelect10, flags};
    bigendian::Put16(&cdb[7], listLength);
    return cdb;
}
inline Cdb10 ModeSense10(int32_t pageCode, uint32_t allocation) {
    Cdb10 cdb{kModeSense10, 0x00, static_cast<uint8_t>(pageCode & 0x3F)};
    bigendian::Put16(&cdb[7], allocation);
    return cdb;
}
}  // namespace spc
