#include "recording/Normalization.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <system_error>
#include <thread>
#include <vector>

#include "audio/CdSamples.h"
#include "audio/Mp3Source.h"
#include "base/FileIo.h"
#include "base/StartFolder.h"
#include "disc/DiscImage.h"
#include "recording/RecordSession.h"

namespace {
constexpr int32_t kAnalysisBlock = 4608;
const char kDefaultFile[] = "nml.log";

// The analysis of one disc on several threads: each worker takes the next track not yet
// taken and measures it with a decoder of its own.  Workers show the run's progress as
// the lowest track not yet done and how far it has come.
class CLevelAnalysis {
  public:
    CLevelAnalysis(CRecordSession& state, CDiscImage& disc, int32_t tracks)
        : state_(state), disc_(disc), tracks_(tracks) {}

    // Measures tracks until none is left or a stop is requested.
    void Work() {
        CMp3Source source;
        for (;;) {
            int32_t t = next_.fetch_add(1);
            if (t >= tracks_ || Stopped() || !Measure(source, t))
                return;
        }
    }

  private:
    bool Stopped() const { return state_.stopRequested.load() != 0; }

    // The track as the disc image delivers it (silence where the decoder runs short),
    // over its first (track bytes / 4608 - 1) blocks: the last full block and any rest
    // are not examined.  False when a stop ended it.
    bool Measure(CMp3Source& source, int32_t t) {
        const auto i = static_cast<size_t>(t);
        source.Open(disc_.trackPath[i].data());  // a file that no longer opens is silence
        const int32_t chunks = disc_.trackBytes[i] / kAnalysisBlock - 1;
        std::array<uint8_t, kAnalysisBlock> block;
        int32_t peak = 0;
        bool ended = false;
        for (int32_t k = 0; k < chunks; ++k) {
            if (Stopped()) {
                source.Close();
                return false;
            }
            progress_[i].store(static_cast<int32_t>(int64_t{k} * 1000 / chunks),
                               std::memory_order_relaxed);
            Show();
            int32_t got = ended ? 0 : source.Read(block.data(), kAnalysisBlock);
            ended = got < kAnalysisBlock;
            peak = cdsamples::Peak(block.data(), static_cast<size_t>(std::max(got, 0)) / 2, peak);
        }
        source.Close();
        // Each track's peak has one writer; the caller reads it after joining.
        disc_.peak[i] = peak;
        done_[i].store(1);
        Show();
        return true;
    }

    void Show() {
        int32_t t = 0;
        while (t < tracks_ && done_[static_cast<size_t>(t)].load() != 0) ++t;
        state_.currentTrack.store(t);
        if (t < tracks_)
            state_.progress.store(progress_[static_cast<size_t>(t)].load(std::memory_order_relaxed),
                                  std::memory_order_relaxed);
    }

    CRecordSession& state_;
    CDiscImage& disc_;
    const int32_t tracks_;
    std::atomic<int32_t> next_{0};
    std::array<std::atomic<int32_t>, CDiscImage::kMaxTracks> progress_{};
    std::array<std::atomic<int32_t>, CDiscImage::kMaxTracks> done_{};
};
}  // namespace

int32_t AnalyzeLevels(CRecordSession& state, CDiscImage& disc) {
    disc.onlyIf = state.onlyIf.load();
    disc.lower = state.lower.load();
    disc.higher = state.higher.load();
    disc.target = state.target.load();
    state.phase = CRecordSession::kPhaseAnalyzing;
    disc.normalizeOn = 0;  // the tracks are measured as decoded
    state.currentTrack = 0;
    if (state.stopRequested.load() != 0)
        return 0;

    // Every track is decoded once more: on all cores at once.  This thread is one of the
    // workers; a thread that cannot be started leaves its share to the others.
    const int32_t tracks = std::clamp(disc.trackCount, 0, CDiscImage::kMaxTracks);
    const auto cores = static_cast<int32_t>(std::thread::hardware_concurrency());
    const int32_t workers = std::clamp(cores, 1, std::max(tracks, 1));
    CLevelAnalysis analysis(state, disc, tracks);
    std::vector<std::thread> pool;
    for (int32_t i = 1; i < workers; ++i) {
        try {
            pool.emplace_back([&analysis] { analysis.Work(); });
        } catch (const std::system_error&) {
            break;
        }
    }
    analysis.Work();
    for (std::thread& worker : pool) worker.join();
    state.progress = 0;
    // A stop during the last track's blocks still ends the run before the drive.
    return state.stopRequested.load() != 0 ? 0 : 1;
}

int32_t LoadNormalizeDefault(const std::string& startFolder, INormalizeQuestion& question) {
    const std::string path = InFolder(startFolder, kDefaultFile);
    CFile file;
    std::array<uint8_t, 4> stored{};
    if (file.OpenForReading(path.c_str()) && file.ReadAt(0, stored.data(), stored.size()) == 4) {
        return static_cast<int32_t>(
            static_cast<uint32_t>(stored[0]) | static_cast<uint32_t>(stored[1]) << 8 |
            static_cast<uint32_t>(stored[2]) << 16 | static_cast<uint32_t>(stored[3]) << 24);
    }
    file.Close();
    // No default stored yet (a file of fewer than 4 bytes holds none either): ask.
    int32_t result = question.AskNormalizeDefault() == 0 ? 1 : 0;
    stored = {static_cast<uint8_t>(result), 0, 0, 0};
    WriteFileReplacing(path, stored.data(), stored.size());
    return result;
}
