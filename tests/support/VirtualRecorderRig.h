#pragma once
// The virtual recorder on a bus of its own behind a transport, its first device selected
// as discovery leaves it, with commands sent by hand; a driver user interface that
// keeps what it is told; and a driver of any family writing a disc of silent tracks to
// the recorder.  The rigs of the device, driver and recording tests.
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "base/ProcessFlags.h"
#include "disc/CdTextBuilder.h"
#include "disc/DiscImage.h"
#include "disc/DiscTestSupport.h"
#include "drivers/DriverUi.h"
#include "scsi/BigEndian.h"
#include "scsi/ScsiTransport.h"
#include "support/TestPaths.h"
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

// A drive of this command set, otherwise as configured by default.
inline CVirtualDevice::Config DriveOf(CVirtualDeviceConfig::Model model) {
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

// A WRITE(10) as the recorder saw it.
struct Write {
    int32_t address;
    int32_t blocks;
    bool operator==(const Write&) const = default;
};

// Commands of at most `most` blocks from `from` on, as a driver splits `blocks`.
inline std::vector<Write> Expected(int32_t from, int32_t blocks, int32_t most = 27) {
    std::vector<Write> writes;
    while (blocks > 0) {
        const int32_t n = std::min(blocks, most);
        writes.push_back({from, n});
        from += n;
        blocks -= n;
    }
    return writes;
}

inline std::vector<Write> Join(std::vector<Write> a, const std::vector<Write>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// A driver of class TDriver with a disc of silent tracks (they have no files) on a
// recorder that writes into a folder of its own; the disc checked blank as the worker
// does before a write, the log cleared after.  Waits are recorded instead of slept,
// unless the recorder runs in real time.
template <typename TDriver>
struct CDriverRig : CVirtualRecorder {
    std::unique_ptr<CDiscImage> image;
    CRecordingDriverUi ui;
    std::vector<int32_t> sleeps;
    std::unique_ptr<TDriver> driver;
    std::string folder;
    std::atomic<int32_t> permille{0}, phase{0}, stop{0}, track{0};

    CDriverRig(std::vector<int32_t> seconds, CVirtualDevice::Config config, bool realTime = false)
        : CVirtualRecorder(WithFolder(config, realTime)),
          folder(Device().Configuration().outputFolder) {
        image = disctest::MakeDisc(seconds);
        driver = std::make_unique<TDriver>(transport, *image, ui);
        if (!realTime)
            driver->SetSleep([this](int32_t ms) { sleeps.push_back(ms); });
        ProcessFlags().cdTextInUse = 0;
        driver->CheckBlankDisc();
        Device().ClearLog();
    }
    static CVirtualDevice::Config WithFolder(CVirtualDevice::Config config, bool realTime) {
        config.outputFolder = testpaths::TempDir("drive");
        config.realTime = realTime;
        return config;
    }
    ~CDriverRig() { ProcessFlags().cdTextInUse = 0; }

    void WriteDisc() { driver->WriteDisc(nullptr, permille, phase, stop, track); }
    std::vector<Write> Writes() const {
        std::vector<Write> writes;
        for (const auto& e : bus->Device(0).Log())
            if (e.cdb[0] == 0x2A)
                writes.push_back({static_cast<int32_t>(bigendian::Get32(&e.cdb[2])),
                                  static_cast<int32_t>(bigendian::Get16(&e.cdb[7]))});
        return writes;
    }
    size_t Count(uint8_t operationCode) const {
        size_t n = 0;
        for (const auto& e : bus->Device(0).Log()) n += e.cdb[0] == operationCode;
        return n;
    }
    // The files the recorder left besides its log.
    std::vector<std::string> FilesLeft() const {
        std::vector<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(folder))
            if (e.path().filename() != "commands-0.log")
                names.push_back(e.path().filename().string());
        return names;
    }
};

}  // namespace testrig
