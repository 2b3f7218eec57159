#include "disc/DiscImage.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string_view>

#include "audio/CdSamples.h"
#include "base/DisplayText.h"

namespace {
// Copies text into a slot, cut to the slot's size less the terminator and never in the
// middle of a UTF-8 character when the text is UTF-8.
void CopyCut(std::array<char, CDiscImage::kSlotSize>& slot, const char* text) {
    size_t n = CutLength(text, slot.size() - 1);
    std::memcpy(slot.data(), text, n);
    slot[n] = '\0';
}
}  // namespace

int32_t CDiscImage::AddTrack(const char* path, const char* title, int32_t leastSeconds) {
    CMp3Source source;
    if (trackCount < 0 || trackCount >= kMaxTracks || path == nullptr)
        return 0;
    // A path cut to fit its slot would name another file: such a track is refused.
    if (::strnlen(path, kSlotSize) >= static_cast<size_t>(kSlotSize))
        return 0;
    if (source.Open(path) != 0)
        return 0;
    int32_t seconds = source.Duration();
    if (seconds <= 0)
        return 0;
    seconds = std::max(seconds, leastSeconds);
    if (int64_t{totalSeconds} + seconds >= kMaxSeconds)
        return 0;
    CopyCut(trackPath[static_cast<size_t>(trackCount)], path);
    CopyCut(trackTitle[static_cast<size_t>(trackCount)], title != nullptr ? title : "");
    trackSeconds[static_cast<size_t>(trackCount)] = seconds;
    trackBytes[static_cast<size_t>(trackCount)] = seconds * kBytesPerSecond;
    totalSeconds += seconds;
    totalBytes = totalSeconds * kBytesPerSecond;
    ++trackCount;
    source.Close();
    return 1;
}

int32_t CDiscImage::OpenTrack(int32_t index) {
    if (index < 0 || index >= trackCount || index >= kMaxTracks)
        return 0;
    // Whether the file still opens does not matter here: a track that cannot be decoded
    // any more is written as silence, so the layout already sent to the drive holds.
    decoder.Open(trackPath[static_cast<size_t>(index)].data());
    bytesLeft = trackBytes[static_cast<size_t>(index)];
    return 1;
}

int32_t CDiscImage::CloseTrack() {
    decoder.Close();
    return 1;
}

int32_t CDiscImage::ReadTrackData(void* buffer, int32_t length) {
    if (buffer == nullptr || length <= 0 || bytesLeft <= 0)
        return 0;
    int32_t n = std::min(length, bytesLeft);
    auto* bytes = static_cast<uint8_t*>(buffer);
    int32_t got = std::clamp(decoder.Read(bytes, n), 0, n);
    if (got < n)
        std::memset(bytes + got, 0, static_cast<size_t>(n - got));
    bytesLeft -= n;
    if (normalizeOn != 0) {
        int32_t trackPeak = currentTrack >= 0 && currentTrack < kMaxTracks
                                ? peak[static_cast<size_t>(currentTrack)]
                                : 0;
        float trackGain = 1.0f;
        if (GainForPeak(trackPeak, onlyIf, lower, higher, target, trackGain)) {
            gain = trackGain;
            ApplyGain(bytes, n);
        }
    }
    return n;
}

int32_t CDiscImage::Read(void* buffer, int32_t length) {
    if (buffer == nullptr || length <= 0)
        return 0;
    auto* bytes = static_cast<uint8_t*>(buffer);
    int32_t done = 0;
    int32_t left = length;
    while (currentTrack >= 0 && currentTrack < std::min(trackCount, kMaxTracks)) {
        int32_t r = ReadTrackData(bytes + done, left);
        done += r;
        left -= r;
        if (left == 0)
            break;
        // The track is done: the rest of the request comes from the next one.
        CloseTrack();
        ++currentTrack;
        OpenTrack(currentTrack);
    }
    return done;
}

void CDiscImage::ApplyGain(void* samples, int32_t byteCount) {
    if (samples == nullptr || byteCount < 2)
        return;
    auto* bytes = static_cast<uint8_t*>(samples);
    const float factor = gain;
    const size_t count = static_cast<size_t>(byteCount) / 2;
    std::array<int16_t, cdsamples::kBlock> block;
    for (size_t at = 0; at < count; at += block.size()) {
        const size_t n = std::min(block.size(), count - at);
        cdsamples::Load(bytes + 2 * at, block.data(), n);
        // Whole blocks, so that the loop has a fixed length; the rest of a short one
        // is silence and not stored.
        std::fill(block.begin() + static_cast<std::ptrdiff_t>(n), block.end(), int16_t{0});
        for (int16_t& sample : block) {
            float x = factor * static_cast<float>(sample);
            x = std::min(x, 32767.0f);
            x = std::max(x, -32767.0f);
            // A gain that is not a number (the field is public) gives silence, never a
            // value that does not convert.
            sample = static_cast<int16_t>(x == x ? static_cast<int32_t>(x) : 0);
        }
        cdsamples::Store(block.data(), bytes + 2 * at, n);
    }
}

int32_t CDiscImage::LevelOfPeak(int32_t peak) {
    return static_cast<int32_t>(int64_t{peak} * 100 / kFullScale);
}

bool CDiscImage::GainForPeak(int32_t peak, int32_t onlyIf, int32_t lower, int32_t higher,
                             int32_t target, float& gain) {
    int32_t level = LevelOfPeak(peak);
    if (onlyIf != 0 && level >= lower && level <= higher)
        return false;
    gain = level == 0 ? 1.0f : static_cast<float>(target) / static_cast<float>(level);
    return true;
}
