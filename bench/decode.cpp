// Decoding to CD audio: CDiscImage::Read over 10-minute MP3 files at 44100, 48000 and
// 22050 Hz, against a plain libmpg123 feeding loop that decodes the same file and
// discards the PCM, measured in the same run; the rate conversion alone at each of
// libsoxr's qualities, with the ratios each would give; the WAV export of the 44100 Hz
// song against real time; and the level analysis of a song against "sox FILE -n stat".
//
// usage: bench_decode [SECONDS]   (length of the generated songs, default 600)
// The songs are made once with sox and lame and kept in the temporary folder.
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <mpg123.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "audio/RateConverter.h"
#include "disc/DiscImage.h"
#include "recording/AudioExport.h"
#include "recording/Normalization.h"
#include "recording/RecordSession.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {
constexpr int kRounds = 5;

double Seconds(Clock::time_point a, Clock::time_point b) {
    return std::chrono::duration<double>(b - a).count();
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// A song with the density of music rather than of a test tone: pink noise under two
// tones, encoded at 128 kbit/s at the given rate.
std::string MakeSong(const fs::path& dir, int rate, int seconds) {
    std::string mp3 =
        (dir / ("song_" + std::to_string(rate) + "_" + std::to_string(seconds) + ".mp3")).string();
    if (fs::exists(mp3))
        return mp3;
    std::string wav = (dir / "source.wav").string();
    std::string make = "sox -q -n -r " + std::to_string(rate) + " -c 2 -b 16 '" + wav + "' synth " +
                       std::to_string(seconds) +
                       " pinknoise sine 440 sine 660 remix 1,2 2,3 gain -9 2>/dev/null && lame "
                       "--quiet -b 128 --cbr --resample " +
                       std::to_string(rate / 1000.0) + " '" + wav + "' '" + mp3 + ".tmp' && mv '" +
                       mp3 + ".tmp' '" + mp3 + "'";
    if (std::system(make.c_str()) != 0) {
        std::fprintf(stderr, "bench_decode: cannot make %s (are sox and lame installed?)\n",
                     mp3.c_str());
        std::exit(1);
    }
    fs::remove(wav);
    return mp3;
}

// The floor: the file fed to libmpg123 as the decoder is fed (16384-byte blocks, at
// most 8192 bytes of PCM per call), the PCM thrown away.
int64_t PlainFeedingLoop(const std::string& path) {
    mpg123_handle* h = mpg123_new(nullptr, nullptr);
    mpg123_param(h, MPG123_ADD_FLAGS, MPG123_QUIET, 0);
    mpg123_open_feed(h);
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    std::vector<unsigned char> in(16384), out(8192);
    int64_t pcm = 0, at = 0;
    bool feed = true;
    for (;;) {
        ssize_t got = 0;
        if (feed) {
            got = ::pread(fd, in.data(), in.size(), at);
            if (got <= 0)
                break;
            at += got;
        }
        size_t done = 0;
        int status =
            mpg123_decode(h, feed ? in.data() : nullptr, feed ? static_cast<size_t>(got) : 0,
                          out.data(), out.size(), &done);
        pcm += static_cast<int64_t>(done);
        feed = status != MPG123_OK && status != MPG123_NEW_FORMAT;
    }
    ::close(fd);
    mpg123_delete(h);
    return pcm;
}

// The file's PCM as the plain loop decodes it, kept for the converter alone.
std::vector<int16_t> DecodePcm(const std::string& path, int32_t& channels) {
    mpg123_handle* h = mpg123_new(nullptr, nullptr);
    mpg123_param(h, MPG123_ADD_FLAGS, MPG123_QUIET, 0);
    std::vector<int16_t> pcm;
    channels = 2;
    if (mpg123_open(h, path.c_str()) == MPG123_OK) {
        long rate = 0;
        int encoding = 0;
        mpg123_getformat(h, &rate, &channels, &encoding);
        std::vector<unsigned char> block(16384);
        size_t done = 0;
        int status = MPG123_OK;
        while (status == MPG123_OK || status == MPG123_NEW_FORMAT) {
            status = mpg123_read(h, block.data(), block.size(), &done);
            const auto* s = reinterpret_cast<const int16_t*>(block.data());
            pcm.insert(pcm.end(), s, s + done / 2);
        }
    }
    mpg123_delete(h);
    return pcm;
}

// The converter alone over pcm, in the decoder's 8192-byte chunks: x real time.
double ConverterSpeed(const std::vector<int16_t>& pcm, int32_t channels, int32_t rate,
                      CRateConverter::Quality quality) {
    std::vector<uint8_t> out;
    out.reserve(1 << 20);
    const auto* bytes = reinterpret_cast<const uint8_t*>(pcm.data());
    const size_t total = pcm.size() * 2;
    std::vector<double> speeds;
    for (int r = 0; r < kRounds; ++r) {
        CRateConverter converter(quality);
        auto t0 = Clock::now();
        for (size_t at = 0; at < total; at += 8192) {
            converter.Convert(bytes + at, static_cast<int32_t>(std::min<size_t>(8192, total - at)),
                              channels, rate, out);
            out.clear();
        }
        converter.Finish(out);
        speeds.push_back(static_cast<double>(total) / (2.0 * channels * rate) /
                         Seconds(t0, Clock::now()));
    }
    return Median(speeds);
}

int64_t DiscImageRead(const std::string& path) {
    auto disc = std::make_unique<CDiscImage>();
    if (disc->AddTrack(path.c_str(), path.c_str()) != 1)
        return -1;
    disc->OpenTrack(0);
    std::vector<uint8_t> block(4096);
    int64_t total = 0;
    for (int32_t got; (got = disc->Read(block.data(), 4096)) > 0;) total += got;
    return total;
}

class CQuietUi : public IExportUi {
  public:
    bool AskSaveFile(const CFileDialogRequest&, std::string&) override { return false; }
    void ShowMessage(const std::string& title, const std::string& text) override {
        std::fprintf(stderr, "%s: %s\n", title.c_str(), text.c_str());
    }
};

int32_t Analyze(const std::string& path) {
    auto disc = std::make_unique<CDiscImage>();
    disc->AddTrack(path.c_str(), path.c_str());
    CRecordSession state;
    AnalyzeLevels(state, *disc);
    return disc->peak[0];
}

bool SoxStat(const std::string& path) {
    pid_t pid = ::fork();
    if (pid == 0) {
        int devnull = ::open("/dev/null", O_WRONLY);
        ::dup2(devnull, 1);
        ::dup2(devnull, 2);
        ::execlp("sox", "sox", path.c_str(), "-n", "stat", static_cast<char*>(nullptr));
        ::_exit(127);
    }
    int status = 0;
    return pid > 0 && ::waitpid(pid, &status, 0) == pid && WIFEXITED(status) &&
           WEXITSTATUS(status) == 0;
}
}  // namespace

int main(int argc, char** argv) {
    int seconds = argc > 1 ? std::atoi(argv[1]) : 600;
    if (seconds < 1 || seconds > 4900) {
        std::fprintf(stderr, "usage: bench_decode [SECONDS]\n");
        return 2;
    }
    fs::path dir = fs::temp_directory_path() / "tunevarn-bench-decode";
    fs::create_directories(dir);
    std::printf("songs: %d seconds, 128 kbit/s stereo; medians of %d alternating rounds\n", seconds,
                kRounds);

    std::string song44100;
    double plain48000 = 0;
    for (int rate : {44100, 48000, 22050}) {
        std::string song = MakeSong(dir, rate, seconds);
        if (rate == 44100)
            song44100 = song;
        PlainFeedingLoop(song);  // warm the page cache
        std::vector<double> plain, disc;
        int64_t pcm = 0, cd = 0;
        for (int r = 0; r < kRounds; ++r) {
            auto t0 = Clock::now();
            pcm = PlainFeedingLoop(song);
            auto t1 = Clock::now();
            cd = DiscImageRead(song);
            auto t2 = Clock::now();
            plain.push_back(seconds / Seconds(t0, t1));
            disc.push_back(seconds / Seconds(t1, t2));
        }
        double p = Median(plain), d = Median(disc);
        if (rate == 48000)
            plain48000 = p;
        std::printf("%5d Hz  plain libmpg123 loop: %6.0fx real time (%lld PCM bytes)\n", rate, p,
                    static_cast<long long>(pcm));
        std::printf("          CDiscImage::Read:     %6.0fx real time (%lld CD bytes)\n", d,
                    static_cast<long long>(cd));
        std::printf("          ratio disc / plain:   %6.2f  (target >= %.2f)\n", d / p,
                    rate == 44100 ? 0.90 : 0.50);
    }

    // The converter alone, at each quality, and the ratio it would leave the decoding of
    // the 48000 Hz song: on one thread both costs add up; with decoding on a thread of
    // its own, as CMp3Source does it, the slower of the two sets the pace.
    int32_t channels = 2;
    std::vector<int16_t> pcm = DecodePcm(MakeSong(dir, 48000, seconds), channels);
    const struct {
        const char* name;
        CRateConverter::Quality quality;
    } qualities[] = {{"medium (16-bit)", CRateConverter::Quality::kMedium},
                     {"high (20-bit, used)", CRateConverter::Quality::kHigh},
                     {"very high (28-bit)", CRateConverter::Quality::kVeryHigh}};
    std::printf(
        "48000 Hz rate conversion alone, and the ratio it leaves disc / plain on one thread "
        "and beside the decoder:\n");
    for (const auto& q : qualities) {
        double c = ConverterSpeed(pcm, channels, 48000, q.quality);
        std::printf("          %-20s %6.0fx real time, ratio %.2f and %.2f\n", q.name, c,
                    1.0 / (1.0 + plain48000 / c), std::min(1.0, c / plain48000));
    }

    std::vector<double> exports;
    std::string out = (dir / "export.wav").string();
    for (int r = 0; r < 3; ++r) {
        CQuietUi ui;
        auto t0 = Clock::now();
        ExportResult result = ExportSongFile(ExportFormat::kWav, song44100, out, ui);
        auto t1 = Clock::now();
        if (result != ExportResult::kWritten)
            return 1;
        exports.push_back(seconds / Seconds(t0, t1));
    }
    fs::remove(out);
    std::printf("WAV export of the 44100 Hz song: %6.0fx real time  (target >= 100)\n",
                Median(exports));

    std::vector<double> ours, sox;
    int32_t peak = 0;
    for (int r = 0; r < 3; ++r) {
        auto t0 = Clock::now();
        peak = Analyze(song44100);
        auto t1 = Clock::now();
        if (!SoxStat(song44100)) {
            std::fprintf(stderr, "bench_decode: sox FILE -n stat failed\n");
            return 1;
        }
        auto t2 = Clock::now();
        ours.push_back(Seconds(t0, t1));
        sox.push_back(Seconds(t1, t2));
    }
    std::printf(
        "level analysis: AnalyzeLevels %.3f s (peak %d), sox -n stat %.3f s, "
        "ratio sox / ours %.2f  (target >= 1)\n",
        Median(ours), peak, Median(sox), Median(sox) / Median(ours));
    return 0;
}
