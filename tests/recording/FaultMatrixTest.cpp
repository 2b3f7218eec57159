// Every driver burns three songs on the virtual recorder while one command of the run
// goes wrong: CHECK CONDITION with a write error, a transport that loses the command
// (the drive gone), BUSY, a time-out, or the user's Stop just before it.  The commands
// are taken from a good burn of the same disc, so the matrix follows the drivers as
// they change.  Every run must end (no wait of the driver's may outlast a few seconds
// of asked-for pauses), say why it did not complete, leave the drive unlocked and,
// once anything was written, ejected, and leave no image that looks complete.  The
// recorder runs unthrottled and the drivers' pauses are counted, not slept, so the
// whole matrix takes seconds.  The driver's filling thread runs in every burn: the
// suite is Threaded.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "disc/CdTextBuilder.h"
#include "disc/DiscImage.h"
#include "disc/DiscTestSupport.h"
#include "drivers/CdrDriver.h"
#include "recording/RecordRunSetup.h"
#include "recording/RecordRunView.h"
#include "recording/RecordSession.h"
#include "recording/RecordWorker.h"
#include "scsi/RecorderDiscovery.h"
#include "scsi/ScsiStatus.h"
#include "scsi/ScsiTransport.h"
#include "support/TestPaths.h"
#include "support/VirtualRecorderRig.h"
#include "virtualdrive/VirtualBus.h"

namespace {
using Model = CVirtualDeviceConfig::Model;

enum class What { kNothing, kSense, kTransport, kBusy, kTimeOut, kStop };

const char* Name(What what) {
    switch (what) {
        case What::kSense:
            return "write error";
        case What::kTransport:
            return "transport failure";
        case What::kBusy:
            return "busy";
        case What::kTimeOut:
            return "time-out";
        case What::kStop:
            return "stop";
        default:
            return "nothing";
    }
}

// In front of the virtual bus: counts the commands of the run and, at one of them,
// answers as the kernel would for the fault, or raises Stop and lets it through.
class CFaultingBackend : public IScsiBackend {
  public:
    CFaultingBackend(std::unique_ptr<CVirtualBus> bus, std::atomic<int32_t>& stop)
        : bus_(std::move(bus)), stop_(stop) {}
    CVirtualBus& Bus() { return *bus_; }
    void Arm(What what, size_t at) {
        what_ = what;
        at_ = at;
        count_ = 0;
        opcodes.clear();
    }

    int32_t Scan() override { return bus_->Scan(); }
    int32_t DeviceCount() const override { return bus_->DeviceCount(); }
    std::string DeviceName(int32_t index) const override { return bus_->DeviceName(index); }
    bool Select(int32_t index) override { return bus_->Select(index); }
    uint32_t MaximumTransfer() const override { return bus_->MaximumTransfer(); }
    std::string Problem(int32_t index) const override { return bus_->Problem(index); }
    std::vector<std::string> ScanNotes() const override { return bus_->ScanNotes(); }
    Outcome Send(const Request& request) override {
        opcodes.push_back(request.cdb[0]);
        if (++count_ == at_) {
            std::copy(request.cdb, request.cdb + request.cdbLength, faulted.begin());
            Outcome outcome;
            switch (what_) {
                case What::kSense:
                    outcome.status = scsistatus::kCheckCondition;
                    outcome.driverStatus = scsistatus::kDriverSense;
                    outcome.senseLength = 18;
                    outcome.sense[0] = 0x70;
                    outcome.sense[2] = 0x03;  // medium error: write error
                    outcome.sense[7] = 10;
                    outcome.sense[12] = 0x0C;
                    return outcome;
                case What::kTransport:
                    outcome.systemError = EIO;
                    return outcome;
                case What::kBusy:
                    outcome.status = scsistatus::kBusy;
                    return outcome;
                case What::kTimeOut:
                    outcome.hostStatus = scsistatus::kHostTimeOut;
                    return outcome;
                case What::kStop:
                    stop_ = 1;
                    break;
                case What::kNothing:
                    break;
            }
        }
        return bus_->Send(request);
    }

    std::vector<uint8_t> opcodes;     // of the run, in order
    std::array<uint8_t, 16> faulted{};  // the command that met the fault

  private:
    std::unique_ptr<CVirtualBus> bus_;
    std::atomic<int32_t>& stop_;
    What what_ = What::kNothing;
    size_t at_ = 0;
    size_t count_ = 0;
};

class CNoView : public IRecordRunView {
  public:
    void PostWriteEnded() override {}
};

struct DriverKind {
    const char* name;
    Model model;
    bool cdText;
};

// One burn of three short silent songs, as the Record dialog starts it.
struct CBurn {
    CRecordSession state;
    CFaultingBackend* backend = nullptr;
    CScsiTransport transport;
    std::unique_ptr<CDiscImage> image = disctest::MakeDisc({2, 3, 2});
    testrig::CRecordingDriverUi ui;
    std::unique_ptr<CCdrDriver> driver;
    CCdTextBuilder cdText;
    CNoView view;
    std::string folder = testpaths::TempDir("fault-matrix");
    int64_t askedMs = 0;

    explicit CBurn(const DriverKind& kind) {
        CVirtualDevice::Config config;
        config.model = kind.model;
        config.outputFolder = folder;
        auto bus = std::make_unique<CVirtualBus>(std::vector<CVirtualDevice::Config>{config});
        auto front = std::make_unique<CFaultingBackend>(std::move(bus), state.stopRequested);
        backend = front.get();
        transport.UseBackend(std::move(front));
        transport.ScanPassThrough();
        transport.SelectDevice(0);
        driver = CRecorderDiscovery::NewDriver(kind.name, transport, *image, ui);
        driver->SetSleep([this](int32_t ms) { askedMs += ms; });
        state.driver = driver.get();
        state.view = &view;
        state.speedChoice = 4;
        state.useCdText = kind.cdText ? 1 : 0;
        PrepareCdText(cdText, *driver, state.useCdText.load(), "Album");
    }
    ~CBurn() { CdTextInUse() = 0; }

    void Run(What what, size_t at) {
        backend->Arm(what, at);
        RecordWorker(state);
    }
    CVirtualDevice& Device() { return backend->Bus().Device(0); }
    // Bytes of the disc image the recorder left; 0 when none.
    uintmax_t ImageLeft() const {
        uintmax_t bytes = 0;
        for (const auto& e : std::filesystem::directory_iterator(folder))
            if (e.path().extension() == ".bin" || e.path().extension() == ".cue")
                bytes += std::max<uintmax_t>(e.file_size(), 1);
        return bytes;
    }
};

// The commands worth a fault: the first and last of every run of equal operation
// codes, which reaches every phase and every kind of command without a fault on each
// of the hundreds of CD-TEXT lead-in WRITEs.  Counted from 1.
std::vector<size_t> Sampled(const std::vector<uint8_t>& opcodes) {
    std::vector<size_t> at;
    for (size_t i = 0; i < opcodes.size(); ++i) {
        const bool first = i == 0 || opcodes[i - 1] != opcodes[i];
        const bool last = i + 1 == opcodes.size() || opcodes[i + 1] != opcodes[i];
        if (first || last)
            at.push_back(i + 1);
    }
    return at;
}

// Under the sanitizers a burn runs ten to fifty times slower: there each position gets
// one kind of fault in turn, so every position and every kind is still met, with the
// memory and the threads of each run checked as closely as in the whole matrix.  The
// plain build runs the whole matrix.
#if defined(__SANITIZE_THREAD__) || defined(__SANITIZE_ADDRESS__)
#define TUNEVARN_MATRIX_SAMPLED 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer) || __has_feature(address_sanitizer)
#define TUNEVARN_MATRIX_SAMPLED 1
#endif
#endif
#ifdef TUNEVARN_MATRIX_SAMPLED
constexpr size_t kKindsPerPosition = 1;
#else
constexpr size_t kKindsPerPosition = 5;
#endif

class ThreadedFaultMatrix : public ::testing::TestWithParam<DriverKind> {};

TEST_P(ThreadedFaultMatrix, EveryFaultEndsTheRunWithItsMessage) {
    const DriverKind kind = GetParam();
    std::vector<uint8_t> good;
    uintmax_t goodImage = 0;
    {
        CBurn burn(kind);
        burn.Run(What::kNothing, 0);
        ASSERT_EQ(burn.state.completed, 1) << kind.name << ": " << burn.ui.messages.size();
        ASSERT_TRUE(burn.ui.messages.empty()) << burn.ui.messages[0];
        goodImage = burn.ImageLeft();
        ASSERT_GT(goodImage, 0u);
        good = burn.backend->opcodes;
    }

    const std::vector<size_t> at = Sampled(good);
    ASSERT_GT(at.size(), 10u);
    const What kinds[] = {What::kSense, What::kTransport, What::kBusy, What::kTimeOut,
                          What::kStop};
    for (size_t w = 0; w < std::size(kinds); ++w) {
        const What what = kinds[w];
        for (size_t j = 0; j < at.size(); ++j) {
            if ((j + w) % std::size(kinds) >= kKindsPerPosition)
                continue;
            const size_t k = at[j];
            CBurn burn(kind);
            burn.Run(what, k);
            char where[96];
            std::snprintf(where, sizeof where, "%s, %s at command %zu (%02X)", kind.name,
                          Name(what), k, good[k - 1]);
            const auto messages = burn.ui.Messages();
            const bool completed = burn.state.completed.load() == 1;

            EXPECT_EQ(burn.state.phase, 0) << where;
            EXPECT_EQ(RecordingBusy(), 0) << where;
            EXPECT_LT(burn.askedMs, 10000) << where << ": the run waited too long";
            if (kind.model != Model::kTrackAtOnce || completed) {
                EXPECT_EQ(completed, burn.ImageLeft() > 0) << where << ": an image, no disc";
            } else if (burn.backend->faulted[0] != 0x35) {
                // Track at once closes the session on the tracks it has after a failed or
                // stopped track, as a drive does: a shorter disc, and the run says so.
                // (A flush refused here never reached the recorder, whose disc is whole.)
                EXPECT_LT(burn.ImageLeft(), goodImage) << where << ": a whole disc";
            }
            EXPECT_FALSE(burn.Device().RemovalPrevented()) << where;
            if (what == What::kBusy) {
                // A drive that is busy once is asked again: nothing is lost.
                EXPECT_TRUE(completed) << where;
                EXPECT_TRUE(messages.empty()) << where << ": " << messages[0];
            } else if (what == What::kStop) {
                EXPECT_TRUE(messages.empty()) << where << ": " << messages[0];
            } else if (!completed) {
                ASSERT_FALSE(messages.empty()) << where << ": failed without a word";
                if (what == What::kTransport) {
                    EXPECT_EQ(messages[0],
                              "The recorder no longer answers: it was disconnected or "
                              "switched off.")
                        << where;
                }
                if (what == What::kTimeOut) {
                    EXPECT_EQ(messages[0], "The recorder did not answer in time.") << where;
                }
            }
            bool wrote = false;
            for (uint8_t op : burn.backend->opcodes) wrote = wrote || op == 0x2A || op == 0xE1;
            // A drive that refused the eject itself keeps the disc.
            const auto& hit = burn.backend->faulted;
            const bool ejectRefused = what != What::kStop && what != What::kBusy &&
                                      ((hit[0] == 0x1B && (hit[4] & 0x03) == 0x02) ||
                                       (hit[0] == 0xE7 && hit[8] == 0x01));
            if (wrote && !ejectRefused) {
                EXPECT_TRUE(burn.Device().TrayOpen()) << where << ": not ejected";
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    AllDrivers, ThreadedFaultMatrix,
    ::testing::Values(DriverKind{"MMCCDTEXT", Model::kMmc, true},
                      DriverKind{"MMCRAW", Model::kMmcRaw, false},
                      DriverKind{"MMC2", Model::kMmc2, false},
                      DriverKind{"MMCTRACK", Model::kTrackAtOnce, false},
                      DriverKind{"2600", Model::k2600, false}, DriverKind{"RIC", Model::kRic, false},
                      DriverKind{"SONY", Model::kSony, false},
                      DriverKind{"TEAC", Model::kTeac, false}),
    [](const ::testing::TestParamInfo<DriverKind>& info) {
        return std::string("Driver") + info.param.name;
    });
}  // namespace
