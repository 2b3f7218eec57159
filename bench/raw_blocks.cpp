// Raw writing: CRawBlockWriter::EncodeBlocks over a whole 80-minute disc, from the start
// of a 97:27:00 lead-in to the end of the lead-out, in WRITE-sized runs, against the bare
// copy of the same audio into the same raw layout, measured in the same run.  Both forms
// of subchannel; the speed is also given as a multiple of the 75 blocks/s of 1x.
//
// usage: bench_raw_blocks
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "disc/DiscImage.h"
#include "disc/PQSubChannel16.h"
#include "disc/PWSubChannel96.h"
#include "disc/RawBlockWriter.h"

using Clock = std::chrono::steady_clock;

namespace {
constexpr int kRounds = 5;
constexpr int32_t kTracks = 20;
constexpr int32_t kTrackSeconds = 240;  // 80 minutes in all
const CDiscTime kLeadInStart{97, 27, 0};

double Seconds(Clock::time_point a, Clock::time_point b) {
    return std::chrono::duration<double>(b - a).count();
}

struct Disc {
    std::vector<uint8_t> cue;
    int32_t first = 0;
    int32_t end = 0;  // one past the last lead-out block
};

Disc MakeDisc() {
    auto image = std::make_unique<CDiscImage>();
    image->trackCount = kTracks;
    for (int32_t i = 0; i < kTracks; ++i)
        image->trackSeconds[static_cast<size_t>(i)] = kTrackSeconds;
    int32_t length = 0;
    const uint8_t* p = image->BuildMmcCueSheet(length);
    Disc disc;
    disc.cue.assign(p, p + length);
    disc.first = kLeadInStart.BlockCount() - CRawBlockWriter::kLeadInOrigin;
    disc.end = kTracks * kTrackSeconds * 75 + 6750;
    return disc;
}

// Blocks per second through one function that fills n raw blocks of stride bytes.
template <class Fill>
double Pass(const Disc& disc, int32_t blocksPerWrite, size_t stride, Fill fill) {
    std::vector<uint8_t> audio(static_cast<size_t>(blocksPerWrite) * 2352, 0x11);
    std::vector<uint8_t> out(static_cast<size_t>(blocksPerWrite) * stride);
    uint64_t sum = 0;
    const auto t0 = Clock::now();
    for (int32_t a = disc.first; a < disc.end; a += blocksPerWrite) {
        const int32_t n = std::min(blocksPerWrite, disc.end - a);
        fill(a, audio, n, out);
        sum += out[static_cast<size_t>(n - 1) * stride + 2352];
    }
    const auto t1 = Clock::now();
    if (sum == 1)
        std::printf(" ");  // keeps the work observable
    return (disc.end - disc.first) / Seconds(t0, t1);
}

void Measure(const char* name, const CSubChannel& proto, int32_t blocksPerWrite, const Disc& disc) {
    const size_t sub = static_cast<size_t>(proto.DataLength());
    const size_t stride = 2352 + sub;
    std::vector<double> copy, encode;
    for (int r = 0; r < kRounds; ++r) {
        copy.push_back(
            Pass(disc, blocksPerWrite, stride, [&](int32_t, auto& audio, int32_t n, auto& out) {
                for (int32_t k = 0; k < n; ++k) {
                    std::memcpy(out.data() + k * stride, audio.data() + k * 2352, 2352);
                    std::memset(out.data() + k * stride + 2352, 0, sub);
                }
            }));
        CRawBlockWriter writer;
        if (writer.InitFromCueSheet(&proto, 0, disc.cue.data(),
                                    static_cast<int32_t>(disc.cue.size()), kLeadInStart) != 0) {
            std::fprintf(stderr, "bench_raw_blocks: cue sheet refused\n");
            return;
        }
        encode.push_back(
            Pass(disc, blocksPerWrite, stride, [&](int32_t a, auto& audio, int32_t n, auto& out) {
                writer.EncodeBlocks(a, audio, n, out);
            }));
    }
    std::sort(copy.begin(), copy.end());
    std::sort(encode.begin(), encode.end());
    const double c = copy[kRounds / 2], e = encode[kRounds / 2];
    std::printf("%s, %d blocks per WRITE, medians of %d rounds:\n", name, blocksPerWrite, kRounds);
    std::printf("  bare copy into the raw layout: %12.0f blocks/s\n", c);
    std::printf("  EncodeBlocks:                  %12.0f blocks/s  (%.0fx the 1x rate)\n", e,
                e / 75.0);
    std::printf("  ratio EncodeBlocks / copy:     %12.2f\n", e / c);
}
}  // namespace

int main() {
    const Disc disc = MakeDisc();
    std::printf("disc: %d tracks of %d s, %d blocks from lead-in start to lead-out end\n", kTracks,
                kTrackSeconds, disc.end - disc.first);
    Measure("16-byte P-Q", CPQSubChannel16(), 27, disc);
    Measure("96-byte P-W", CPWSubChannel96(), 26, disc);
    return 0;
}
