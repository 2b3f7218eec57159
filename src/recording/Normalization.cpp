#include "recording/Normalization.h"

#include <algorithm>
#include <array>

#include "app/FileIo.h"
#include "app/StartFolder.h"
#include "disc/DiscImage.h"
#include "recording/RecordSession.h"

namespace {
constexpr int32_t kAnalysisBlock = 4608;
const char kDefaultFile[] = "nml.log";
}  // namespace

int32_t AnalyzeLevels(CRecordSession& state, CDiscImage& disc) {
    disc.onlyIf = state.onlyIf.load();
    disc.lower = state.lower.load();
    disc.higher = state.higher.load();
    disc.target = state.target.load();
    state.phase = CRecordSession::kPhaseAnalyzing;
    disc.normalizeOn = 0;  // the tracks are measured as decoded
    state.currentTrack = 0;

    std::array<uint8_t, kAnalysisBlock> block;
    const int32_t tracks = std::min(disc.trackCount, CDiscImage::kMaxTracks);
    for (int32_t t = 0; t < tracks; ++t) {
        if (state.stopRequested.load() != 0)
            return 0;
        disc.OpenTrack(t);
        auto& peak = disc.peak[static_cast<size_t>(t)];
        peak = 0;
        // The last full block and any rest of the track are not examined.
        const int32_t chunks = disc.trackBytes[static_cast<size_t>(t)] / kAnalysisBlock - 1;
        for (int32_t k = 0; k < chunks; ++k) {
            if (state.stopRequested.load() != 0)
                break;
            state.progress.store(static_cast<int32_t>(int64_t{k} * 1000 / chunks),
                                 std::memory_order_relaxed);
            int32_t got = disc.ReadTrackData(block.data(), kAnalysisBlock);
            int32_t largest = peak;
            for (int32_t i = 0; i + 1 < got; i += 2) {
                auto sample = static_cast<int16_t>(static_cast<uint16_t>(
                    block[static_cast<size_t>(i)] | block[static_cast<size_t>(i) + 1] << 8));
                largest = std::max(largest, sample < 0 ? -int32_t{sample} : int32_t{sample});
            }
            peak = largest;
        }
        disc.CloseTrack();
        state.currentTrack = t + 1;
    }
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
