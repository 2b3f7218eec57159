#pragma once
// The virtual recorder on a bus of its own behind a transport, its first device selected
// as discovery leaves it, with commands sent by hand; and a driver user interface that
// keeps what it is told.  The rigs of the device, driver and recording tests.
#include <cstdint>
#include <cstdio>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "drivers/DriverUi.h"
#include "scsi/ScsiTransport.h"
#include "virtualdrive/VirtualBus.h"

namespace testrig {

struct CVirtualRecorder {
    CVirtualBus* bus = nullptr;
    CScsiTransport transport;

    explicit CVirtualRecorder(std::vector<CVirtualDevice::Config> devices = {{}}) {
        auto owned = std::make_unique<CVirtualBus>(devices);
        bus = owned.get();
        transport.UseBackend(std::move(owned));
        transport.ScanPassThrough();
        if (transport.DeviceCount() > 0)
            transport.SelectDevice(0);
    }
    explicit CVirtualRecorder(const CVirtualDevice::Config& config)
        : CVirtualRecorder(std::vector<CVirtualDevice::Config>{config}) {}

    CVirtualDevice& Device(int32_t i = 0) { return bus->Device(i); }
    const CVirtualDevice::LogEntry& Last() { return Device().Log().back(); }

    int32_t In(std::vector<uint8_t> cdb, std::vector<uint8_t>& reply) {
        return transport.Execute(cdb.data(), static_cast<int32_t>(cdb.size()), nullptr, 0,
                                 reply.data(), static_cast<int32_t>(reply.size()));
    }
    int32_t Out(std::vector<uint8_t> cdb, const std::vector<uint8_t>& data) {
        return transport.Execute(cdb.data(), static_cast<int32_t>(cdb.size()),
                                 data.empty() ? nullptr : data.data(),
                                 static_cast<int32_t>(data.size()), nullptr, 0);
    }
    int32_t None(std::vector<uint8_t> cdb) {
        return transport.Execute(cdb.data(), static_cast<int32_t>(cdb.size()), nullptr, 0, nullptr,
                                 0);
    }
    // The last sense as "K/AA/QQ".
    std::string Sense() {
        int32_t n = 0;
        const uint8_t* s = transport.SenseData(n);
        char text[16];
        std::snprintf(text, sizeof text, "%X/%02X/%02X", s[2] & 0x0F, s[12], s[13]);
        return text;
    }
};

// Messages and trace lines as they come, from whichever thread.
class CRecordingDriverUi : public IDriverUi {
  public:
    void ReportError(const std::string& text) override {
        std::lock_guard<std::mutex> lock(mutex_);
        messages.push_back(text);
    }
    void TraceLine(const std::string& line) override {
        std::lock_guard<std::mutex> lock(mutex_);
        traces.push_back(line);
    }
    std::vector<std::string> Messages() {
        std::lock_guard<std::mutex> lock(mutex_);
        return messages;
    }
    std::vector<std::string> messages;
    std::vector<std::string> traces;

  private:
    std::mutex mutex_;
};

}  // namespace testrig
