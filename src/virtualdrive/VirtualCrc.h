#pragma once
// The checksum of subchannel Q blocks and CD-TEXT packs as the virtual drive reads them:
// CRC-16 with the polynomial x^16 + x^12 + x^5 + 1 and initial value 0, most significant
// bit first, computed bit by bit: the drive's own reading, deliberately not the table
// the program's writer uses.
#include <cstddef>
#include <cstdint>

inline uint16_t VirtualDriveCrc16(const uint8_t* bytes, size_t n) {
    uint16_t crc = 0;
    for (size_t i = 0; i < n; ++i) {
        crc = static_cast<uint16_t>(crc ^ (bytes[i] << 8));
        for (int bit = 0; bit < 8; ++bit)
            crc = static_cast<uint16_t>((crc & 0x8000) ? (crc << 1) ^ 0x1021 : crc << 1);
    }
    return crc;
}
