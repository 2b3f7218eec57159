// How soon a burn ends once something goes wrong, per driver, on the virtual recorder in
// real time at 1x with its default 4 MB buffer: the time from the user's Stop (in the
// lead-in, while the tracks are written, while the disc is closed) or from a fault (the
// drive vanishes while it closes the disc; once "long write in progress" or BUSY on a
// WRITE of the tracks) to the end of the run.  The baseline, in the same run, is a good
// burn of the same disc: a fault that is waited out should cost it next to nothing.
//
// usage: bench_trusted_burns [--closing] [DRIVER...]
//   --closing  instead, a drive that never finishes closing the disc: the run gives up
//              after the documented limit (five minutes).
//   DRIVER     only these drivers (default: all).
// The drivers run side by side, each on a recorder of its own: they mostly wait for it.
// "MMCCDTEXT", which writes CD-TEXT (a process-wide setting), runs alone first.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "base/ProcessFlags.h"
#include "disc/CdTextBuilder.h"
#include "disc/DiscImage.h"
#include "drivers/CdrDriver.h"
#include "drivers/RecorderDiscovery.h"
#include "recording/RecordRunSetup.h"
#include "recording/RecordSession.h"
#include "recording/RecordWorker.h"
#include "scsi/ScsiStatus.h"
#include "scsi/ScsiTransport.h"
#include "virtualdrive/VirtualBus.h"
#include "virtualdrive/VirtualBusFront.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using Model = CVirtualDeviceConfig::Model;

namespace {
enum class Event {
    kNone,
    kStopLeadIn,
    kStopTracks,
    kStopClosing,
    kVanish,
    kLongWrite,
    kBusy,
    kNeverClosing
};

struct Driver {
    const char* name;
    Model model;
};
const Driver kDrivers[] = {{"MMCCDTEXT", Model::kMmc}, {"MMCRAW", Model::kMmcRaw},
                           {"MMC2", Model::kMmc2},     {"MMCTRACK", Model::kTrackAtOnce},
                           {"2600", Model::k2600},     {"RIC", Model::kRic},
                           {"SONY", Model::kSony},     {"TEAC", Model::kTeac}};

// In front of the virtual bus: makes the event happen at its place in the run and notes
// when it did.
class CEventBackend : public CVirtualBusFront {
  public:
    CEventBackend(std::unique_ptr<CVirtualBus> bus, Event event, CRecordSession& state)
        : CVirtualBusFront(std::move(bus)), event_(event), state_(state) {}

    Outcome Send(const Request& request) override {
        const uint8_t op = request.cdb[0];
        const bool write = op == 0x2A || op == 0xE1;
        const int32_t phase = state_.phase.load();
        bool here = false;
        if (!fired_) {
            switch (event_) {
                case Event::kStopLeadIn:
                    here = write && phase == CRecordSession::kPhaseLeadIn && ++writes_ == 3;
                    break;
                case Event::kStopTracks:
                case Event::kLongWrite:
                case Event::kBusy:
                    here = write && phase == CRecordSession::kPhaseWritingTracks && ++writes_ == 3;
                    break;
                case Event::kStopClosing:
                case Event::kVanish:
                case Event::kNeverClosing:
                    // Track at once closes the session in the phase of the tracks.
                    here = phase == CRecordSession::kPhaseFinalizing || op == 0x5B;
                    break;
                case Event::kNone:
                    break;
            }
            if (here) {
                fired_ = true;
                at = Clock::now();
            }
        }
        if (here && event_ == Event::kLongWrite)
            return CheckCondition(0x02, 0x04, 0x08);
        if (here && event_ == Event::kBusy) {
            Outcome outcome;
            outcome.status = scsistatus::kBusy;
            return outcome;
        }
        if (here && (event_ == Event::kStopLeadIn || event_ == Event::kStopTracks ||
                     event_ == Event::kStopClosing))
            state_.stopRequested = 1;
        if (fired_ && event_ == Event::kVanish) {
            Outcome outcome;
            outcome.systemError = EIO;
            return outcome;
        }
        if (fired_ && event_ == Event::kNeverClosing && op == 0x00)
            return CheckCondition(0x02, 0x04, 0x08);
        return CVirtualBusFront::Send(request);
    }

    bool Fired() const { return fired_; }
    Clock::time_point at;

  private:
    Event event_;
    CRecordSession& state_;
    bool fired_ = false;
    int32_t writes_ = 0;
};

const char* Heading(Event event) {
    switch (event) {
        case Event::kNone:
            return "good burn";
        case Event::kStopLeadIn:
            return "stop lead";
        case Event::kStopTracks:
            return "stop trk";
        case Event::kStopClosing:
            return "stop clos";
        case Event::kVanish:
            return "vanish";
        case Event::kLongWrite:
            return "longwrite";
        case Event::kBusy:
            return "busy";
        case Event::kNeverClosing:
            return "never cl.";
    }
    return "";
}

class CQuietUi : public IDriverUi {
  public:
    void ReportError(const std::string&) override {}
};

struct Result {
    double whole = 0;   // the run, from its start
    double after = -1;  // from the event to the end; -1 when it never came
    bool completed = false;
};

// One burn of two 4-second silent tracks at 1x, with a 4-second lead-in.
Result Burn(const Driver& kind, Event event, const fs::path& folder) {
    CVirtualDevice::Config config;
    config.model = kind.model;
    config.realTime = true;
    config.leadInMinute = 99;
    config.leadInSecond = 56;
    config.outputFolder = folder.string();
    CRecordSession state;
    auto front = std::make_unique<CEventBackend>(
        std::make_unique<CVirtualBus>(std::vector<CVirtualDevice::Config>{config}), event, state);
    CEventBackend& watch = *front;
    CScsiTransport transport;
    transport.UseBackend(std::move(front));
    transport.ScanPassThrough();
    transport.SelectDevice(0);
    CDiscImage disc;  // tracks without files: silence
    disc.trackCount = 2;
    for (int32_t t = 0; t < 2; ++t) {
        disc.trackSeconds[static_cast<size_t>(t)] = 4;
        disc.trackBytes[static_cast<size_t>(t)] = 4 * CDiscImage::kBytesPerSecond;
    }
    disc.totalSeconds = 8;
    disc.totalBytes = 8 * CDiscImage::kBytesPerSecond;
    CQuietUi ui;
    auto driver = CRecorderDiscovery::NewDriver(kind.name, transport, disc, ui);
    CCdTextBuilder cdText;
    state.driver = driver.get();
    state.speedChoice = 0;  // 1x
    state.useCdText = kind.model == Model::kMmc ? 1 : 0;
    PrepareCdText(cdText, *driver, state.useCdText.load(), "Album");
    const Clock::time_point start = Clock::now();
    RecordWorker(state);
    const Clock::time_point end = Clock::now();
    ProcessFlags().cdTextInUse = 0;
    Result result;
    result.completed = state.completed.load() == 1;
    result.whole = std::chrono::duration<double>(end - start).count();
    if (watch.Fired())
        result.after = std::chrono::duration<double>(end - watch.at).count();
    for (const auto& e : fs::directory_iterator(folder))
        if (e.path().filename().string().rfind("disc-", 0) == 0)
            fs::remove(e.path());
    return result;
}
}  // namespace

int main(int argc, char** argv) {
    bool closing = false;
    std::vector<Driver> chosen;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--closing") == 0)
            closing = true;
        for (const Driver& d : kDrivers)
            if (std::strcmp(argv[i], d.name) == 0)
                chosen.push_back(d);
    }
    if (chosen.empty())
        chosen.assign(std::begin(kDrivers), std::end(kDrivers));
    std::vector<Event> events = {Event::kNone,        Event::kStopLeadIn, Event::kStopTracks,
                                 Event::kStopClosing, Event::kVanish,     Event::kLongWrite,
                                 Event::kBusy};
    if (closing)
        events = {Event::kNone, Event::kNeverClosing};
    const size_t drivers = chosen.size();
    std::vector<std::vector<Result>> results(drivers, std::vector<Result>(events.size()));
    const fs::path base = fs::temp_directory_path() / "tunevarn-bench-trusted";
    fs::create_directories(base);
    auto runDriver = [&](size_t d) {
        const fs::path folder = base / chosen[d].name;
        fs::create_directories(folder);
        for (size_t e = 0; e < events.size(); ++e)
            results[d][e] = Burn(chosen[d], events[e], folder);
    };
    std::vector<std::thread> threads;
    for (size_t d = 0; d < drivers; ++d) {
        if (chosen[d].model == Model::kMmc)
            runDriver(d);
    }
    for (size_t d = 0; d < drivers; ++d) {
        if (chosen[d].model != Model::kMmc)
            threads.emplace_back(runDriver, d);
    }
    for (std::thread& t : threads) t.join();
    fs::remove_all(base);

    std::printf(
        "Seconds from the event to the end of the run, real time at 1x, 4 MB buffer;\n"
        "'-' where the driver has no such place.  Good burn: the whole run, the\n"
        "baseline; longwrite and busy: what the fault added to it.\n\n");
    std::printf("%-10s", "driver");
    for (Event event : events) std::printf(" %9s", Heading(event));
    std::printf("\n");
    for (size_t d = 0; d < drivers; ++d) {
        std::printf("%-10s", chosen[d].name);
        for (size_t e = 0; e < events.size(); ++e) {
            const Result& r = results[d][e];
            const char* done = r.completed ? "c" : " ";
            if (events[e] == Event::kNone)
                std::printf(" %8.2f%s", r.whole, done);
            else if (r.after < 0)
                std::printf(" %9s", "-");
            else if (events[e] == Event::kLongWrite || events[e] == Event::kBusy)
                std::printf(" %+8.2f%s", r.whole - results[d][0].whole, done);
            else
                std::printf(" %8.2f%s", r.after, done);
        }
        std::printf("\n");
    }
    std::printf("\n(c: the disc completed.)\n");
    return 0;
}
