#pragma once
// The one channel through which every SCSI command reaches a recorder.  Discovery scans
// the bus of the chosen backend, selects each device in turn to identify it, and finally
// selects the recorder; from then on the drivers hand it command blocks and get back
//   0  the command completed with GOOD status,
//   1  it failed and there is no sense data with a nonzero byte 2 at hand,
//   2  it failed with CHECK CONDITION; the sense data (byte 2 nonzero) is in SenseData.
// Only one thread issues commands at a time; the transport has no lock.
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "scsi/ScsiBackend.h"

class CScsiTransport {
  public:
    // Why the last command did not complete with GOOD status.  A drive that no longer
    // answers (unplugged, powered off, the bus reset for good) and one that did not answer
    // in time end every wait at once; BUSY is worth a few more tries; kRefused is a
    // request the system would not send (too large for the path, bad arguments).
    enum class Failure : int32_t {
        kNone = 0,
        kCheckCondition = 1,
        kBusy = 2,
        kNoAnswer = 3,
        kTimeOut = 4,
        kRefused = 5,
        kOther = 6,
    };

    static constexpr int32_t kMaxDevices = IScsiBackend::kMaxDevices;
    static constexpr int32_t kSenseSize = 66;
    static constexpr int32_t kSenseReported = 15;
    // Used when the backend cannot tell what the path to a device takes.
    static constexpr uint32_t kDefaultMaximumTransfer = 65536;
    // No command of ours carries more; larger limits are reported as this.
    static constexpr uint32_t kMaximumTransferCap = 524288;
    static constexpr int32_t kInquiryLength = 44;
    static constexpr int32_t kCapabilitiesLength = 16384;

    CScsiTransport();
    explicit CScsiTransport(std::unique_ptr<IScsiBackend> backend);
    ~CScsiTransport();
    CScsiTransport(const CScsiTransport&) = delete;
    CScsiTransport& operator=(const CScsiTransport&) = delete;

    // Installs the backend that the next scan uses (the platform choice of discovery).
    void UseBackend(std::unique_ptr<IScsiBackend> backend);
    bool HasBackend() const { return backend_ != nullptr; }
    IScsiBackend* Backend() { return backend_.get(); }

    // Scans the backend's bus: number of devices recorded (0 to 16).  Sets use
    // pass-through when it is not 0.
    int32_t ScanPassThrough();

    // Makes device index current and identifies it with INQUIRY: 0, or 1 when the
    // device does not answer (the identification strings are then empty).  INQUIRY and
    // the capabilities page are the first commands a device gets: a unit attention (a
    // reset, a new medium), BUSY, or "becoming ready" sends them again a few times, with
    // a growing pause (about three seconds in all), before the device is judged by them.
    int32_t SelectDevice(int32_t index);
    // How those pauses are waited (a real sleep unless set), so that a test or a fuzzer
    // can take them at once.
    void SetSleep(std::function<void(int32_t milliseconds)> sleep) { sleep_ = std::move(sleep); }
    const char* Vendor() const { return vendor_.data(); }
    const char* Product() const { return product_.data(); }
    const char* Revision() const { return revision_.data(); }

    // 1 when the current device's capabilities page reports CD-R writing, else 0.
    int32_t ReadCapabilities();

    // Sends one command to the current device.  At most one of dataOut and dataIn may
    // be given; neither means no data phase.  cdbLength is 6, 10, 12 or 16.
    int32_t Execute(const uint8_t* cdb, int32_t cdbLength, const void* dataOut,
                    int32_t dataOutLength, void* dataIn, int32_t dataInLength);

    // The sense data of the most recent CHECK CONDITION, in fixed format; the length
    // reported is always 15.
    const uint8_t* SenseData(int32_t& length) const;

    // 1 when the last command completed with GOOD status, else 0.
    int32_t LastCommandSucceeded() const { return lastSucceeded_; }
    Failure LastFailure() const { return lastFailure_; }
    // The drive did not answer the last command at all, or not in time.
    bool DriveGone() const {
        return lastFailure_ == Failure::kNoAnswer || lastFailure_ == Failure::kTimeOut;
    }

    // Bytes per command for the current device.
    uint32_t MaximumTransfer() const { return maximumTransfer_; }

    int32_t DeviceCount() const { return deviceCount_; }
    int32_t CurrentDevice() const { return currentDevice_; }
    int32_t UsePassThrough() const { return usePassThrough_; }
    std::string DeviceName(int32_t index) const;
    std::string DeviceProblem(int32_t index) const;
    std::vector<std::string> ScanNotes() const;

  private:
    static Failure Classify(const IScsiBackend::Outcome& outcome);
    // Execute, sent again while the device is still settling (see SelectDevice).
    int32_t ExecuteSettled(const uint8_t* cdb, int32_t cdbLength, void* dataIn,
                           int32_t dataInLength);
    void ClearIdentification();
    void TakeSense(const IScsiBackend::Outcome& outcome);

    std::unique_ptr<IScsiBackend> backend_;
    int32_t usePassThrough_ = 0;
    std::array<char, 9> vendor_{};
    std::array<char, 17> product_{};
    std::array<char, 5> revision_{};
    uint32_t maximumTransfer_ = kDefaultMaximumTransfer;
    std::array<uint8_t, kSenseSize> sense_{};
    int32_t deviceCount_ = 0;
    int32_t currentDevice_ = -1;
    int32_t lastSucceeded_ = 0;
    Failure lastFailure_ = Failure::kNone;
    std::function<void(int32_t)> sleep_;
};
