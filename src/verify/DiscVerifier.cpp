#include "verify/DiscVerifier.h"

#include <algorithm>
#include <cstdio>

#include "disc/DiscImage.h"
#include "disc/DiscTime.h"
#include "verify/DiscReader.h"
#include "verify/ReadOffset.h"

namespace {
constexpr int32_t kFramesPerBlock = CDiscReader::kFramesPerBlock;
// Enough of the first track to find the offset past a quiet opening.
constexpr int32_t kSearchBlocks = 10 * 75;
constexpr int32_t kChunkBlocks = 26;

// The audio the disc image makes, from its start: the first blocks kept for the offset
// search come first, then the decoder's.
class CExpectedAudio {
  public:
    explicit CExpectedAudio(CDiscImage& disc) : disc_(disc) {
        disc_.currentTrack = 0;
        disc_.OpenTrack(0);
    }
    ~CExpectedAudio() { disc_.CloseTrack(); }
    CExpectedAudio(const CExpectedAudio&) = delete;
    CExpectedAudio& operator=(const CExpectedAudio&) = delete;

    const std::vector<uint8_t>& Head(int32_t bytes) {
        head_.resize(static_cast<size_t>(bytes));
        head_.resize(static_cast<size_t>(std::max(disc_.Read(head_.data(), bytes), 0)));
        return head_;
    }
    // The next bytes; silence past the end.
    void Next(uint8_t* out, int32_t bytes) {
        const auto fromHead = static_cast<int32_t>(
            std::min<size_t>(static_cast<size_t>(bytes), head_.size() - used_));
        std::copy_n(head_.begin() + static_cast<std::ptrdiff_t>(used_), fromHead, out);
        used_ += static_cast<size_t>(fromHead);
        const int32_t got = std::max(disc_.Read(out + fromHead, bytes - fromHead), 0);
        std::fill(out + fromHead + got, out + bytes, uint8_t{0});
    }

  private:
    CDiscImage& disc_;
    std::vector<uint8_t> head_;
    size_t used_ = 0;
};

std::string TrackTime(int32_t block) {
    char text[32];
    std::snprintf(text, sizeof text, "%d:%02d.%02d", block / 4500, block / 75 % 60, block % 75);
    return text;
}
}  // namespace

bool CVerifyResult::Verified() const {
    return problem.empty() && !stopped && !tracks.empty() &&
           std::all_of(tracks.begin(), tracks.end(),
                       [](const CBlockTally& t) { return t.differing == 0; });
}

std::vector<std::string> CVerifyResult::Lines() const {
    if (!problem.empty())
        return {problem};
    std::vector<std::string> lines;
    char text[128];
    if (offsetKind == Offset::kFound)
        std::snprintf(text, sizeof text, "Read offset: %+d samples", offset);
    else
        std::snprintf(text, sizeof text, "Read offset: not found from the audio; compared at %+d",
                      offset);
    lines.emplace_back(text);
    int32_t differ = 0;
    for (size_t t = 0; t < tracks.size(); ++t) {
        const CBlockTally& tally = tracks[t];
        if (tally.differing == 0)
            std::snprintf(text, sizeof text, "Track %zu: verified", t + 1);
        else
            std::snprintf(text, sizeof text, "Track %zu: differs in %d block%s from %s", t + 1,
                          tally.differing, tally.differing == 1 ? "" : "s",
                          TrackTime(tally.firstDiffering).c_str());
        differ += tally.differing != 0 ? 1 : 0;
        lines.emplace_back(text);
    }
    const auto count = static_cast<int32_t>(tracks.size());
    if (stopped)
        std::snprintf(text, sizeof text, "Verification stopped after %d of the disc's tracks.",
                      count);
    else if (differ == 0)
        std::snprintf(text, sizeof text, "All %d tracks verified.", count);
    else
        std::snprintf(text, sizeof text, "%d of %d tracks differ from what was written.", differ,
                      count);
    lines.emplace_back(text);
    return lines;
}

std::string CVerifyResult::DifferingTracks() const {
    std::string list;
    for (size_t t = 0; t < tracks.size(); ++t)
        if (tracks[t].differing != 0)
            list += (list.empty() ? "" : ", ") + std::to_string(t + 1);
    return list;
}

CVerifyResult VerifyDisc(CScsiTransport& transport, CDiscImage& disc,
                         const std::atomic<int32_t>& stop, std::atomic<int32_t>& permille,
                         const std::function<void(int32_t)>& sleep) {
    CVerifyResult result;
    permille = 0;
    CDiscReader reader(transport, stop);
    if (result.problem = reader.WaitForDisc(sleep); !result.problem.empty())
        return result;
    reader.RetriesOff();
    std::vector<int32_t> starts;
    int32_t leadOut = 0;
    if (result.problem = reader.ReadToc(starts, leadOut); !result.problem.empty())
        return result;
    const int32_t tracks = std::clamp(disc.trackCount, 0, CDiscImage::kMaxTracks);
    if (static_cast<int32_t>(starts.size()) != tracks) {
        result.problem = "The disc has " + std::to_string(starts.size()) +
                         " tracks; the songs make " + std::to_string(tracks) + ".";
        return result;
    }

    // The offset: the first track's opening as written, looked for in what the drive
    // reads around it.
    CExpectedAudio expected(disc);
    const auto searchBlocks =
        static_cast<int32_t>(std::min<int64_t>(kSearchBlocks, disc.TrackBlocks(0)));
    const std::vector<uint8_t>& head = expected.Head(searchBlocks * kBlockBytes);
    const int64_t origin = int64_t{starts[0]} * kFramesPerBlock;
    std::vector<uint8_t> around(head.size() + 2 * readoffset::kMaxOffset * kFrameBytes);
    std::vector<CFrameRead> aroundState(around.size() / kFrameBytes);
    if (!reader.ReadFrames(origin - readoffset::kMaxOffset, around, aroundState)) {
        result.problem = "The recorder does not answer.";
        return result;
    }
    switch (readoffset::FindReadOffset(head, around, result.offset)) {
        case readoffset::Found::kOne:
            result.offsetKind = CVerifyResult::Offset::kFound;
            break;
        case readoffset::Found::kSeveral:
            result.offsetKind = CVerifyResult::Offset::kGuessed;
            break;
        default:
            result.offsetKind = CVerifyResult::Offset::kUnknown;
            result.offset = 0;
    }

    const int64_t totalBlocks = std::max<int64_t>(disc.TotalBlocks(), 1);
    int64_t done = 0;
    std::vector<uint8_t> written(static_cast<size_t>(kChunkBlocks) * kBlockBytes);
    std::vector<uint8_t> read(written.size());
    std::vector<CFrameRead> state(written.size() / kFrameBytes);
    for (int32_t t = 0; t < tracks; ++t) {
        CBlockTally tally;
        const int64_t blocks = disc.TrackBlocks(t);
        const int32_t end = t + 1 < tracks ? starts[static_cast<size_t>(t) + 1] : leadOut;
        for (int64_t b = 0; b < blocks;) {
            if (stop.load() != 0) {
                result.stopped = true;
                return result;
            }
            const auto n = static_cast<int32_t>(std::min<int64_t>(kChunkBlocks, blocks - b));
            const auto bytes = static_cast<size_t>(n) * kBlockBytes;
            expected.Next(written.data(), static_cast<int32_t>(bytes));
            const int64_t address = starts[static_cast<size_t>(t)] + b;
            // Blocks the track on the disc is too short for are missing.
            const auto onDisc = static_cast<int32_t>(std::clamp<int64_t>(end - address, 0, n));
            if (onDisc > 0) {
                const std::span<CFrameRead> frames(state.data(),
                                                   static_cast<size_t>(onDisc) * kFramesPerBlock);
                if (!reader.ReadFrames(
                        address * kFramesPerBlock - result.offset,
                        std::span(read.data(), static_cast<size_t>(onDisc) * kBlockBytes),
                        frames)) {
                    result.problem = "The recorder does not answer.";
                    return result;
                }
                tally.Add(std::span(written.data(), static_cast<size_t>(onDisc) * kBlockBytes),
                          std::span(read.data(), static_cast<size_t>(onDisc) * kBlockBytes), frames,
                          static_cast<int32_t>(b));
            }
            tally.AddMissing(n - onDisc, static_cast<int32_t>(b) + onDisc);
            b += n;
            done += n;
            permille = static_cast<int32_t>(std::min<int64_t>(done * 1000 / totalBlocks, 1000));
        }
        result.tracks.push_back(tally);
    }
    return result;
}
