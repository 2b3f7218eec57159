// Conversion to 44100 Hz stereo on synthetic PCM: the length, the pitch and the level
// at every rate, and a song's state kept to that song.  (The same bytes however a song
// is cut into chunks, and a change of rate part-way: Mp3DecodeTest, against the same
// song converted in one piece.)
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "audio/RateConverter.h"
#include "support/ReferenceDecode.h"

namespace {
constexpr int32_t kRates[] = {8000, 11025, 12000, 16000, 22050, 24000, 32000, 44100, 48000};

// A tone of `hz` for `frames` frames, the right channel at half the left's level.
std::vector<int16_t> Tone(int32_t rate, int32_t channels, int64_t frames, double hz) {
    std::vector<int16_t> pcm;
    for (int64_t i = 0; i < frames; ++i) {
        double v = 12000.0 * std::sin(2.0 * M_PI * hz * static_cast<double>(i) / rate);
        pcm.push_back(static_cast<int16_t>(std::lround(v)));
        if (channels == 2)
            pcm.push_back(static_cast<int16_t>(std::lround(v / 2)));
    }
    return pcm;
}

// The whole of pcm converted in chunks of `chunk` frames, then finished.
std::vector<uint8_t> Convert(CRateConverter& converter, const std::vector<int16_t>& pcm,
                             int32_t channels, int32_t rate, size_t chunk) {
    std::vector<uint8_t> out;
    const auto* bytes = reinterpret_cast<const uint8_t*>(pcm.data());
    size_t total = pcm.size() * 2, step = chunk * 2 * static_cast<size_t>(channels);
    for (size_t at = 0; at < total; at += step)
        EXPECT_TRUE(converter.Convert(bytes + at, static_cast<int32_t>(std::min(step, total - at)),
                                      channels, rate, out));
    converter.Finish(out);
    return out;
}

std::vector<uint8_t> Convert(const std::vector<int16_t>& pcm, int32_t channels, int32_t rate,
                             size_t chunk = 1152) {
    CRateConverter converter;
    return Convert(converter, pcm, channels, rate, chunk);
}

int16_t Sample(const std::vector<uint8_t>& cd, size_t frame, int channel) {
    return static_cast<int16_t>(cd[4 * frame + 2 * channel] | cd[4 * frame + 2 * channel + 1] << 8);
}

TEST(RateConverter, EveryRateKeepsLengthAndPitch) {
    for (int32_t rate : kRates) {
        for (int32_t channels : {1, 2}) {
            // Three seconds of 1000 Hz become three seconds of 1000 Hz, to the frame.
            std::vector<uint8_t> cd = Convert(Tone(rate, channels, 3 * rate, 1000), channels, rate);
            EXPECT_EQ(cd.size(), 3u * 176400) << rate << " Hz, " << channels;
            EXPECT_NEAR(reference::ToneFrequency(cd, 0.5, 2.5), 1000.0, 0.05) << rate << " Hz";
            // The level is kept (the filter passes 1000 Hz unchanged): the left channel's
            // peak within a few steps of the source's, the right at half of it.
            int32_t peakLeft = 0, peakRight = 0;
            for (size_t f = 44100; f < 2 * 44100; ++f) {
                peakLeft = std::max(peakLeft, std::abs(int32_t{Sample(cd, f, 0)}));
                peakRight = std::max(peakRight, std::abs(int32_t{Sample(cd, f, 1)}));
            }
            EXPECT_NEAR(peakLeft, 12000, 60) << rate << " Hz";
            EXPECT_NEAR(peakRight, channels == 2 ? 6000 : 12000, 60) << rate << " Hz";
        }
    }
}

TEST(RateConverter, ResetForgetsTheSong) {
    // Half a song, then Reset: the next song converts as if it were the first.
    const std::vector<int16_t> song = Tone(48000, 2, 48000, 440);
    CRateConverter converter;
    std::vector<uint8_t> scrap;
    converter.Convert(reinterpret_cast<const uint8_t*>(song.data()), 40000, 2, 48000, scrap);
    converter.Reset();
    EXPECT_TRUE(Convert(converter, song, 2, 48000, 1152) == Convert(song, 2, 48000));
}

}  // namespace
