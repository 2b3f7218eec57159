#pragma once
// What a virtual device and its command-set model share: the configuration, the medium
// in the drive, the write parameters page in force, the drive's buffer, and what the
// finished discs left behind.  The device owns it; the model works on it.
#include <array>
#include <cstdint>
#include <string>

#include "virtualdrive/VirtualAnswer.h"
#include "virtualdrive/VirtualDeviceConfig.h"
#include "virtualdrive/VirtualDisc.h"
#include "virtualdrive/VirtualDriveBuffer.h"

struct CVirtualDriveState {
    static constexpr int32_t kWriteParametersLength = 56;
    static constexpr uint32_t kKilobytesPerSpeed = 177;

    explicit CVirtualDriveState(const CVirtualDeviceConfig& configuration);
    CVirtualDriveState(const CVirtualDriveState&) = delete;
    CVirtualDriveState& operator=(const CVirtualDriveState&) = delete;

    // Fields of the write parameters page in force.
    int32_t WriteType() const { return writeParameters[2] & 0x0F; }
    bool TestWrite() const { return (writeParameters[2] & 0x10) != 0; }
    // Underrun-free recording asked for by the host and offered by the drive.
    bool UnderrunFree() const { return config.bufe && (writeParameters[2] & 0x40) != 0; }
    int32_t DataBlockType() const { return writeParameters[4] & 0x0F; }
    // Blocks a second at the current write speed.
    double BlocksPerSecond() const { return 75.0 * writeSpeed / kKilobytesPerSpeed; }

    // Tray open or no disc: true, with the drive's NOT READY answer.
    bool MediumMissing(CVirtualAnswer& answer) const;
    // A write came to its end and the drive finished the disc; cuePath is the image
    // it left ("" for a test write or a device without a folder).
    void DiscFinished(const std::string& cuePath);

    const CVirtualDeviceConfig& config;
    CVirtualDisc disc;
    bool trayOpen = false;
    std::array<uint8_t, kWriteParametersLength> writeParameters{};
    uint32_t blockLength = 2048;
    uint8_t densityCode = 0;  // of the block descriptor last selected
    bool removalPrevented = false;
    uint32_t writeSpeed = 0;
    CVirtualDriveBuffer buffer;
    std::string lastImage;
    int32_t finishedDiscs = 0;
};
