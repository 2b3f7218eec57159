// Every driver burns three songs on the virtual recorder while one command of the run
// goes wrong: CHECK CONDITION with a write error, a transport that loses the command
// (the drive gone), BUSY, a time-out, the user's Stop just before it, once "long write
// in progress" on a WRITE or TEST UNIT READY, or from a TEST UNIT READY on a drive that
// never says it is done closing the disc.  The commands are taken from a good burn of
// the same disc, so the matrix follows the drivers as they change.  Every run must end
// (no wait of the driver's may outlast a few seconds of asked-for pauses, the closing
// its documented limit), say why it did not complete, leave the drive unlocked and,
// once anything was written, ejected, and leave no image unless the disc completed or
// the drive took everything but never confirmed closing it (which the run then says).
// The recorder runs unthrottled and the drivers' pauses are counted, not slept, so the
// whole matrix takes seconds.  Then each driver's test write, and its Stop while it
// writes the tracks on a recorder in real time.  The driver's filling thread runs in
// every burn: the suites are Threaded.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <iterator>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "base/ProcessFlags.h"
#include "disc/CdTextBuilder.h"
#include "disc/DiscImage.h"
#include "disc/DiscTestSupport.h"
#include "drivers/CdrDriver.h"
#include "drivers/DriverTexts.h"
#include "drivers/RecorderDiscovery.h"
#include "recording/CountingView.h"
#include "recording/RecordRunSetup.h"
#include "recording/RecordRunView.h"
#include "recording/RecordSession.h"
#include "recording/RecordWorker.h"
#include "scsi/ScsiStatus.h"
#include "scsi/ScsiTransport.h"
#include "support/TestPaths.h"
#include "support/VirtualRecorderRig.h"
#include "virtualdrive/VirtualBus.h"
#include "virtualdrive/VirtualBusFront.h"

namespace {
using drivertext::kClosingUnconfirmed;
using Model = CVirtualDeviceConfig::Model;

enum class What {
    kNothing,
    kSense,
    kTransport,
    kBusy,
    kTimeOut,
    kStop,
    kLongWrite,      // not ready, long write in progress, once
    kNeverReady,     // from here on every TEST UNIT READY: long write in progress
    kStopInTracks,   // the Stop at the third WRITE of the tracks
    kStallInTracks,  // the host a second late with the third WRITE of the tracks
};

// In front of the virtual bus: counts the commands of the run and, at one of them,
// answers as the kernel or a busy drive would for the fault, or raises Stop and lets it
// through.
class CFaultingBackend : public CVirtualBusFront {
  public:
    CFaultingBackend(std::unique_ptr<CVirtualBus> bus, CRecordSession& state)
        : CVirtualBusFront(std::move(bus)),
          stop_(state.stopRequested),
          phase_(state.phase),
          progress_(state.progress) {}
    // A fault meets the at-th command with this operation code: counted so, the polls of
    // the drive's buffer, whose number depends on timing, cannot move it to another
    // command.  A Stop or a stall in the tracks comes at the at-th WRITE there.
    void Arm(What what, size_t at, uint8_t operationCode = 0) {
        what_ = what;
        at_ = at;
        operationCode_ = operationCode;
        writesInTracks_ = 0;
        seen_.fill(0);
        met = false;
        opcodes.clear();
        phases.clear();
    }

    Outcome Send(const Request& request) override {
        opcodes.push_back(request.cdb[0]);
        if (phases.empty() || phases.back() != phase_.load())
            phases.push_back(phase_.load());
        const size_t n = opcodes.size();  // this command's number, from 1
        const size_t nth = ++seen_[request.cdb[0]];
        const bool write = request.cdb[0] == 0x2A || request.cdb[0] == 0xE1;
        if (what_ == What::kStopInTracks || what_ == What::kStallInTracks) {
            if (write && phase_.load() == CRecordSession::kPhaseWritingTracks &&
                ++writesInTracks_ == at_) {
                if (what_ == What::kStallInTracks) {
                    std::this_thread::sleep_for(std::chrono::seconds(1));
                } else {
                    stop_ = 1;
                    stoppedAt = n;
                }
            }
            if (write)
                progressAfterWrites.clear();
            else if (phase_.load() == CRecordSession::kPhaseWritingTracks)
                progressAfterWrites.insert(progress_.load());
            return CVirtualBusFront::Send(request);
        }
        if (what_ == What::kNeverReady && request.cdb[0] == 0x00 && nth > at_)
            return CheckCondition(0x02, 0x04, 0x08);  // long write in progress
        if (request.cdb[0] == operationCode_ && nth == at_) {
            met = true;
            std::copy(request.cdb, request.cdb + request.cdbLength, faulted.begin());
            Outcome outcome;
            switch (what_) {
                case What::kSense:
                    return CheckCondition(0x03, 0x0C, 0x00);  // medium error: write error
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
                    stoppedAt = n;
                    break;
                case What::kLongWrite:
                case What::kNeverReady:
                    return CheckCondition(0x02, 0x04, 0x08);
                case What::kNothing:
                case What::kStopInTracks:
                case What::kStallInTracks:
                    break;
            }
        }
        return CVirtualBusFront::Send(request);
    }

    std::vector<uint8_t> opcodes;       // of the run, in order
    std::vector<int32_t> phases;        // the run's phases at its commands, in order
    bool met = false;                   // the fault met its command
    std::array<uint8_t, 16> faulted{};  // the command that met the fault
    size_t stoppedAt = 0;               // commands sent when Stop came, the one at hand too
    // In real time, while the tracks were written: the progress shown at the commands
    // after the last WRITE.
    std::set<int32_t> progressAfterWrites;

  private:
    std::atomic<int32_t>& stop_;
    const std::atomic<int32_t>& phase_;
    const std::atomic<int32_t>& progress_;
    What what_ = What::kNothing;
    size_t at_ = 0;
    uint8_t operationCode_ = 0;
    std::array<size_t, 256> seen_{};
    size_t writesInTracks_ = 0;
};

struct DriverKind {
    const char* name;
    Model model;
    bool cdText;
    // The driver asks for buffer underrun free recording, and follows the disc by the
    // drive's buffer (the MMC drivers but the raw one).
    bool heldByTheDrive;
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
    CCountingView view;
    std::string folder = testpaths::TempDir("fault-matrix");
    int64_t askedMs = 0;

    // realTime (bytes the drive's buffer holds, 0 for none): the recorder writes at
    // 4x, with a short lead-in, and the driver sleeps its pauses.
    explicit CBurn(const DriverKind& kind, uint32_t realTime = 0,
                   CVirtualDevice::Disc disc = CVirtualDevice::Disc::kBlank) {
        CVirtualDevice::Config config;
        config.model = kind.model;
        config.disc = disc;
        config.outputFolder = folder;
        if (realTime != 0) {
            config.realTime = true;
            config.leadInMinute = 99;
            config.leadInSecond = 58;
            config.bufferBytes = realTime;
        }
        auto bus = std::make_unique<CVirtualBus>(std::vector<CVirtualDevice::Config>{config});
        auto front = std::make_unique<CFaultingBackend>(std::move(bus), state);
        backend = front.get();
        transport.UseBackend(std::move(front));
        transport.ScanPassThrough();
        transport.SelectDevice(0);
        driver = CRecorderDiscovery::NewDriver(kind.name, transport, *image, ui);
        if (realTime == 0)
            driver->SetSleep([this](int32_t ms) { askedMs += ms; });
        state.driver = driver.get();
        state.view = &view;
        state.speedChoice = realTime != 0 ? 2 : 4;
        state.useCdText = kind.cdText ? 1 : 0;
        PrepareCdText(cdText, *driver, state.useCdText.load(), "Album");
    }
    ~CBurn() { ProcessFlags().cdTextInUse = 0; }

    void Run(What what, size_t at, uint8_t operationCode = 0) {
        backend->Arm(what, at, operationCode);
        RecordWorker(state);
    }
    CVirtualDevice& Device() { return backend->Bus().Device(0); }
    // WRITE commands sent after the Stop.
    size_t WritesAfterStop() const {
        const auto& ops = backend->opcodes;
        return static_cast<size_t>(std::count_if(
            ops.begin() + static_cast<std::ptrdiff_t>(std::min(backend->stoppedAt, ops.size())),
            ops.end(), [](uint8_t op) { return op == 0x2A || op == 0xE1; }));
    }
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

// Whether a kind of fault is tried at a command: the two of a busy drive only where a
// drive says so (a WRITE, TEST UNIT READY, CLOSE TRACK/SESSION; a closing that never
// ends at TEST UNIT READY).
bool Applies(What what, uint8_t operationCode) {
    const bool write = operationCode == 0x2A || operationCode == 0xE1;
    if (what == What::kLongWrite)
        return write || operationCode == 0x00 || operationCode == 0x5B;
    if (what == What::kNeverReady)
        return operationCode == 0x00;
    return true;
}

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
        // Prepared, written (the lead-in by the host or not) and closed, in that order (a
        // track-at-once drive closes its tracks and the session as it writes them); then
        // the buttons come back.
        std::vector<int32_t> phases = burn.backend->phases;
        phases.erase(std::remove(phases.begin(), phases.end(), CRecordSession::kPhaseLeadIn),
                     phases.end());
        std::vector<int32_t> expected = {CRecordSession::kPhaseInitializing,
                                         CRecordSession::kPhaseWritingTracks,
                                         CRecordSession::kPhaseFinalizing};
        if (kind.model == Model::kTrackAtOnce)
            expected.pop_back();
        EXPECT_EQ(phases, expected);
        EXPECT_EQ(burn.view.posted, 1);
    }

    const std::vector<size_t> at = Sampled(good);
    ASSERT_GT(at.size(), 10u);
    const struct {
        What what;
        const char* name;
    } kinds[] = {{What::kSense, "write error"},
                 {What::kTransport, "transport failure"},
                 {What::kBusy, "busy"},
                 {What::kTimeOut, "time-out"},
                 {What::kStop, "stop"},
                 {What::kLongWrite, "long write in progress"},
                 {What::kNeverReady, "closing that never ends"}};
    for (size_t w = 0; w < std::size(kinds); ++w) {
        const What what = kinds[w].what;
        for (size_t j = 0; j < at.size(); ++j) {
            const size_t k = at[j];
            if ((j + w) % std::size(kinds) >= kKindsPerPosition || !Applies(what, good[k - 1]))
                continue;
            const uint8_t op = good[k - 1];
            const auto nth = static_cast<size_t>(
                std::count(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(k), op));
            CBurn burn(kind);
            burn.Run(what, nth, op);
            char where[96];
            std::snprintf(where, sizeof where, "%s, %s at command %zu (%02X)", kind.name,
                          kinds[w].name, k, op);
            if (!burn.backend->met) {
                // Only the polls of the drive's buffer come more or fewer times from run
                // to run: a run that polled less never reached this one.
                EXPECT_EQ(op, 0x5C) << where << ": the command never came";
                continue;
            }
            const auto messages = burn.ui.Messages();
            const bool completed = burn.state.completed.load() == 1;
            const bool unconfirmed = burn.driver->ClosingUnconfirmed() == 1;

            EXPECT_EQ(burn.state.phase, 0) << where;
            EXPECT_EQ(ProcessFlags().recordingBusy, 0) << where;
            if (what == What::kNeverReady) {
                // The documented limit of the closing, and not much more.
                const int64_t limit = int64_t{CCdrDriver::kClosingSeconds} * 1000;
                EXPECT_GE(burn.askedMs, limit) << where;
                EXPECT_LT(burn.askedMs, limit + 10000) << where << ": the run waited too long";
            } else {
                EXPECT_LT(burn.askedMs, 10000) << where << ": the run waited too long";
            }
            // The drive left an image only of a disc that completed, or that it took
            // whole but never said it had closed.
            if (!unconfirmed) {
                EXPECT_EQ(completed, burn.ImageLeft() > 0) << where << ": an image, no disc";
            }
            EXPECT_FALSE(completed && unconfirmed) << where;
            EXPECT_FALSE(burn.Device().RemovalPrevented()) << where;
            if (what == What::kBusy || what == What::kLongWrite) {
                // A drive that is busy once is asked again: nothing is lost.
                EXPECT_TRUE(completed) << where;
                EXPECT_TRUE(messages.empty()) << where << ": " << messages[0];
            } else if (what == What::kStop) {
                EXPECT_TRUE(messages.empty()) << where << ": " << messages[0];
                EXPECT_LE(burn.WritesAfterStop(), 1u) << where << ": writing went on";
            } else if (what == What::kNeverReady) {
                EXPECT_FALSE(completed) << where;
                EXPECT_TRUE(unconfirmed) << where;
                EXPECT_EQ(messages, std::vector<std::string>{kClosingUnconfirmed}) << where;
            } else if (!completed) {
                ASSERT_FALSE(messages.empty()) << where << ": failed without a word";
                if (what == What::kTransport) {
                    EXPECT_EQ(messages[0], drivertext::kDriveGone) << where;
                }
                if (what == What::kTimeOut) {
                    EXPECT_EQ(messages[0], drivertext::kDriveTimedOut) << where;
                }
                if (unconfirmed) {
                    EXPECT_EQ(messages.back(), kClosingUnconfirmed) << where;
                }
            }
            bool wrote = false;
            for (uint8_t op : burn.backend->opcodes) wrote = wrote || op == 0x2A || op == 0xE1;
            // A drive that refused the eject itself keeps the disc.
            const auto& hit = burn.backend->faulted;
            const bool ejectRefused =
                what != What::kStop && what != What::kBusy && what != What::kLongWrite &&
                ((hit[0] == 0x1B && (hit[4] & 0x03) == 0x02) || (hit[0] == 0xE7 && hit[8] == 0x01));
            if (wrote && !ejectRefused) {
                EXPECT_TRUE(burn.Device().TrayOpen()) << where << ": not ejected";
            }
        }
    }
}

// A disc that is not blank: one message and nothing written.  A drive of the MMC sets
// says so before the write, and the medium stays in; the vendors' drives refuse the
// layout.
TEST_P(ThreadedFaultMatrix, ADiscThatIsNotBlankGivesOneMessageAndNoWrite) {
    const DriverKind kind = GetParam();
    CBurn burn(kind, 0, CVirtualDevice::Disc::kWritten);
    burn.Run(What::kNothing, 0);
    EXPECT_EQ(burn.ui.Messages().size(), 1u);
    for (uint8_t op : burn.backend->opcodes) EXPECT_TRUE(op != 0x2A && op != 0xE1);
    const bool toldFirst =
        kind.model != Model::k2600 && kind.model != Model::kSony && kind.model != Model::kTeac;
    EXPECT_EQ(burn.Device().TrayOpen(), !toldFirst);
    EXPECT_EQ(burn.view.posted, toldFirst ? 0 : 1);
    EXPECT_EQ(burn.state.phase, 0);
}

// A test write goes through every step and burns nothing: the disc stays blank, and no
// image is left.
TEST_P(ThreadedFaultMatrix, ATestWriteBurnsNothing) {
    CBurn burn(GetParam());
    burn.driver->test = 1;
    burn.Run(What::kNothing, 0);
    EXPECT_EQ(burn.state.completed, 1);
    EXPECT_TRUE(burn.ui.Messages().empty());
    EXPECT_EQ(burn.Device().CurrentDisc(), CVirtualDevice::Disc::kBlank);
    EXPECT_EQ(burn.ImageLeft(), 0u);
}

// A few commands of the drive's buffer.
constexpr uint32_t kSmallBuffer = 4 * 27 * 2448;

// Stop while the tracks are written, on a recorder in real time whose buffer holds a
// few commands: the driver sends at most the command at hand, writes nothing of the
// disc's end, and the run ends with the drive released and ejected and no image.  (The
// time from Stop to the end is measured by bench_trusted_burns.)
TEST_P(ThreadedFaultMatrix, StopWhileWritingTheTracksInRealTime) {
    CBurn burn(GetParam(), kSmallBuffer);
    burn.Run(What::kStopInTracks, 3);
    ASSERT_NE(burn.backend->stoppedAt, 0u) << "the tracks were never written";
    EXPECT_EQ(burn.state.completed, 0);
    EXPECT_TRUE(burn.ui.Messages().empty());
    EXPECT_LE(burn.WritesAfterStop(), 1u);
    EXPECT_FALSE(burn.Device().RemovalPrevented());
    EXPECT_TRUE(burn.Device().TrayOpen());
    EXPECT_EQ(burn.ImageLeft(), 0u);
}

// The host a second late while the buffer holds a fraction of it: a drive that pauses
// with an empty buffer keeps the disc, any other loses it and the user learns it was an
// underrun.
TEST_P(ThreadedFaultMatrix, AStalledHostInRealTime) {
    const DriverKind kind = GetParam();
    CBurn burn(kind, kSmallBuffer);
    burn.Run(What::kStallInTracks, 3);
    if (kind.heldByTheDrive) {
        EXPECT_EQ(burn.state.completed, 1);
        EXPECT_TRUE(burn.ui.Messages().empty());
        EXPECT_GT(burn.Device().Underruns(), 0) << "the drive did run dry";
    } else {
        EXPECT_EQ(burn.state.completed, 0);
        EXPECT_EQ(burn.ui.Messages(), std::vector<std::string>{drivertext::kUnderrunAdvice});
        EXPECT_EQ(burn.ImageLeft(), 0u);
    }
}

// A disc shorter than the drive's buffer: the drive takes it all at once, and progress
// still moves while the drive writes it (before the flush that ends it), where the drive
// says how far it is.
TEST_P(ThreadedFaultMatrix, ProgressMovesWhileTheDriveWritesInRealTime) {
    const DriverKind kind = GetParam();
    if (!kind.heldByTheDrive)
        return;  // the drive does not say: progress counts what was sent
    CBurn burn(kind, 4 * 1024 * 1024);
    burn.Run(What::kStallInTracks, 0);
    EXPECT_EQ(burn.state.completed, 1);
    const std::set<int32_t>& seen = burn.backend->progressAfterWrites;
    // The drive writes the last track out in about half a second, asked every 50 ms: ten
    // or so answers, fewer on a busy machine.
    EXPECT_GE(std::count_if(seen.begin(), seen.end(), [](int32_t p) { return p > 0 && p < 1000; }),
              5);
}

INSTANTIATE_TEST_SUITE_P(AllDrivers, ThreadedFaultMatrix,
                         ::testing::Values(DriverKind{"MMCCDTEXT", Model::kMmc, true, true},
                                           DriverKind{"MMCRAW", Model::kMmcRaw, false, false},
                                           DriverKind{"MMC2", Model::kMmc2, false, true},
                                           DriverKind{"MMCTRACK", Model::kTrackAtOnce, false, true},
                                           DriverKind{"2600", Model::k2600, false, false},
                                           DriverKind{"RIC", Model::kRic, false, false},
                                           DriverKind{"SONY", Model::kSony, false, false},
                                           DriverKind{"TEAC", Model::kTeac, false, false}),
                         [](const ::testing::TestParamInfo<DriverKind>& info) {
                             return std::string("Driver") + info.param.name;
                         });
}  // namespace
