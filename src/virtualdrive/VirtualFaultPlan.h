#pragma once
// The faults a virtual device was told to make: each operation code's commands are
// counted, and the occurrences a fault names fail as it says instead of being answered.
#include <array>
#include <cstdint>
#include <vector>

#include "virtualdrive/VirtualAnswer.h"
#include "virtualdrive/VirtualDeviceConfig.h"

class CVirtualFaultPlan {
  public:
    using Fault = CVirtualDeviceConfig::Fault;

    explicit CVirtualFaultPlan(const std::vector<Fault>& faults) : faults_(faults) {}

    // Counts one more command of this operation code: true with the fault's answer when
    // a fault covers it.
    bool Strike(uint8_t operationCode, CVirtualAnswer& answer);

  private:
    const Fault* FaultFor(uint8_t operationCode, int32_t occurrence) const;

    const std::vector<Fault>& faults_;
    std::array<int32_t, 256> occurrences_{};
};
