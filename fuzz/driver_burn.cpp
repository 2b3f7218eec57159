// Whole writes by every driver family on a virtual recorder that the fuzzer configures:
// its command set, disc, CD-TEXT and CD-R abilities, lead-in, buffer and path limit,
// failures on any command (sense, transport, BUSY, no sense, time-out), and lying
// replies to the commands that ask the drive something (mode pages, capabilities, disc
// and track information, TOC, buffer capacity, capacity).  The drivers read those
// replies as they would a real drive's, then write a short disc of silent tracks.
//
// Input: a byte of device flags (command set, disc, abilities), the raw block types, the
// driver, the tracks, the lead-in, buffer and path
// sizes, the faults, the replies, and when to press Stop.
//
// Beyond "no crash, no hang": a write that says it completed the disc left a finished
// disc in the drive, the filling threads are done when WriteDisc returns, and every
// message the user sees has words in it.
#include <algorithm>
#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "base/ProcessFlags.h"
#include "disc/CdTextBuilder.h"
#include "disc/DiscImage.h"
#include "drivers/CdrDriver.h"
#include "drivers/DriverUi.h"
#include "drivers/RecorderDiscovery.h"
#include "scsi/ScsiTransport.h"
#include "support/FuzzInput.h"
#include "support/Require.h"
#include "virtualdrive/VirtualBus.h"

namespace {
using Config = CVirtualDevice::Config;

// The operation codes a driver sends, so that most faults land on a command it uses.
constexpr uint8_t kDriverCommands[] = {
    0x00, 0x01, 0x03, 0x12, 0x15, 0x1A, 0x1B, 0x1E, 0x25, 0x2A, 0x35, 0x43,
    0x51, 0x52, 0x54, 0x55, 0x5A, 0x5B, 0x5C, 0x5D, 0xBB, 0x23, 0x46, 0xBE,
};
// Commands that ask something: a canned reply stands for a drive's odd answer.  Commands
// that write or change the drive are not answered this way, or a reply would stand for
// audio the drive never took.
constexpr uint8_t kQuestions[] = {0x12, 0x1A, 0x5A, 0x25, 0x43, 0x51, 0x52, 0x5C, 0x46, 0x23};

class CQuietUi : public IDriverUi {
  public:
    void ReportError(const std::string& text) override { REQUIRE(!text.empty()); }
    void TraceLine(const std::string& line) override { REQUIRE(!line.empty()); }
};

Config ConfigFrom(CFuzzInput& in) {
    Config config;
    const uint8_t flags = in.Byte();
    config.model = static_cast<Config::Model>(flags & 7);
    config.disc = static_cast<CVirtualDiscKind>(((flags >> 3) & 3) % 3);
    config.cdText = (flags & 0x20) == 0;
    config.writesCdr = (flags & 0x40) == 0;
    if ((flags & 0x80) != 0) {
        config.leadInMinute = in.Byte() % 100;
        config.leadInSecond = in.Byte() % 60;
        config.leadInFrame = in.Byte() % 75;
    }
    // Raw data block types the drive takes, bits 1 to 3; none set: all of them.
    if (const uint8_t types = in.Byte(); (types & 0x0E) != 0) {
        config.rawBlockTypes.clear();
        for (int32_t t = 1; t <= 3; ++t)
            if ((types >> t & 1) != 0)
                config.rawBlockTypes.push_back(t);
    }
    const uint8_t sizes = in.Byte();
    static constexpr uint32_t kBuffers[] = {4u << 20, 2352 * 30, 2352, 1u << 20};
    config.bufferBytes = kBuffers[sizes & 3];
    static constexpr uint32_t kTransfers[] = {65536, 2048, 16384, 131072};
    config.maximumTransfer = kTransfers[(sizes >> 2) & 3];
    config.maxSpeed = (sizes >> 4) + 1;
    config.recordedBlocks = 1000;

    for (int32_t n = in.Byte() % 5; n > 0; --n) {
        Config::Fault fault;
        const uint8_t code = in.Byte();
        fault.operationCode =
            code < 0xE0 ? kDriverCommands[code % std::size(kDriverCommands)] : in.Byte();
        fault.first = in.Byte() % 12 + 1;
        const uint8_t times = in.Byte();
        fault.times = times == 0xFF ? -1 : times % 4 + 1;
        fault.kind = static_cast<Config::Fault::Kind>(in.Byte() % 5);
        // Keys 0 and 1 say the command went well: a drive reporting them has done it,
        // which the device's fault does not model.
        fault.senseKey = static_cast<uint8_t>(in.Byte() % 14 + 2);
        fault.asc = in.Byte();
        fault.ascq = in.Byte();
        config.faults.push_back(fault);
    }
    for (int32_t n = in.Byte() % 3; n > 0; --n) {
        Config::Reply reply;
        reply.cdbPrefix.push_back(kQuestions[in.Byte() % std::size(kQuestions)]);
        auto more = in.Bytes(in.Byte() % 3);
        reply.cdbPrefix.insert(reply.cdbPrefix.end(), more.begin(), more.end());
        auto bytes = in.Bytes(in.Byte());
        reply.data.assign(bytes.begin(), bytes.end());
        config.replies.push_back(std::move(reply));
    }
    config.realTime = false;
    config.outputFolder.clear();
    return config;
}

const CCdTextBuilder& Titles() {
    static const CCdTextBuilder* builder = [] {
        auto* b = new CCdTextBuilder;
        b->AddText("Album", 0);
        for (int32_t t = 1; t <= 3; ++t) b->AddText("Track " + std::to_string(t), t);
        b->BuildPacks();
        return b;
    }();
    return *builder;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::vector<std::string> names = CRecorderDiscovery::DriverNames();
    CFuzzInput in(data, size);
    const Config config = ConfigFrom(in);
    const std::string& name = names[in.Byte() % names.size()];

    // A disc of silent tracks: no files, so nothing is decoded.
    CDiscImage image;
    image.trackCount = in.Byte() % 3 + 1;
    for (int32_t t = 0; t < image.trackCount; ++t) {
        const int32_t seconds = in.Byte() % 3 + 1;
        image.trackSeconds[static_cast<size_t>(t)] = seconds;
        image.trackBytes[static_cast<size_t>(t)] = seconds * CDiscImage::kBytesPerSecond;
        image.totalSeconds += seconds;
    }
    image.totalBytes = image.totalSeconds * CDiscImage::kBytesPerSecond;
    const uint8_t run = in.Byte();
    const bool withCdText = (run & 1) != 0;
    const int32_t stopAfterSlots = run >> 1;  // 0: never

    auto owned = std::make_unique<CVirtualBus>(std::vector<Config>{config});
    CVirtualBus& bus = *owned;
    CScsiTransport transport;
    // A settling drive's pauses are taken at once: each would cost seconds of a run.
    transport.SetSleep([](int32_t) {});
    transport.UseBackend(std::move(owned));
    transport.ScanPassThrough();
    REQUIRE(transport.DeviceCount() == 1);
    transport.SelectDevice(0);

    CQuietUi ui;
    std::unique_ptr<CCdrDriver> driver = CRecorderDiscovery::NewDriver(name, transport, image, ui);
    REQUIRE(driver != nullptr);
    driver->SetSleep([](int32_t) {});
    std::atomic<int32_t> permille{0}, phase{0}, stop{0}, track{0};
    std::atomic<int32_t> slots{0};
    if (stopAfterSlots != 0)
        driver->SetFillerHook([&] {
            if (++slots >= stopAfterSlots)
                stop = 1;
        });
    ProcessFlags().cdTextInUse = withCdText ? 1 : 0;
    driver->SetCdTextSource(withCdText ? &Titles() : nullptr);

    // As the worker does before a write; the write goes ahead whatever it said, so that
    // the drivers meet every kind of disc.
    driver->CheckBlankDisc();
    driver->WriteDisc(nullptr, permille, phase, stop, track);
    ProcessFlags().cdTextInUse = 0;

    REQUIRE(driver->fillerRunning.load() == 0);
    if (driver->DiscCompleted() == 1)
        REQUIRE(bus.Device(0).FinishedDiscs() >= 1);
    REQUIRE(permille.load() >= 0 && permille.load() <= 1000);
    return 0;
}
