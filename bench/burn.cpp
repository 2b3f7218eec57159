// Burning a 74-minute disc of 20 songs to the unthrottled virtual recorder, against
// decoding the same songs through CDiscImage::Read alone, measured in the same run: what
// the ring, its copies, the command path and the drive's model cost on top of decoding.
// Every driver burns on a drive of its kind: "MMC" (disc-at-once with a cue sheet),
// "MMCRAW" with 16- and with 96-byte subchannels (every block from the lead-in to the
// lead-out, the drive decoding each Q), "MMC2", "MMCTRACK", and the vendor drivers
// "2600" (samples turned round both ways), "RIC", "SONY" and "TEAC".  Then the generic burn
// through tunevarn-cli, for its time and its peak memory, and with --normalize, whose
// level analysis decodes every song once more (on all cores).  And the generic burn
// verified: the disc read back from the drive and compared with the songs decoded again,
// against the same burn unverified.
//
// usage: bench_burn [SECONDS] [--verify]   (length of the disc, default 4440: 74 minutes;
//                                          --verify: only decoding and the burn with and
//                                          without verification)
// The songs are made once with sox and lame and kept in the temporary folder; the images
// go to /dev/shm when there is one (so that the disk's speed is not measured) and are
// removed after each round.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "disc/DiscImage.h"
#include "drivers/CdrDriver.h"
#include "drivers/RecorderDiscovery.h"
#include "recording/RecordSession.h"
#include "recording/RecordWorker.h"
#include "scsi/ScsiTransport.h"
#include "virtualdrive/VirtualBus.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {
constexpr int kSongs = 20;
constexpr int kRounds = 3;

double Seconds(Clock::time_point a, Clock::time_point b) {
    return std::chrono::duration<double>(b - a).count();
}

// Processor time of the whole process so far (every thread), in seconds: on a shared
// machine it tells what a run costs when the wall clock cannot.
double CpuSeconds() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// Pink noise under two tones, a different mix per song, 128 kbit/s at 44100 Hz.
std::string MakeSong(const fs::path& dir, int index, int seconds) {
    std::string mp3 =
        (dir / ("song_" + std::to_string(index) + "_" + std::to_string(seconds) + ".mp3")).string();
    if (fs::exists(mp3))
        return mp3;
    std::string wav = (dir / "source.wav").string();
    std::string make = "sox -q -n -r 44100 -c 2 -b 16 '" + wav + "' synth " +
                       std::to_string(seconds) + " pinknoise sine " +
                       std::to_string(220 + 20 * index) + " sine " +
                       std::to_string(330 + 30 * index) +
                       " remix 1,2 2,3 gain -9 2>/dev/null && lame --quiet -b 128 --cbr '" + wav +
                       "' '" + mp3 + ".tmp' && mv '" + mp3 + ".tmp' '" + mp3 + "'";
    if (std::system(make.c_str()) != 0) {
        std::fprintf(stderr, "bench_burn: cannot make %s (are sox and lame installed?)\n",
                     mp3.c_str());
        std::exit(1);
    }
    fs::remove(wav);
    return mp3;
}

std::unique_ptr<CDiscImage> Disc(const std::vector<std::string>& songs) {
    auto disc = std::make_unique<CDiscImage>();
    for (const std::string& song : songs)
        if (disc->AddTrack(song.c_str(), song.c_str()) != 1) {
            std::fprintf(stderr, "bench_burn: %s does not fit the disc\n", song.c_str());
            std::exit(1);
        }
    return disc;
}

// The baseline: the disc read as the filling thread reads it, a ring slot at a time.
int64_t DecodeOnly(const std::vector<std::string>& songs) {
    auto disc = Disc(songs);
    disc->currentTrack = 0;
    disc->OpenTrack(0);
    std::vector<uint8_t> slot(CCdrDriver::kBlocksPerCommand * CCdrDriver::kBlockLength);
    int64_t total = 0;
    for (int32_t got; (got = disc->Read(slot.data(), static_cast<int32_t>(slot.size()))) > 0;)
        total += got;
    return total;
}

class CPrintingUi : public IDriverUi {
  public:
    void ReportError(const std::string& text) override {
        std::fprintf(stderr, "trace: %s\n", text.c_str());
    }
};

void RemoveImages(const fs::path& folder) {
    for (const auto& e : fs::directory_iterator(folder))
        if (e.path().filename().string().rfind("disc-", 0) == 0)
            fs::remove(e.path());
}

// A driver and the drive it writes to.
struct Way {
    const char* label;
    const char* driver;
    CVirtualDeviceConfig::Model model;
    std::vector<int32_t> rawBlockTypes;
};

const std::vector<Way> kWays = {
    {"MMC, cue sheet", "MMC", CVirtualDeviceConfig::Model::kMmc, {}},
    {"MMCRAW, 16-byte P-Q", "MMCRAW", CVirtualDeviceConfig::Model::kMmcRaw, {1}},
    {"MMCRAW, 96-byte P-W", "MMCRAW", CVirtualDeviceConfig::Model::kMmcRaw, {3}},
    {"MMC2", "MMC2", CVirtualDeviceConfig::Model::kMmc2, {}},
    {"MMCTRACK, track-at-once", "MMCTRACK", CVirtualDeviceConfig::Model::kTrackAtOnce, {}},
    {"2600, big-endian samples", "2600", CVirtualDeviceConfig::Model::k2600, {}},
    {"RIC, track extents", "RIC", CVirtualDeviceConfig::Model::kRic, {}},
    {"SONY, byte-count writes", "SONY", CVirtualDeviceConfig::Model::kSony, {}},
    {"TEAC, cue table and TOC", "TEAC", CVirtualDeviceConfig::Model::kTeac, {}},
};

// The whole run of the recording worker on the virtual recorder: true when the disc
// was completed.
bool Burn(const std::vector<std::string>& songs, const fs::path& output, const Way& way,
          bool verify = false) {
    CVirtualDevice::Config config;
    config.outputFolder = output.string();
    config.model = way.model;
    config.rawBlockTypes = way.rawBlockTypes;
    CScsiTransport transport(
        std::make_unique<CVirtualBus>(std::vector<CVirtualDevice::Config>{config}));
    transport.ScanPassThrough();
    transport.SelectDevice(0);
    auto disc = Disc(songs);
    CPrintingUi ui;
    std::unique_ptr<CCdrDriver> driver =
        CRecorderDiscovery::NewDriver(way.driver, transport, *disc, ui);
    CRecordSession state;
    state.driver = driver.get();
    state.speedChoice = 5;
    state.verify = verify ? 1 : 0;
    RecordWorker(state);
    return state.completed.load() == 1 &&
           (!verify || (state.verified.load() == 1 && state.verifyResult.Verified()));
}

struct ChildRun {
    bool ok = false;
    double seconds = 0;
    long maxRssKiB = 0;
};

// VmHWM of the running tunevarn-cli in KiB; `otherwise` when it cannot be read, or while
// the child is still the copy of the bench it is before its exec.
long PeakKiB(pid_t pid, long otherwise) {
    std::FILE* f = std::fopen(("/proc/" + std::to_string(pid) + "/status").c_str(), "r");
    if (f == nullptr)
        return otherwise;
    char line[256];
    long kib = otherwise;
    bool exec = false;
    while (std::fgets(line, sizeof line, f) != nullptr) {
        if (std::strncmp(line, "Name:", 5) == 0)
            exec = std::strstr(line, "tunevarn-cli") != nullptr;
        else if (std::strncmp(line, "VmHWM:", 6) == 0 && exec)
            kib = std::atol(line + 6);
    }
    std::fclose(f);
    return kib;
}

ChildRun BurnWithCli(const std::vector<std::string>& songs, const fs::path& output,
                     const std::vector<std::string>& options = {}) {
    std::vector<std::string> argv = {TUNEVARN_CLI_PATH, "burn", "--speed", "max"};
    argv.insert(argv.end(), options.begin(), options.end());
    argv.insert(argv.end(), songs.begin(), songs.end());
    std::vector<char*> args;
    for (auto& a : argv) args.push_back(a.data());
    args.push_back(nullptr);
    ChildRun run;
    std::fflush(nullptr);
    auto t0 = Clock::now();
    pid_t pid = ::fork();
    if (pid == 0) {
        ::setenv("TUNEVARN_VIRTUAL_RECORDER", output.c_str(), 1);
        ::unsetenv("TUNEVARN_VIRTUAL_BUS");
        // Its phase lines and results would only clutter the figures.
        if (::chdir(output.c_str()) != 0 || !std::freopen("/dev/null", "w", stdout) ||
            !std::freopen("/dev/null", "w", stderr))
            ::_exit(126);
        ::execv(args[0], args.data());
        ::_exit(127);
    }
    // The child's own peak, as the kernel keeps it for its address space (VmHWM), looked
    // at until it ends: its rusage would count the bench's pages it had before exec.
    int status = 0;
    pid_t ended = 0;
    while (pid > 0 && (ended = ::waitpid(pid, &status, WNOHANG)) == 0) {
        run.maxRssKiB = std::max(run.maxRssKiB, PeakKiB(pid, run.maxRssKiB));
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    run.ok = ended == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    run.seconds = Seconds(t0, Clock::now());
    return run;
}
}  // namespace

int main(int argc, char** argv) {
    int seconds = 4440;
    bool verifyOnly = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--verify") == 0)
            verifyOnly = true;
        else
            seconds = std::atoi(argv[i]);
    }
    if (seconds < kSongs || seconds > 4900) {
        std::fprintf(stderr, "usage: bench_burn [SECONDS] [--verify]   (20 to 4900)\n");
        return 2;
    }
    const fs::path dir = fs::temp_directory_path() / "tunevarn-bench-burn";
    fs::create_directories(dir);
    const fs::path output = (fs::exists("/dev/shm") ? fs::path("/dev/shm") : dir) /
                            ("tunevarn-bench-burn-" + std::to_string(::getpid()));
    fs::create_directories(output);

    std::vector<std::string> songs;
    for (int i = 0; i < kSongs; ++i) songs.push_back(MakeSong(dir, i, seconds / kSongs));
    const double discSeconds = Disc(songs)->totalSeconds;  // the songs' whole seconds
    std::printf(
        "disc: %d songs of %d s (%.0f min), 128 kbit/s; images in %s; medians of %d "
        "alternating rounds\n",
        kSongs, seconds / kSongs, discSeconds / 60, output.c_str(), kRounds);

    DecodeOnly(songs);  // warm the page cache
    std::vector<double> decode, decodeCpu, cli, normalized, verified, verifying;
    std::vector<std::vector<double>> burn(kWays.size()), burnCpu(kWays.size());
    long rss = 0;
    for (int r = 0; r < kRounds; ++r) {
        auto t0 = Clock::now();
        const double c0 = CpuSeconds();
        const int64_t bytes = DecodeOnly(songs);
        const double decodeSeconds = Seconds(t0, Clock::now());
        decodeCpu.push_back(CpuSeconds() - c0);
        if (bytes != static_cast<int64_t>(discSeconds) * CDiscImage::kBytesPerSecond) {
            std::fprintf(stderr, "bench_burn: decoding gave %lld bytes\n",
                         static_cast<long long>(bytes));
            return 1;
        }
        decode.push_back(discSeconds / decodeSeconds);
        // The generic burn, then the same verified: the difference is the verification.
        auto t2 = Clock::now();
        const bool plain = Burn(songs, output, kWays[0]);
        const double plainSeconds = Seconds(t2, Clock::now());
        RemoveImages(output);
        t2 = Clock::now();
        const bool checked = Burn(songs, output, kWays[0], true);
        const double checkedSeconds = Seconds(t2, Clock::now());
        RemoveImages(output);
        if (!plain || !checked) {
            std::fprintf(stderr, "bench_burn: the burn did not complete or verify\n");
            return 1;
        }
        verified.push_back(checkedSeconds / plainSeconds);
        verifying.push_back(discSeconds / std::max(checkedSeconds - plainSeconds, 1e-3));
        if (verifyOnly)
            continue;
        for (size_t w = 0; w < kWays.size(); ++w) {
            auto t1 = Clock::now();
            const double c1 = CpuSeconds();
            const bool burnt = Burn(songs, output, kWays[w]);
            const double burnSeconds = Seconds(t1, Clock::now());
            burnCpu[w].push_back(CpuSeconds() - c1);
            RemoveImages(output);
            if (!burnt) {
                std::fprintf(stderr, "bench_burn: the %s burn did not complete\n", kWays[w].label);
                return 1;
            }
            burn[w].push_back(discSeconds / burnSeconds);
        }
        const ChildRun run = BurnWithCli(songs, output);
        RemoveImages(output);
        const ChildRun normalize = BurnWithCli(songs, output, {"--normalize"});
        RemoveImages(output);
        if (!run.ok || !normalize.ok) {
            std::fprintf(stderr, "bench_burn: the tunevarn-cli burn did not complete\n");
            return 1;
        }
        cli.push_back(discSeconds / run.seconds);
        normalized.push_back(normalize.seconds / run.seconds);
        rss = std::max(rss, run.maxRssKiB);
    }
    fs::remove_all(output);
    // The wall clock ratio is what the user sees on an idle machine with two cores: the
    // writer runs beside the decoding.  The processor time says what the burn costs on
    // top of decoding whatever else the machine is doing.
    const double d = Median(decode), dc = Median(decodeCpu);
    std::printf("decode only (CDiscImage::Read):  %6.1fx real time, %.2f s of processor\n", d, dc);
    std::printf(
        "burn --verify / burn (MMC):      %6.2f; the verification alone %.1fx real time "
        "(target >= 10; decoding bounds it)\n",
        Median(verified), Median(verifying));
    if (verifyOnly)
        return 0;
    for (size_t w = 0; w < kWays.size(); ++w) {
        const double b = Median(burn[w]), bc = Median(burnCpu[w]);
        std::printf(
            "burn, %-26s %6.1fx real time, burn / decode %4.2f (target >= 0.90); "
            "processor %+5.1f%%\n",
            (std::string(kWays[w].label) + ":").c_str(), b, b / d, (bc / dc - 1.0) * 100.0);
    }
    std::printf(
        "burn through tunevarn-cli:       %6.1fx real time, peak memory %.1f MiB "
        "(target < 48)\n",
        Median(cli), static_cast<double>(rss) / 1024.0);
    std::printf(
        "burn --normalize / burn (tunevarn-cli): %.2f  (target <= 1.60; level analysis on %u "
        "cores)\n",
        Median(normalized), std::thread::hardware_concurrency());
    return 0;
}
