#pragma once
// The virtual recorder on a bus of its own behind a transport, its first device selected
// as discovery leaves it, with commands sent by hand; a driver user interface that
// keeps what it is told; and a driver writing a disc of silent tracks to the recorder.
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "base/BigEndian.h"
#include "base/ProcessFlags.h"
#include "disc/DiscImage.h"
#include "disc/DiscTestSupport.h"
#include "drivers/DriverUi.h"
#include "drivers/RecorderDiscovery.h"
#include "scsi/ScsiTransport.h"
#include "support/TestPaths.h"
#include "virtualdrive/VirtualBus.h"

namespace testrig {

using Model = CVirtualDeviceConfig::Model;

struct CVirtualRecorder {
    CVirtualBus* bus = nullptr;
    CScsiTransport transport;

    explicit CVirtualRecorder(const CVirtualDevice::Config& config = {}) {
        auto owned = std::make_unique<CVirtualBus>(std::vector<CVirtualDevice::Config>{config});
        bus = owned.get();
        transport.UseBackend(std::move(owned));
        transport.ScanPassThrough();
        transport.SelectDevice(0);
    }

    CVirtualDevice& Device() { return bus->Device(0); }
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

// A drive of this command set, otherwise as configured by default.
inline CVirtualDevice::Config DriveOf(Model model) {
    CVirtualDevice::Config config;
    config.model = model;
    return config;
}

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

// The driver of that name (or of class TDriver) with a disc of silent tracks (they have
// no files) on a recorder that writes into a folder of its own; the disc checked blank
// as the worker does before a write, the log cleared after.  Waits are recorded instead
// of slept, unless the recorder runs in real time.
template <typename TDriver = CCdrDriver>
struct CDriverRig : CVirtualRecorder {
    std::unique_ptr<CDiscImage> image;
    CRecordingDriverUi ui;
    std::vector<int32_t> sleeps;
    std::unique_ptr<TDriver> driver;
    std::string folder;
    std::atomic<int32_t> permille{0}, phase{0}, stop{0}, track{0};

    CDriverRig(std::vector<int32_t> seconds, CVirtualDevice::Config config, bool realTime = false,
               const std::string& name = "")
        : CVirtualRecorder(WithFolder(config, realTime)),
          image(disctest::MakeDisc(seconds)),
          folder(Device().Configuration().outputFolder) {
        if constexpr (std::is_same_v<TDriver, CCdrDriver>) {
            if (!name.empty())
                driver = CRecorderDiscovery::NewDriver(name, transport, *image, ui);
        }
        if (!driver)
            driver = std::make_unique<TDriver>(transport, *image, ui);
        if (!realTime)
            driver->SetSleep([this](int32_t ms) { sleeps.push_back(ms); });
        ProcessFlags().cdTextInUse = 0;
        driver->CheckBlankDisc();
        Device().ClearLog();
        ui.messages.clear();
    }
    static CVirtualDevice::Config WithFolder(CVirtualDevice::Config config, bool realTime) {
        config.outputFolder = testpaths::TempDir("drive");
        config.realTime = realTime;
        return config;
    }
    ~CDriverRig() { ProcessFlags().cdTextInUse = 0; }

    void WriteDisc() { driver->WriteDisc(nullptr, permille, phase, stop, track); }
    std::vector<CVirtualDevice::LogEntry> Commands(uint8_t operationCode) const {
        std::vector<CVirtualDevice::LogEntry> found;
        for (const auto& e : bus->Device(0).Log())
            if (e.cdb[0] == operationCode)
                found.push_back(e);
        return found;
    }
};

}  // namespace testrig
