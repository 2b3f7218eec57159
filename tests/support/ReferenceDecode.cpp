#include "support/ReferenceDecode.h"

#include <mpg123.h>

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

std::vector<uint8_t> ToCdAudio(const Pcm& pcm, int32_t dropCounter, int32_t phase) {
    int64_t frames = pcm.channels > 0 ? static_cast<int64_t>(pcm.samples.size()) / pcm.channels : 0;
    auto left = [&](int64_t i) { return pcm.samples[static_cast<size_t>(i * pcm.channels)]; };
    auto right = [&](int64_t i) {
        return pcm.samples[static_cast<size_t>(i * pcm.channels + pcm.channels - 1)];
    };
    std::vector<uint8_t> out;
    auto put = [&](int64_t i) {
        for (int16_t v : {left(i), right(i)}) {
            out.push_back(static_cast<uint8_t>(static_cast<uint16_t>(v) & 0xFF));
            out.push_back(static_cast<uint8_t>(static_cast<uint16_t>(v) >> 8));
        }
    };
    int64_t step = 1, period = 1;
    switch (pcm.rate) {
        case 48000:
            for (int64_t i = 0; i < frames; ++i)
                if ((dropCounter + i) % 13 != 12)
                    put(i);
            return out;
        case 32000:
            step = 45, period = 62;
            break;
        case 24000:
            step = 37, period = 68;
            break;
        case 22050:
            step = 1, period = 2;
            break;
        case 16000:
            step = 41, period = 113;
            break;
        case 11025:
            step = 1, period = 4;
            break;
        default:
            break;
    }
    // Output frame j repeats input frame floor((phase + j * step) / period).
    for (int64_t j = 0;; ++j) {
        int64_t i = (phase + j * step) / period;
        if (i >= frames)
            break;
        put(i);
    }
    return out;
}
}  // namespace reference
