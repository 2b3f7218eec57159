// The conversion rules to 44100 Hz on synthetic PCM: every output frame checked against
// the rule written out independently (output frame j of a repetition with step s and
// period P is input frame floor((a0 + j*s) / P), a0 being the phase carried in).
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <vector>

#include "audio/RateConverter.h"

namespace {
// Stereo frames whose samples tell where they came from: left = index, right = -index.
std::vector<int16_t> Ramp(int32_t frames, int32_t channels, int32_t start = 0) {
    std::vector<int16_t> pcm;
    for (int32_t i = 0; i < frames; ++i) {
        pcm.push_back(static_cast<int16_t>(start + i));
        if (channels == 2)
            pcm.push_back(static_cast<int16_t>(-(start + i)));
    }
    return pcm;
}

struct Frame {
    int16_t left, right;
    bool operator==(const Frame&) const = default;
};

std::vector<Frame> Convert(CRateConverter& converter, const std::vector<int16_t>& pcm,
                           int32_t channels, int32_t rate) {
    std::vector<uint8_t> out(CRateConverter::kMaxOutputBytes + 64, 0xEE);
    int32_t bytes = converter.Convert(reinterpret_cast<const uint8_t*>(pcm.data()),
                                      static_cast<int32_t>(pcm.size() * 2), channels, rate,
                                      out.data(), CRateConverter::kMaxOutputBytes);
    EXPECT_EQ(bytes % 4, 0);
    std::vector<Frame> frames(static_cast<size_t>(bytes / 4));
    // CD audio is little-endian: read it byte by byte, whatever the machine.
    for (size_t j = 0; j < frames.size(); ++j) {
        const uint8_t* p = out.data() + 4 * j;
        frames[j] = {static_cast<int16_t>(p[0] | p[1] << 8),
                     static_cast<int16_t>(p[2] | p[3] << 8)};
    }
    return frames;
}

// Output of a repetition rule over input frames first..first+count-1 of a stereo ramp.
std::vector<Frame> ExpectedRepetition(int32_t first, int32_t count, int32_t step, int32_t period,
                                      int32_t phase) {
    std::vector<Frame> frames;
    for (int64_t j = 0;; ++j) {
        int64_t index = (phase + j * step) / period;
        if (index >= count)
            break;
        auto v = static_cast<int16_t>(first + index);
        frames.push_back({v, static_cast<int16_t>(-v)});
    }
    return frames;
}

TEST(RateConverter, RepetitionRulesMatchTheirFormulaAcrossChunkBoundaries) {
    struct Rule {
        int32_t rate, step, period;
    } rules[] = {{32000, 45, 62},  {24000, 37, 68}, {22050, 1, 2},
                 {16000, 41, 113}, {11025, 1, 4},   {8000, 80, 441}};
    // Uneven chunk sizes, the largest the decoder hands over among them.
    const int32_t chunks[] = {576, 1, 2047, 13, 2048, 300, 1152};
    for (const Rule& rule : rules) {
        CRateConverter converter;
        std::vector<Frame> got;
        int32_t total = 0;
        for (int32_t n : chunks) {
            auto part = Convert(converter, Ramp(n, 2, total), 2, rule.rate);
            got.insert(got.end(), part.begin(), part.end());
            total += n;
        }
        // One chunk or many: the same stream, without a seam.
        EXPECT_EQ(got, ExpectedRepetition(0, total, rule.step, rule.period, 0)) << rule.rate;
        EXPECT_GE(converter.accumulator, 0);
        EXPECT_LT(converter.accumulator, rule.period);
    }
}

TEST(RateConverter, Rate22050WritesEveryFrameTwiceAndOneSecondGivesOneCdSecond) {
    CRateConverter converter;
    int32_t frames = 0;
    for (int32_t done = 0; done < 22050; done += 1152) {
        int32_t n = std::min(1152, 22050 - done);
        auto out = Convert(converter, Ramp(n, 2, done), 2, 22050);
        ASSERT_EQ(out.size(), 2u * static_cast<size_t>(n));
        for (int32_t i = 0; i < n; ++i) {
            EXPECT_EQ(out[2 * i], out[2 * i + 1]);
            EXPECT_EQ(out[2 * i].left, static_cast<int16_t>(done + i));
        }
        frames += static_cast<int32_t>(out.size());
    }
    EXPECT_EQ(frames * 4, 176400);
}

TEST(RateConverter, Rate11025WritesEveryFrameFourTimes) {
    CRateConverter converter;
    std::vector<Frame> out;
    for (int32_t done = 0; done < 11025; done += 4096) {
        auto part = Convert(converter, Ramp(std::min(4096, 11025 - done), 1, done), 1, 11025);
        out.insert(out.end(), part.begin(), part.end());
    }
    ASSERT_EQ(out.size(), 44100u);
    for (size_t j = 0; j < out.size(); ++j) {
        auto v = static_cast<int16_t>(j / 4);
        ASSERT_EQ(out[j], (Frame{v, v})) << j;
    }
}

TEST(RateConverter, Rate24000ChunkOf576GivesFrameCountByCarriedPhase) {
    // 576 x 68 / 37 = 1058.6: 1059 frames while the phase carried in is below 22.  A
    // carried phase is always below the step, 37: it is what is left after an advance.
    for (int32_t phase : {0, 21, 22, 36}) {
        CRateConverter converter;
        converter.accumulator = phase;
        auto out = Convert(converter, Ramp(576, 2), 2, 24000);
        EXPECT_EQ(out.size(), phase < 22 ? 1059u : 1058u) << phase;
        EXPECT_EQ(out, ExpectedRepetition(0, 576, 37, 68, phase)) << phase;
        EXPECT_EQ(converter.accumulator,
                  (phase + static_cast<int32_t>(out.size()) * 37) - 576 * 68);
    }
}

TEST(RateConverter, AnyPhaseInsideThePeriodFollowsTheRule) {
    // Phases of the step or more are only left by another rate, part way through a
    // file; they follow the rule all the same.
    for (int32_t phase : {0, 40, 41, 100, 112}) {
        CRateConverter converter;
        converter.accumulator = phase;
        EXPECT_EQ(Convert(converter, Ramp(576, 2), 2, 16000),
                  ExpectedRepetition(0, 576, 41, 113, phase))
            << phase;
    }
}

TEST(RateConverter, Rate48000DropsEvery13thFrameAcrossChunksAndConverters) {
    std::atomic<int32_t> counter{0};
    // Two converters stand for two files decoded one after the other: the count goes on.
    CRateConverter first(counter), second(counter);
    std::vector<Frame> got;
    int32_t total = 0;
    for (int32_t n : {5, 20, 1152}) {
        auto part = Convert(first, Ramp(n, 2, total), 2, 48000);
        got.insert(got.end(), part.begin(), part.end());
        total += n;
    }
    for (int32_t n : {7, 1152}) {
        auto part = Convert(second, Ramp(n, 2, total), 2, 48000);
        got.insert(got.end(), part.begin(), part.end());
        total += n;
    }
    std::vector<Frame> expected;
    for (int32_t i = 0; i < total; ++i)
        if (i % 13 != 12)
            expected.push_back({static_cast<int16_t>(i), static_cast<int16_t>(-i)});
    EXPECT_EQ(got, expected);
    EXPECT_EQ(counter.load(), total % 13);
}

TEST(RateConverter, MonoBecomesStereoAndRate44100PassesUnchanged) {
    CRateConverter converter;
    auto stereo = Convert(converter, Ramp(2048, 2), 2, 44100);
    EXPECT_EQ(stereo, ExpectedRepetition(0, 2048, 1, 1, 0));
    auto mono = Convert(converter, Ramp(4096, 1, 100), 1, 44100);
    ASSERT_EQ(mono.size(), 4096u);
    for (size_t i = 0; i < mono.size(); ++i)
        ASSERT_EQ(mono[i], (Frame{static_cast<int16_t>(100 + i), static_cast<int16_t>(100 + i)}));
}

TEST(RateConverter, OutputStaysWithinItsCapacity) {
    // The worst chunk: 8192 bytes of mono at 8000 Hz, with the largest phase carried in.
    CRateConverter converter;
    converter.accumulator = 440;
    std::vector<int16_t> pcm = Ramp(4096, 1);
    std::vector<uint8_t> out(CRateConverter::kMaxOutputBytes + 16, 0xEE);
    int32_t bytes = converter.Convert(reinterpret_cast<const uint8_t*>(pcm.data()), 8192, 1, 8000,
                                      out.data(), CRateConverter::kMaxOutputBytes);
    EXPECT_GT(bytes, 4096 * 4 * 5);
    EXPECT_LE(bytes, CRateConverter::kMaxOutputBytes);
    // A small capacity is never written past, for every rule.
    for (int32_t rate : {44100, 48000, 22050, 16000}) {
        std::fill(out.begin(), out.end(), 0xEE);
        bytes = converter.Convert(reinterpret_cast<const uint8_t*>(pcm.data()), 8192, 1, rate,
                                  out.data(), 1000);
        EXPECT_LE(bytes, 1000) << rate;
        EXPECT_EQ(out[1000], 0xEE) << rate;
    }
}

TEST(RateConverter, OddInputAndAForeignPhaseAreHandled) {
    CRateConverter converter;
    // A phase from another rule (or garbage) is brought into the period of this one.
    converter.accumulator = 1000;
    auto out = Convert(converter, Ramp(10, 2), 2, 22050);
    EXPECT_EQ(out, ExpectedRepetition(0, 10, 1, 2, 0));
    // A trailing partial frame is not converted; unusable arguments convert nothing.
    std::vector<int16_t> pcm = Ramp(3, 2);
    uint8_t buffer[64];
    EXPECT_EQ(converter.Convert(reinterpret_cast<const uint8_t*>(pcm.data()), 11, 2, 44100, buffer,
                                sizeof buffer),
              8);
    EXPECT_EQ(converter.Convert(reinterpret_cast<const uint8_t*>(pcm.data()), 12, 3, 44100, buffer,
                                sizeof buffer),
              0);
    EXPECT_EQ(converter.Convert(nullptr, 12, 2, 44100, buffer, sizeof buffer), 0);
}
}  // namespace
