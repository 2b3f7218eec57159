#pragma once
// A backend in front of a virtual bus that passes every call on.  Tests and benchmarks
// derive from it to act at a chosen command of a run (answer in the drive's place, raise
// Stop, note the time) where the bus's own fault lines, which count operation codes,
// cannot say "while the tracks are written" or "once the disc is being closed".
#include <memory>
#include <string>
#include <vector>

#include "scsi/ScsiBackend.h"
#include "scsi/ScsiStatus.h"
#include "virtualdrive/VirtualBus.h"

class CVirtualBusFront : public IScsiBackend {
  public:
    explicit CVirtualBusFront(std::unique_ptr<CVirtualBus> bus) : bus_(std::move(bus)) {}
    CVirtualBus& Bus() { return *bus_; }

    int32_t Scan() override { return bus_->Scan(); }
    int32_t DeviceCount() const override { return bus_->DeviceCount(); }
    std::string DeviceName(int32_t index) const override { return bus_->DeviceName(index); }
    bool Select(int32_t index) override { return bus_->Select(index); }
    uint32_t MaximumTransfer() const override { return bus_->MaximumTransfer(); }
    std::string Problem(int32_t index) const override { return bus_->Problem(index); }
    std::vector<std::string> ScanNotes() const override { return bus_->ScanNotes(); }
    Outcome Send(const Request& request) override { return bus_->Send(request); }

    // What the kernel hands back for CHECK CONDITION with this sense.
    static Outcome CheckCondition(uint8_t key, uint8_t asc, uint8_t ascq) {
        Outcome outcome;
        outcome.status = scsistatus::kCheckCondition;
        outcome.driverStatus = scsistatus::kDriverSense;
        outcome.senseLength = 18;
        outcome.sense[0] = 0x70;
        outcome.sense[2] = key;
        outcome.sense[7] = 10;
        outcome.sense[12] = asc;
        outcome.sense[13] = ascq;
        return outcome;
    }

  private:
    std::unique_ptr<CVirtualBus> bus_;
};
