#pragma once
// The virtual bus: the backend behind which the virtual recorders sit.  Discovery scans
// it, selects its devices and sends them commands through the same transport code as
// real drives.  The first 16 devices are recorded by a scan, like on a real bus.
#include <memory>
#include <string>
#include <vector>

#include "scsi/ScsiBackend.h"
#include "virtualdrive/VirtualDevice.h"

class CVirtualBus : public IScsiBackend {
  public:
    CVirtualBus() = default;
    explicit CVirtualBus(const std::vector<CVirtualDevice::Config>& devices);
    // A bus whose description could not be used: no devices, the reason among the notes.
    static std::unique_ptr<CVirtualBus> Broken(std::string problem);

    // Appends a device; returns it.
    CVirtualDevice& AddDevice(CVirtualDevice::Config config);
    // Any device on the bus, recorded by the scan or not.
    CVirtualDevice& Device(int32_t index) { return *devices_[static_cast<size_t>(index)]; }
    int32_t BusSize() const { return static_cast<int32_t>(devices_.size()); }

    int32_t Scan() override;
    int32_t DeviceCount() const override { return recorded_; }
    std::string DeviceName(int32_t index) const override;
    bool Select(int32_t index) override;
    uint32_t MaximumTransfer() const override;
    Outcome Send(const Request& request) override;
    std::string Problem(int32_t) const override { return ""; }
    std::vector<std::string> ScanNotes() const override { return notes_; }

  private:
    std::vector<std::unique_ptr<CVirtualDevice>> devices_;
    std::string problem_;
    std::vector<std::string> notes_;
    int32_t recorded_ = 0;
    int32_t selected_ = -1;
};
