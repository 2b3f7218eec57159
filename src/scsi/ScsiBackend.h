#pragma once
// One way of reaching SCSI devices, as CScsiTransport uses it: enumerate the devices once,
// make one of them current, and carry one command with its data to it and back.  Two
// exist: the Linux SG_IO pass-through (CSgIoBackend) and the virtual bus (CVirtualBus).
// A backend reports what happened in the terms of the kernel's SG_IO header; the
// transport alone turns that into the 0/1/2 results the drivers see.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

class IScsiBackend {
  public:
    enum class Direction : int32_t { kNone = 0, kIn = 1, kOut = 2 };

    static constexpr int32_t kMaxDevices = 16;
    static constexpr int32_t kMaxSense = 32;

    struct Request {
        const uint8_t* cdb = nullptr;
        int32_t cdbLength = 0;
        Direction direction = Direction::kNone;
        const uint8_t* dataOut = nullptr;  // with kOut
        uint8_t* dataIn = nullptr;         // with kIn
        uint32_t length = 0;               // bytes of dataOut or dataIn
    };

    struct Outcome {
        int32_t systemError = 0;  // errno of a request that never completed; 0 = it ran
        uint8_t status = 0;       // SCSI status byte (0 good, 2 check condition, 8 busy)
        uint16_t hostStatus = 0;  // adapter trouble: time-out, reset, device gone
        uint16_t driverStatus = 0;
        uint8_t senseLength = 0;  // sense bytes delivered, at most 32
        std::array<uint8_t, kMaxSense> sense{};
        int32_t residual = 0;  // bytes asked for but not transferred
    };

    virtual ~IScsiBackend() = default;

    // Enumerates the devices afresh; returns how many were recorded (0 to 16).
    virtual int32_t Scan() = 0;
    virtual int32_t DeviceCount() const = 0;
    // How a user would recognise the device: "/dev/sr0", "virtual 1".
    virtual std::string DeviceName(int32_t index) const = 0;
    // Makes the device current.  False when it cannot be reached; then every command
    // fails until another Select, and Problem says why.
    virtual bool Select(int32_t index) = 0;
    // Bytes per command that the path to the current device takes; 0 when unknown.
    virtual uint32_t MaximumTransfer() const = 0;
    // Carries one command to the current device.
    virtual Outcome Send(const Request& request) = 0;
    // Why the device is unusable or what went wrong with it last, "" when nothing.
    virtual std::string Problem(int32_t index) const = 0;
    // What the last scan passed over and why (nodes that would not open, devices
    // beyond the 16th), one line each.
    virtual std::vector<std::string> ScanNotes() const = 0;
};
