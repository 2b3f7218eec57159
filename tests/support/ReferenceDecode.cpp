#include "support/ReferenceDecode.h"

#include <mpg123.h>

#include <algorithm>

#include "audio/RateConverter.h"

namespace reference {
Pcm DecodeFile(const std::string& path) {
    Pcm pcm;
    mpg123_init();
    mpg123_handle* h = mpg123_new(nullptr, nullptr);
    if (h == nullptr)
        return pcm;
    mpg123_param(h, MPG123_ADD_FLAGS, MPG123_QUIET, 0);
    mpg123_format_none(h);
    const long* rates = nullptr;
    size_t count = 0;
    mpg123_rates(&rates, &count);
    for (size_t i = 0; i < count; ++i)
        mpg123_format(h, rates[i], MPG123_MONO | MPG123_STEREO, MPG123_ENC_SIGNED_16);
    if (mpg123_open(h, path.c_str()) == MPG123_OK) {
        long rate = 0;
        int channels = 0, encoding = 0;
        if (mpg123_getformat(h, &rate, &channels, &encoding) == MPG123_OK) {
            pcm.rate = static_cast<int32_t>(rate);
            pcm.channels = channels;
        }
        unsigned char block[16384];
        for (;;) {
            size_t done = 0;
            int status = mpg123_read(h, block, sizeof block, &done);
            const auto* s = reinterpret_cast<const int16_t*>(block);
            pcm.samples.insert(pcm.samples.end(), s, s + done / 2);
            if (status != MPG123_OK && status != MPG123_NEW_FORMAT)
                break;
        }
        mpg123_close(h);
    }
    mpg123_delete(h);
    return pcm;
}

std::vector<uint8_t> ToCdAudio(const Pcm& pcm) {
    std::vector<uint8_t> out;
    CRateConverter converter;
    converter.Convert(reinterpret_cast<const uint8_t*>(pcm.samples.data()),
                      static_cast<int32_t>(pcm.samples.size() * 2), pcm.channels, pcm.rate, out);
    converter.Finish(out);
    return out;
}

double ToneFrequency(const std::vector<uint8_t>& cd, double from, double to) {
    auto left = [&](size_t i) {
        return static_cast<double>(static_cast<int16_t>(cd[4 * i] | cd[4 * i + 1] << 8));
    };
    size_t first = static_cast<size_t>(from * 44100), last = static_cast<size_t>(to * 44100);
    last = std::min(last, cd.size() / 4 - 1);
    double firstCrossing = -1, lastCrossing = -1;
    int64_t crossings = 0;
    for (size_t i = first; i < last; ++i) {
        double a = left(i), b = left(i + 1);
        if (a < 0 && b >= 0) {
            double t = static_cast<double>(i) + (-a) / (b - a);
            if (firstCrossing < 0)
                firstCrossing = t;
            lastCrossing = t;
            ++crossings;
        }
    }
    if (crossings < 2)
        return 0;
    return static_cast<double>(crossings - 1) * 44100.0 / (lastCrossing - firstCrossing);
}
}  // namespace reference
