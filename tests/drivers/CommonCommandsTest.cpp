// The common recorder commands of the generic MMC driver, checked against the bytes the
// virtual recorder received.
#include <gtest/gtest.h>

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

#include "disc/DiscImage.h"
#include "drivers/CdrDriver.h"
#include "scsi/BigEndian.h"
#include "scsi/ScsiTransport.h"
#include "support/VirtualRecorderRig.h"
#include "virtualdrive/VirtualBus.h"

namespace {
using Fault = CVirtualDevice::Fault;
using Bytes = std::vector<uint8_t>;

struct Rig : testrig::CVirtualRecorder {
    CDiscImage image;
    testrig::CRecordingDriverUi ui;
    std::vector<int32_t> sleeps;
    std::unique_ptr<CCdrDriver> driver;

    explicit Rig(const CVirtualDevice::Config& config = {}) : CVirtualRecorder(config) {
        Device().ClearLog();
        driver = std::make_unique<CCdrDriver>(transport, image, ui);
        driver->SetSleep([this](int32_t ms) { sleeps.push_back(ms); });
    }
    Bytes LastCdb() {
        const auto& e = Device().Log().back();
        return Bytes(e.cdb.begin(), e.cdb.begin() + e.cdbLength);
    }
};

TEST(CommonCommands, SimpleCommandsSendTheirExactBytes) {
    Rig rig;
    CCdrDriver& d = *rig.driver;
    struct Case {
        const char* what;
        std::function<int32_t()> call;
        Bytes cdb;
        IScsiBackend::Direction direction;
    };
    using D = IScsiBackend::Direction;
    const Case cases[] = {
        {"FlushCache", [&] { return d.FlushCache(); }, {0x35, 0, 0, 0, 0, 0, 0, 0, 0, 0}, D::kIn},
        {"Rezero", [&] { return d.Rezero(); }, {0x01, 0, 0, 0, 0, 0}, D::kNone},
        {"PreventRemoval 1", [&] { return d.PreventRemoval(1); }, {0x1E, 0, 0, 0, 1, 0}, D::kIn},
        {"PreventRemoval 0", [&] { return d.PreventRemoval(0); }, {0x1E, 0, 0, 0, 0, 0}, D::kIn},
        {"TestUnitReady", [&] { return d.TestUnitReady(); }, {0, 0, 0, 0, 0, 0}, D::kNone},
        {"SetSpeed 4",
         [&] { return d.SetSpeed(2, 4); },
         {0xBB, 0, 0xFF, 0xFF, 0x02, 0xC4, 0, 0, 0, 0, 0, 0},
         D::kNone},
        {"SetSpeed max",
         [&] { return d.SetSpeed(2, 0); },
         {0xBB, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 0, 0},
         D::kNone},
        {"SetSpeed beyond the field",
         [&] { return d.SetSpeed(2, 400); },
         {0xBB, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 0, 0},
         D::kNone},
        {"LoadUnload 1", [&] { return d.LoadUnload(1); }, {0x1B, 0, 0, 0, 0x03, 0}, D::kNone},
        {"StartStopUnit 1", [&] { return d.StartStopUnit(1); }, {0x1B, 0, 0, 0, 0x01, 0}, D::kNone},
        {"StartStopUnit 0", [&] { return d.StartStopUnit(0); }, {0x1B, 0, 0, 0, 0x00, 0}, D::kNone},
        {"PerformOpc",
         [&] { return d.PerformOpc(); },
         {0x54, 0x01, 0, 0, 0, 0, 0, 0, 0, 0},
         D::kNone},
        {"LoadUnload 0", [&] { return d.LoadUnload(0); }, {0x1B, 0, 0, 0, 0x02, 0}, D::kNone},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.call(), 0) << c.what;
        EXPECT_EQ(rig.LastCdb(), c.cdb) << c.what;
        EXPECT_EQ(rig.Last().direction, c.direction) << c.what;
        EXPECT_EQ(rig.Last().length, 0u) << c.what;
    }
    EXPECT_EQ(rig.Device().OpcCount(), 1);
    EXPECT_TRUE(rig.Device().TrayOpen());
    EXPECT_TRUE(rig.ui.messages.empty());
}

TEST(CommonCommands, FailuresGiveTheirResultsAndMessages) {
    CVirtualDevice::Config config;
    config.faults = {
        {.operationCode = 0xBB,
         .times = -1,
         .kind = Fault::Kind::kSense,
         .senseKey = 5,
         .asc = 0x24},
        {.operationCode = 0x1B, .times = -1, .kind = Fault::Kind::kTransport},
        {.operationCode = 0x25,
         .times = -1,
         .kind = Fault::Kind::kSense,
         .senseKey = 2,
         .asc = 0x3A},
        {.operationCode = 0x52, .times = -1, .kind = Fault::Kind::kTransport},
        {.operationCode = 0x54,
         .times = -1,
         .kind = Fault::Kind::kSense,
         .senseKey = 3,
         .asc = 0x73},
        {.operationCode = 0x01, .times = -1, .kind = Fault::Kind::kBusy},
        {.operationCode = 0x35, .times = -1, .kind = Fault::Kind::kTransport},
        {.operationCode = 0x1E,
         .times = -1,
         .kind = Fault::Kind::kSense,
         .senseKey = 5,
         .asc = 0x20},
    };
    Rig rig(config);
    CCdrDriver& d = *rig.driver;
    int32_t blocks = -7;
    EXPECT_EQ(d.SetSpeed(2, 8), 1);
    EXPECT_EQ(d.StartStopUnit(1), 1);
    EXPECT_EQ(d.ReadCapacity(blocks), 1);
    EXPECT_EQ(blocks, -7);
    EXPECT_EQ(d.NextWritableAddress(), 404850);
    EXPECT_EQ(d.PerformOpc(), 1);
    EXPECT_EQ(d.Rezero(), 1);
    // A command lost in the transport says that the drive is gone, instead of what the
    // command was for.
    const std::string gone = "The recorder no longer answers: it was disconnected or switched off.";
    EXPECT_EQ(rig.ui.messages, (std::vector<std::string>{"Cannot set cd speed.", gone,
                                                         "Cannot read capacity.\n", gone}));
    // The commands whose result is ignored report success even when the drive refused;
    // a drive gone twice in a row is reported once.
    EXPECT_EQ(d.LoadUnload(1), 0);
    EXPECT_EQ(d.FlushCache(), 0);
    EXPECT_EQ(d.PreventRemoval(1), 0);
    EXPECT_EQ(rig.ui.messages.size(), 5u);
}

TEST(CommonCommands, TestUnitReadyTellsNotReadyFromOtherFailures) {
    CVirtualDevice::Config config;
    config.faults = {
        {.operationCode = 0x00,
         .first = 1,
         .kind = Fault::Kind::kSense,
         .senseKey = 6,
         .asc = 0x28},
        {.operationCode = 0x00,
         .first = 2,
         .kind = Fault::Kind::kSense,
         .senseKey = 2,
         .asc = 0x04,
         .ascq = 1},
        {.operationCode = 0x00, .first = 3, .kind = Fault::Kind::kTransport},
        {.operationCode = 0x00, .first = 4, .kind = Fault::Kind::kCheckWithoutSense},
    };
    Rig rig(config);
    EXPECT_EQ(rig.driver->TestUnitReady(), 0);  // unit attention
    EXPECT_EQ(rig.driver->TestUnitReady(), 2);
    EXPECT_EQ(rig.driver->TestUnitReady(), 1);
    EXPECT_EQ(rig.driver->TestUnitReady(), 1);
    EXPECT_EQ(rig.driver->TestUnitReady(), 0);
}

TEST(CommonCommands, ReadCapacityAndTheDiscQueries) {
    CVirtualDevice::Config config;
    config.disc = CVirtualDevice::Disc::kWritten;
    config.recordedBlocks = 336000;
    Rig written(config);
    int32_t blocks = 0;
    EXPECT_EQ(written.driver->ReadCapacity(blocks), 0);
    EXPECT_EQ(blocks, 336000);
    EXPECT_EQ(written.LastCdb(), (Bytes{0x25, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(written.Last().length, 8u);
    // A finished disc says its next writable address is not valid: not a blank disc.
    EXPECT_EQ(written.driver->NextWritableAddress(), 404850);
    EXPECT_EQ(written.LastCdb(), (Bytes{0x52, 0x01, 0, 0, 0, 0xFF, 0, 0, 0x1C, 0}));
    EXPECT_EQ(written.Last().length, 28u);
    EXPECT_TRUE(written.ui.messages.empty());
    EXPECT_EQ(written.driver->CheckBlankDisc(), 1);

    Rig blank;
    EXPECT_EQ(blank.driver->NextWritableAddress(), 0);
    EXPECT_EQ(blank.driver->ReadCapacity(blocks), 0);
    EXPECT_EQ(blocks, 0);  // nothing recorded, and no overflow on the way
}

TEST(CommonCommands, CheckBlankDiscTakesTheLeadInFromTheDisc) {
    CVirtualDevice::Config config;
    config.leadInMinute = 97;
    config.leadInSecond = 27;
    config.leadInFrame = 0;
    Rig rig(config);
    EXPECT_EQ(rig.driver->CheckBlankDisc(), 0);
    EXPECT_EQ(rig.LastCdb(), (Bytes{0x51, 0, 0, 0, 0, 0, 0, 0, 0x2A, 0}));
    EXPECT_EQ(rig.Last().length, 42u);
    EXPECT_EQ(rig.driver->leadInStart.address, 438525);
    EXPECT_EQ(rig.driver->leadInLength, 11475);
    EXPECT_EQ(rig.driver->leadOutLength, 6750);
    EXPECT_TRUE(rig.sleeps.empty());
}

TEST(CommonCommands, CheckBlankDiscTriesOnceMoreOnlyWhenTheDriveIsNotReady) {
    auto run = [](std::vector<Fault> faults, int32_t& commands, std::vector<int32_t>& sleeps) {
        CVirtualDevice::Config config;
        config.faults = std::move(faults);
        Rig rig(config);
        int32_t result = rig.driver->CheckBlankDisc();
        commands = static_cast<int32_t>(rig.Device().Log().size());
        sleeps = rig.sleeps;
        return result;
    };
    int32_t commands = 0;
    std::vector<int32_t> sleeps;
    Fault attention{.operationCode = 0x51, .kind = Fault::Kind::kSense, .senseKey = 6, .asc = 0x28};
    EXPECT_EQ(run({attention}, commands, sleeps), 0);
    EXPECT_EQ(commands, 2);
    EXPECT_EQ(sleeps, std::vector<int32_t>{500});
    attention.times = 2;
    EXPECT_EQ(run({attention}, commands, sleeps), 1);
    EXPECT_EQ(commands, 2);
    Fault illegal{.operationCode = 0x51, .kind = Fault::Kind::kSense, .senseKey = 5, .asc = 0x24};
    EXPECT_EQ(run({illegal}, commands, sleeps), 1);
    EXPECT_EQ(commands, 1);
    Fault transport{.operationCode = 0x51, .kind = Fault::Kind::kTransport};
    EXPECT_EQ(run({transport}, commands, sleeps), 1);
    EXPECT_EQ(commands, 1);
}

TEST(CommonCommands, ModeSense10CopiesThePageWhenItFits) {
    Rig rig;
    std::array<uint8_t, 56> page{};
    EXPECT_EQ(rig.driver->ModeSense10(0x05, page), 0);
    EXPECT_EQ(rig.LastCdb(), (Bytes{0x5A, 0, 0x05, 0, 0, 0, 0, 0, 0xD0, 0}));
    EXPECT_EQ(rig.Last().length, 208u);
    EXPECT_EQ(page[0], 0x05);
    EXPECT_EQ(page[1], 0x36);

    std::array<uint8_t, 40> small{};
    small.fill(0xAA);
    EXPECT_EQ(rig.driver->ModeSense10(0x05, small), 2);
    EXPECT_EQ(rig.ui.messages.back(), "Requested mode page exceeds provided buffer size.");
    EXPECT_EQ(small[0], 0) << "the buffer is cleared first";

    // Page control bits are not the caller's to send.
    EXPECT_EQ(rig.driver->ModeSense10(0xC5, page), 0);
    EXPECT_EQ(rig.LastCdb()[2], 0x05);
}

TEST(CommonCommands, ModeSense10SurvivesLyingLengths) {
    CVirtualDevice::Config config;
    config.replies = {
        // Descriptor length far past the reply.
        {{0x5A, 0x00, 0x01}, {0x00, 0xFF, 0, 0, 0, 0, 0x00, 0xF0}},
        // Page length byte says 255: more than the caller's buffer.
        {{0x5A, 0x00, 0x02}, {0x00, 0x20, 0, 0, 0, 0, 0, 0, 0x02, 0xFF}},
        // Data length no longer than the header: no page.
        {{0x5A, 0x00, 0x03}, {0x00, 0x06, 0, 0, 0, 0, 0, 0}},
    };
    // A page that would run past the 208 bytes asked for: it starts at 200 and claims 34.
    Bytes pastTheEnd(202, 0);
    pastTheEnd[1] = 0xFF;
    pastTheEnd[7] = 0xC0;
    pastTheEnd[200] = 0x04;
    pastTheEnd[201] = 0x20;
    config.replies.push_back({{0x5A, 0x00, 0x04}, pastTheEnd});
    Rig rig(config);
    std::array<uint8_t, 255> buffer{};
    std::array<uint8_t, 56> page{};
    EXPECT_EQ(rig.driver->ModeSense10(0x01, page), 1);
    EXPECT_EQ(rig.ui.messages.back(), "No mode page data received.");
    EXPECT_EQ(rig.driver->ModeSense10(0x02, page), 2);
    EXPECT_EQ(rig.driver->ModeSense10(0x03, page), 1);
    EXPECT_EQ(rig.ui.messages.back(), "No mode page data received.");
    EXPECT_EQ(rig.driver->ModeSense10(0x04, buffer), 1);
    EXPECT_EQ(rig.ui.messages.back(), "No mode page data received.");
    // A failed command gives 1 without a message.
    size_t shown = rig.ui.messages.size();
    EXPECT_EQ(rig.driver->ModeSense10(0x0E, page), 1);
    EXPECT_EQ(rig.ui.messages.size(), shown);
}

TEST(CommonCommands, ModeSense6AllocationAndTheBlockDescriptor) {
    Rig rig;
    std::array<uint8_t, 32> page{};
    std::array<uint8_t, 4> header{};
    std::array<uint8_t, 8> descriptor{};
    EXPECT_EQ(rig.driver->ModeSense6(0x2A, page, &header, &descriptor), 0);
    EXPECT_EQ(rig.LastCdb(), (Bytes{0x1A, 0, 0x2A, 0, 32 + 104, 0}));
    EXPECT_EQ(page[0], 0x2A);
    EXPECT_EQ(header[3], 8);
    EXPECT_EQ(bigendian::Get24(&descriptor[5]), 2048u);

    // 200 + 104 does not fit the one-byte allocation length: it becomes 0, and no page
    // comes back.
    std::array<uint8_t, 200> large{};
    EXPECT_EQ(rig.driver->ModeSense6(0x2A, large, nullptr, nullptr), 1);
    EXPECT_EQ(rig.LastCdb(), (Bytes{0x1A, 0, 0x2A, 0, 0, 0}));
    EXPECT_EQ(rig.ui.messages.back(), "No mode page.");

    std::array<uint8_t, 16> tiny{};
    EXPECT_EQ(rig.driver->ModeSense6(0x05, tiny, nullptr, nullptr), 2);
    EXPECT_EQ(rig.ui.messages.back(), "MP buffer too small.");
}

TEST(CommonCommands, ModeSelectsAndBlockLengthSendTheirParameterLists) {
    Rig rig;
    CCdrDriver& d = *rig.driver;
    EXPECT_EQ(d.SetBlockLength(2352), 0);
    EXPECT_EQ(rig.LastCdb(), (Bytes{0x15, 0, 0, 0, 0x0C, 0}));
    EXPECT_EQ(rig.Last().dataOut, (Bytes{0, 0, 0, 8, 0, 0, 0, 0, 0, 0x00, 0x09, 0x30}));
    EXPECT_EQ(rig.Device().BlockLength(), 2352u);

    std::array<uint8_t, 56> page{};
    ASSERT_EQ(d.ModeSense10(0x05, page), 0);
    page[2] = 0x52;
    EXPECT_EQ(d.ModeSelect10(page), 0);
    EXPECT_EQ(rig.LastCdb(), (Bytes{0x55, 0x10, 0, 0, 0, 0, 0, 0x00, 0x40, 0}));
    ASSERT_EQ(rig.Last().dataOut.size(), 64u);
    EXPECT_EQ(Bytes(rig.Last().dataOut.begin(), rig.Last().dataOut.begin() + 8), Bytes(8, 0));
    EXPECT_EQ(rig.Device().WriteParameters()[2], 0x52);

    // MODE SELECT(6): the header's mode data length is forced to 0, the descriptor
    // length set from what is sent.
    std::array<uint8_t, 4> header = {0x3B, 0x11, 0x22, 0x00};
    std::array<uint8_t, 8> descriptor = {0, 0, 0, 0, 0, 0x00, 0x09, 0x30};
    page[2] = 0x42;
    EXPECT_EQ(d.ModeSelect6(page, &header, &descriptor), 0);
    EXPECT_EQ(rig.LastCdb(), (Bytes{0x15, 0x10, 0, 0, 56 + 12, 0}));
    const Bytes& sent = rig.Last().dataOut;
    EXPECT_EQ(Bytes(sent.begin(), sent.begin() + 12),
              (Bytes{0x00, 0x11, 0x22, 0x08, 0, 0, 0, 0, 0, 0x00, 0x09, 0x30}));
    EXPECT_EQ(sent[12], 0x05);
    EXPECT_EQ(rig.Device().WriteParameters()[2], 0x42);
    EXPECT_EQ(d.ModeSelect6(page, nullptr, nullptr), 0);
    EXPECT_EQ(rig.LastCdb(), (Bytes{0x15, 0x10, 0, 0, 56 + 4, 0}));
    EXPECT_EQ(rig.Last().dataOut[3], 0);
    EXPECT_EQ(rig.Last().dataOut[4], 0x05);

    // A page longer than the span that holds it, or one that cannot fit a six-byte
    // parameter list, is never sent.
    size_t sentCount = rig.Device().Log().size();
    std::array<uint8_t, 10> cut = {0x05, 0x36};
    EXPECT_EQ(d.ModeSelect10(cut), 1);
    std::array<uint8_t, 257> huge{};
    huge[0] = 0x30;
    huge[1] = 0xFF;
    EXPECT_EQ(d.ModeSelect6(huge, nullptr, nullptr), 1);
    EXPECT_EQ(rig.Device().Log().size(), sentCount);

    // A drive that refuses the page: 1, no message.
    page[2] = 0x4F;  // write type 15
    EXPECT_EQ(d.ModeSelect10(page), 1);
    EXPECT_TRUE(rig.ui.messages.empty());
}

TEST(CommonCommands, BufferCapacityLeadLengthsAndWaitingForTheDrive) {
    CVirtualDevice::Config config;
    config.bufferBytes = 2 * 1024 * 1024;
    config.replies = {{{0xEE}, {0x2C, 0xD3, 0x1A, 0x5E}}};
    config.faults = {
        {.operationCode = 0x00,
         .first = 1,
         .times = 3,
         .kind = Fault::Kind::kSense,
         .senseKey = 2,
         .asc = 0x04,
         .ascq = 0x01},
        {.operationCode = 0x5C, .first = 2, .times = -1, .kind = Fault::Kind::kTransport},
    };
    Rig rig(config);
    int32_t length = 0, free = 0;
    EXPECT_EQ(rig.driver->ReadBufferCapacity(length, free), 0);
    EXPECT_EQ(rig.LastCdb(), (Bytes{0x5C, 0, 0, 0, 0, 0, 0, 0, 0x0C, 0}));
    EXPECT_EQ(length, 2 * 1024 * 1024);
    EXPECT_EQ(free, 2 * 1024 * 1024);
    EXPECT_NE(rig.driver->ReadBufferCapacity(length, free), 0);
    EXPECT_EQ(length, 513000);
    EXPECT_EQ(free, 0);

    EXPECT_EQ(rig.driver->ReadLeadLengths(), 0);
    EXPECT_EQ(rig.LastCdb(), (Bytes{0xEE, 0, 0, 0, 0, 0, 0, 0, 0x04, 0}));
    EXPECT_EQ(rig.driver->leadInLength, 0x2CD3);
    EXPECT_EQ(rig.driver->leadOutLength, 0x1A5E);

    // Not ready three times: three waits of a second, four questions.
    rig.Device().ClearLog();
    rig.driver->WaitReady(300);
    EXPECT_EQ(rig.sleeps, (std::vector<int32_t>{1000, 1000, 1000}));
    EXPECT_EQ(rig.Device().Log().size(), 4u);
}

TEST(CommonCommands, WaitReadyGivesUpAfterItsSeconds) {
    CVirtualDevice::Config config;
    config.faults = {{.operationCode = 0x00,
                      .times = -1,
                      .kind = Fault::Kind::kSense,
                      .senseKey = 2,
                      .asc = 0x04,
                      .ascq = 0x08}};
    Rig rig(config);
    rig.driver->WaitReady(5);
    EXPECT_EQ(rig.sleeps.size(), 5u);
    EXPECT_EQ(rig.Device().Log().size(), 6u);
    rig.driver->WaitReady(0);
    EXPECT_EQ(rig.Device().Log().size(), 6u);
}

// A driver whose WRITE is recorded, to see WriteSilence cut a run into commands.
class CCountingDriver : public CCdrDriver {
  public:
    using CCdrDriver::CCdrDriver;
    using CCdrDriver::ReplaceSilenceBuffer;
    int32_t WriteBlocks(int32_t& address, const uint8_t* data, int32_t count) override {
        writes.emplace_back(address, count);
        EXPECT_EQ(data, silenceBuffer.data());
        address += count;
        return static_cast<int32_t>(writes.size()) == failAt ? 1 : 0;
    }
    std::vector<std::pair<int32_t, int32_t>> writes;
    int32_t failAt = -1;
};

TEST(CommonCommands, WriteSilenceWritesWholeCommandsThenTheRest) {
    Rig rig;
    CCountingDriver driver(rig.transport, rig.image, rig.ui);
    int32_t address = -150;
    EXPECT_EQ(driver.WriteSilence(address, 150), 1) << "no silence buffer yet";
    EXPECT_TRUE(driver.writes.empty());
    driver.ReplaceSilenceBuffer();
    EXPECT_EQ(driver.silenceBuffer.size(), 27u * 2352u);
    EXPECT_EQ(driver.WriteSilence(address, 150), 0);
    EXPECT_EQ(address, 0);
    EXPECT_EQ(driver.writes,
              (std::vector<std::pair<int32_t, int32_t>>{
                  {-150, 27}, {-123, 27}, {-96, 27}, {-69, 27}, {-42, 27}, {-15, 15}}));
    driver.writes.clear();
    driver.failAt = 2;
    EXPECT_EQ(driver.WriteSilence(address, 100), 1);
    EXPECT_EQ(driver.writes.size(), 2u);
}

// ReportError blocks the calling (writing) thread until the user acknowledges.
class CAcknowledgedUi : public IDriverUi {
  public:
    void ReportError(const std::string& text) override {
        std::unique_lock<std::mutex> lock(mutex);
        shown = text;
        changed.notify_all();
        changed.wait(lock, [this] { return acknowledged; });
    }
    std::mutex mutex;
    std::condition_variable changed;
    std::string shown;
    bool acknowledged = false;
};

TEST(ThreadedDriver, ReportErrorHoldsTheWritingThreadUntilAcknowledged) {
    CVirtualDevice::Config config;
    config.faults = {{.operationCode = 0xBB,
                      .kind = Fault::Kind::kSense,
                      .senseKey = 5,
                      .asc = 0x24}};
    auto bus = std::make_unique<CVirtualBus>(std::vector<CVirtualDevice::Config>{config});
    CVirtualBus* busView = bus.get();
    CScsiTransport transport(std::move(bus));
    transport.ScanPassThrough();
    transport.SelectDevice(0);
    CDiscImage image;
    CAcknowledgedUi ui;
    CCdrDriver driver(transport, image, ui);
    std::atomic<int32_t> finished{0};
    std::thread worker([&] {
        driver.SetSpeed(2, 4);
        driver.TestUnitReady();
        finished = 1;
    });
    {
        std::unique_lock<std::mutex> lock(ui.mutex);
        ui.changed.wait(lock, [&] { return !ui.shown.empty(); });
        EXPECT_EQ(ui.shown, "Cannot set cd speed.");
        // While the box is up, the worker has sent nothing after the failed command.
        EXPECT_EQ(busView->Device(0).Log().back().cdb[0], 0xBB);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(finished, 0);
    {
        std::lock_guard<std::mutex> lock(ui.mutex);
        ui.acknowledged = true;
    }
    ui.changed.notify_all();
    worker.join();
    EXPECT_EQ(finished, 1);
    EXPECT_EQ(busView->Device(0).Log().back().cdb[0], 0x00);
}

}  // namespace
