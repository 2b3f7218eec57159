#include "virtualdrive/VirtualBus.h"

#include <algorithm>
#include <cerrno>

CVirtualBus::CVirtualBus(const std::vector<CVirtualDevice::Config>& devices) {
    for (const auto& config : devices) AddDevice(config);
}

std::unique_ptr<CVirtualBus> CVirtualBus::Broken(std::string problem) {
    auto bus = std::make_unique<CVirtualBus>();
    bus->problem_ = std::move(problem);
    return bus;
}

CVirtualDevice& CVirtualBus::AddDevice(CVirtualDevice::Config config) {
    devices_.push_back(std::make_unique<CVirtualDevice>(std::move(config), BusSize()));
    return *devices_.back();
}

int32_t CVirtualBus::Scan() {
    notes_.clear();
    selected_ = -1;
    if (!problem_.empty())
        notes_.push_back(problem_);
    recorded_ = std::min(BusSize(), kMaxDevices);
    for (int32_t i = recorded_; i < BusSize(); ++i)
        notes_.push_back(DeviceName(i) + ": not used: only 16 devices are kept");
    return recorded_;
}

std::string CVirtualBus::DeviceName(int32_t index) const {
    return "virtual:" + std::to_string(index);
}

bool CVirtualBus::Select(int32_t index) {
    selected_ = (index >= 0 && index < recorded_) ? index : -1;
    return selected_ >= 0;
}

uint32_t CVirtualBus::MaximumTransfer() const {
    if (selected_ < 0)
        return 0;
    return devices_[static_cast<size_t>(selected_)]->Configuration().maximumTransfer;
}

IScsiBackend::Outcome CVirtualBus::Send(const Request& request) {
    if (selected_ < 0) {
        Outcome outcome;
        outcome.systemError = ENODEV;
        return outcome;
    }
    return devices_[static_cast<size_t>(selected_)]->Execute(request);
}
