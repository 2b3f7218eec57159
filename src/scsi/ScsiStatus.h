#pragma once
// The numbers in which devices and the kernel say how a command went: the SCSI status
// byte, the adapter's (host) status and the kernel driver's status of an SG_IO request,
// and the sense keys and codes the program looks at or the virtual drives answer with.
#include <cstdint>

namespace scsistatus {
constexpr uint8_t kGood = 0x00;
constexpr uint8_t kCheckCondition = 0x02;
constexpr uint8_t kBusy = 0x08;
// The status byte's meaningful bits; the rest are vendor-specific or obsolete.
constexpr uint8_t kMask = 0x7E;

constexpr uint16_t kHostNoConnect = 0x01;
constexpr uint16_t kHostTimeOut = 0x03;
constexpr uint16_t kHostBadTarget = 0x04;
constexpr uint16_t kHostError = 0x07;

constexpr uint16_t kDriverOk = 0x00;
constexpr uint16_t kDriverTimeOut = 0x06;
constexpr uint16_t kDriverSense = 0x08;  // sense data came back

constexpr uint8_t kSenseNotReady = 0x02;
constexpr uint8_t kSenseMediumError = 0x03;
constexpr uint8_t kSenseIllegalRequest = 0x05;
constexpr uint8_t kSenseUnitAttention = 0x06;

// Additional sense codes (ASC) the virtual drives answer with.
constexpr uint8_t kAscParameterLengthError = 0x1A;
constexpr uint8_t kAscInvalidField = 0x26;  // in the parameter list
}  // namespace scsistatus
