// Everything a drive can answer, as the transport, discovery, the driver's common
// commands and whole writes by each driver family read it (the start folder's
// driver.lst gives products starting "RAW", "TWO", "TRACK", "P2600", "PRIC" and "PTEAC"
// the raw, MMC2, track-at-once, 2600, RIC and TEAC drivers, and CRX100E the SONY one).  A fake bus
// whose devices answer every command with the fuzzer's bytes: a status, sense data of any length, a
// reply of any length, or a failure of the adapter or the kernel.
//
// Input: the number of devices, a byte choosing the path's maximum transfer, a byte for
// the user's choice among several recorders; then, after discovery, operations of the
// driver (one byte each, with a few bytes of arguments) until the input ends.  Every
// command takes the next reply record: a kind byte, then what the kind needs.  Once the
// input is used up every command fails as a vanished device's would, so every loop ends.
#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "disc/CdTextBuilder.h"
#include "disc/DiscImage.h"
#include "drivers/CdrDriver.h"
#include "drivers/ChooseRecorder.h"
#include "drivers/DriverUi.h"
#include "drivers/RecorderDiscovery.h"
#include "scsi/ScsiBackend.h"
#include "scsi/ScsiTransport.h"
#include "support/FuzzInput.h"
#include "support/Require.h"
#include "support/ScratchFolder.h"

namespace {
class CFuzzedBus : public IScsiBackend {
  public:
    explicit CFuzzedBus(CFuzzInput& in) : in_(in) {
        count_ = in.Byte() % 20;
        static constexpr uint32_t kTransfers[] = {0, 512, 2048, 16384, 65536, 0xFFFFFFFF};
        const uint8_t transfer = in.Byte();
        maximumTransfer_ = transfer < 6 * 40 ? kTransfers[transfer % 6] : in.Be32();
    }

    int32_t Scan() override { return count_; }
    int32_t DeviceCount() const override { return count_; }
    std::string DeviceName(int32_t index) const override {
        return "fuzzed " + std::to_string(index);
    }
    bool Select(int32_t index) override { return index >= 0 && index < count_; }
    uint32_t MaximumTransfer() const override { return maximumTransfer_; }
    std::string Problem(int32_t) const override { return ""; }
    std::vector<std::string> ScanNotes() const override { return {}; }

    Outcome Send(const Request& request) override {
        Outcome outcome;
        if (in_.Empty()) {
            outcome.systemError = ENODEV;
            return outcome;
        }
        const uint8_t kind = in_.Byte();
        switch (kind & 7) {
            case 0:  // GOOD, with a reply
            case 5:  // the same, with the kernel driver's status too
                if (kind & 7)
                    outcome.driverStatus = in_.Byte();
                Reply(request, outcome);
                break;
            case 1:  // CHECK CONDITION with sense data; the length may lie
                outcome.status = 0x02;
                outcome.driverStatus = 0x08;
                Sense(outcome);
                break;
            case 2:
                outcome.status = 0x08;  // BUSY
                break;
            case 3:
                outcome.systemError = (kind >> 3) == 0 ? EIO : kind >> 3;
                break;
            case 4:
                outcome.hostStatus = static_cast<uint16_t>(in_.Be16() | 1);
                break;
            case 6:  // CHECK CONDITION and no sense at all
                outcome.status = 0x02;
                break;
            default:  // anything at all
                outcome.status = in_.Byte();
                outcome.hostStatus = static_cast<uint16_t>(in_.Byte() >> 6);
                outcome.driverStatus = in_.Byte();
                Sense(outcome);
                Reply(request, outcome);
                break;
        }
        return outcome;
    }

  private:
    void Sense(Outcome& outcome) {
        outcome.senseLength = in_.Byte();
        auto bytes = in_.Bytes(std::min<size_t>(outcome.senseLength, outcome.sense.size()));
        std::copy(bytes.begin(), bytes.end(), outcome.sense.begin());
    }
    void Reply(const Request& request, Outcome& outcome) {
        uint32_t length = in_.Byte();
        if (length == 0xFF)
            length = in_.Be16();
        auto bytes = in_.Bytes(length);
        size_t n = 0;
        if (request.direction == Direction::kIn && request.dataIn != nullptr) {
            n = std::min<size_t>(bytes.size(), request.length);
            std::copy_n(bytes.begin(), n, request.dataIn);
        }
        outcome.residual = static_cast<int32_t>(request.length - n);
    }

    CFuzzInput& in_;
    int32_t count_ = 0;
    uint32_t maximumTransfer_ = 0;
};

class CQuietUi : public IDriverUi {
  public:
    void ReportError(const std::string& text) override { REQUIRE(!text.empty()); }
};

class CFuzzedChoice : public IChooseRecorder {
  public:
    explicit CFuzzedChoice(int32_t choice) : choice_(choice) {}
    int32_t ChooseRecorder(const std::vector<std::string>& lines) override {
        REQUIRE(lines.size() >= 2 && lines.size() <= CRecorderDiscovery::kMaxCandidates);
        return choice_;
    }

  private:
    int32_t choice_;
};

void CheckIdentification(const CScsiTransport& transport) {
    for (const char* text : {transport.Vendor(), transport.Product(), transport.Revision()}) {
        REQUIRE(std::strlen(text) <= 16);
        for (const char* c = text; *c != '\0'; ++c)
            REQUIRE(static_cast<uint8_t>(*c) >= 0x20 && *c != 0x7F);
    }
}

const CCdTextBuilder& Titles() {
    static const CCdTextBuilder* builder = [] {
        auto* b = new CCdTextBuilder;
        b->AddText("Album", 0);
        b->AddText("First", 1);
        b->AddText("Second", 2);
        b->BuildPacks();
        return b;
    }();
    return *builder;
}

// One operation of the driver.  Its arguments come first, then the replies to the
// commands it sends.
void RunOperation(CFuzzInput& in, CCdrDriver& driver, CScsiTransport& transport,
                  CDiscImage& image) {
    static std::array<uint8_t, 60 * CCdrDriver::kBlockLength> audio{};
    std::array<uint8_t, 4> header{};
    std::array<uint8_t, 8> descriptor{};
    std::vector<uint8_t> page(in.Byte());
    int32_t a = 0, b = 0;
    switch (in.Byte() % 21) {
        case 0:
            driver.ModeSense10(in.Bit() ? 0x05 : 0x2A, page);
            break;
        case 1: {
            page.resize(page.size() % 160);
            const int32_t code = in.Bit() ? 0x05 : 0x2A;
            const bool withHeader = in.Bit(), withDescriptor = in.Bit();
            driver.ModeSense6(code, page, withHeader ? &header : nullptr,
                              withDescriptor ? &descriptor : nullptr);
            break;
        }
        case 2:
            driver.ReadCapacity(a);
            break;
        case 3:
            if (driver.ReadBufferCapacity(a, b) == 0)
                REQUIRE(a >= 0 && b >= 0);
            break;
        case 4:
            driver.NextWritableAddress();
            break;
        case 5:
            driver.CheckBlankDisc();
            break;
        case 6:
            driver.ReadLeadLengths();
            break;
        case 7:
            REQUIRE(driver.TestUnitReady() <= 2);
            break;
        case 8:
            driver.WaitReady(in.Byte() % 8);
            break;
        case 9:
            driver.SetWriteParameters();
            break;
        case 10:
            driver.SendCueSheet();
            break;
        case 11: {
            int32_t address = static_cast<int32_t>(in.Be32());
            driver.WriteBlocks(address, audio.data(), in.Byte() % 61);
            break;
        }
        case 12:
            driver.WriteCdTextLeadIn();
            break;
        case 13:
            driver.SetSpeed(0, in.Byte());
            break;
        case 14: {
            const bool start = in.Bit(), load = in.Bit();
            driver.StartStopUnit(start);
            driver.LoadUnload(load);
            break;
        }
        case 15: {
            const bool prevent = in.Bit();
            const auto length = static_cast<int32_t>(in.Be32());
            driver.PreventRemoval(prevent);
            driver.Rezero();
            driver.PerformOpc();
            driver.SetBlockLength(length);
            break;
        }
        case 16:
            transport.ReadCapabilities();
            break;
        case 17:
            transport.SelectDevice(in.Byte() % 20);
            break;
        case 18: {
            auto bytes = in.Bytes(page.size());
            std::copy(bytes.begin(), bytes.end(), page.begin());
            const bool withHeader = in.Bit(), withDescriptor = in.Bit();
            driver.ModeSelect10(page);
            driver.ModeSelect6(page, withHeader ? &header : nullptr,
                               withDescriptor ? &descriptor : nullptr);
            break;
        }
        case 20: {
            // A whole write of a short disc of silent tracks (no files: nothing decoded).
            image.Clear();
            image.trackCount = in.Byte() % 2 + 1;
            for (int32_t t = 0; t < image.trackCount; ++t) {
                image.trackSeconds[static_cast<size_t>(t)] = 1;
                image.trackBytes[static_cast<size_t>(t)] = CDiscImage::kBytesPerSecond;
            }
            image.totalSeconds = image.trackCount;
            image.totalBytes = image.totalSeconds * CDiscImage::kBytesPerSecond;
            std::atomic<int32_t> permille{0}, phase{0}, stop{0}, track{0};
            driver.WriteDisc(nullptr, permille, phase, stop, track);
            REQUIRE(driver.fillerRunning.load() == 0);
            break;
        }
        default:
            driver.FinishDisc();
            break;
    }
    CheckIdentification(transport);
    int32_t length = 0;
    REQUIRE(transport.SenseData(length) != nullptr && length == CScsiTransport::kSenseReported);
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string start = [] {
        std::string folder = MakeScratchFolder("start");
        WriteScratchFile("start/driver.lst",
                         "; drives and their drivers\r\nMMC (MAKER DRIVE-1)\r\n"
                         "MMCCDTEXT: OTHER WRITER*\r\nSONY CRX100E\r\n"
                         "MMCRAW: RAW*\r\nMMC2: TWO*\r\nMMCTRACK: TRACK*\r\n"
                         "2600: P2600*\r\nRIC: PRIC*\r\nTEAC: PTEAC*\r\n");
        return folder;
    }();
    CFuzzInput in(data, size);
    auto owned = std::make_unique<CFuzzedBus>(in);
    const int32_t choice = static_cast<int8_t>(in.Byte());
    CScsiTransport transport(std::move(owned));
    // A settling drive's pauses are taken at once: each would cost seconds of a run.
    transport.SetSleep([](int32_t) {});
    CDiscImage image;
    CQuietUi ui;
    CRecorderDiscovery discovery(transport, image, ui);
    CFuzzedChoice chooser(choice);
    discovery.DetectRecorders(start, chooser);
    REQUIRE(transport.DeviceCount() >= 0 && transport.DeviceCount() <= CScsiTransport::kMaxDevices);
    REQUIRE(transport.MaximumTransfer() <= CScsiTransport::kMaximumTransferCap);
    CheckIdentification(transport);
    REQUIRE(!discovery.RecorderLine().empty());

    std::unique_ptr<CCdrDriver> own;
    CCdrDriver* driver = discovery.Driver();
    if (driver == nullptr) {
        if (transport.SelectDevice(0) != 0 && transport.CurrentDevice() < 0)
            return 0;
        own = std::make_unique<CCdrDriver>(transport, image, ui);
        driver = own.get();
    }
    driver->SetSleep([](int32_t) {});
    driver->SetCdTextSource(&Titles());
    while (!in.Empty()) RunOperation(in, *driver, transport, image);
    return 0;
}
