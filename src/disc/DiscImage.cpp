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
    const int64_t frames =
        std::max({source.cdFrames, int64_t{leastSeconds} * kFramesPerSecond, int64_t{1}});
    if (gapless != 0) {
        int64_t before = 0;
        for (int32_t i = 0; i < trackCount; ++i) before += songFrames[static_cast<size_t>(i)];
        if (GaplessDiscBlocks(before + frames) >= int64_t{kMaxSeconds} * kBlocksPerSecond)
            return 0;
    } else if (int64_t{totalSeconds} + seconds >= kMaxSeconds) {
        return 0;
    }
    const auto slot = static_cast<size_t>(trackCount);
    CopyCut(trackPath[slot], path);
    CopyCut(trackTitle[slot], title != nullptr ? title : "");
    trackSeconds[slot] = seconds;
    songFrames[slot] = frames;
    ++trackCount;
    Relayout();
    source.Close();
    return 1;
}

int32_t CDiscImage::SetGapless(int32_t on) {
    const int32_t was = gapless;
    gapless = on != 0 ? 1 : 0;
    int64_t seconds = 0;
    for (int32_t i = 0; i < std::clamp(trackCount, 0, kMaxTracks); ++i)
        seconds += trackSeconds[static_cast<size_t>(i)];
    // Whole seconds take more room than the songs themselves.
    if (gapless == 0 && seconds >= kMaxSeconds) {
        gapless = was;
        return 0;
    }
    Relayout();
    return 1;
}

int64_t CDiscImage::GaplessDiscBlocks(int64_t frames) {
    return (frames + kFramesPerBlock - 1) / kFramesPerBlock;
}

void CDiscImage::Relayout() {
    const int32_t n = std::clamp(trackCount, 0, kMaxTracks);
    if (gapless == 0) {
        int64_t seconds = 0;
        for (int32_t i = 0; i < n; ++i) {
            const auto t = static_cast<size_t>(i);
            trackBytes[t] = trackSeconds[t] * kBytesPerSecond;
            seconds += trackSeconds[t];
        }
        totalSeconds = static_cast<int32_t>(seconds);
        totalBytes = static_cast<int32_t>(seconds * kBytesPerSecond);
        return;
    }
    // Each song exactly; the disc's last block is filled up with silence after the last.
    int64_t frames = 0;
    for (int32_t i = 0; i < n; ++i) {
        const auto t = static_cast<size_t>(i);
        trackBytes[t] = static_cast<int32_t>(songFrames[t] * 4);
        frames += songFrames[t];
    }
    const int64_t blocks = GaplessDiscBlocks(frames);
    if (n > 0)
        trackBytes[static_cast<size_t>(n - 1)] +=
            static_cast<int32_t>((blocks * kFramesPerBlock - frames) * 4);
    totalSeconds = static_cast<int32_t>((blocks + kBlocksPerSecond - 1) / kBlocksPerSecond);
    totalBytes = static_cast<int32_t>(blocks * kBlockBytes);
}

int64_t CDiscImage::TrackStart(int32_t index) const {
    const int32_t n = std::clamp(trackCount, 0, kMaxTracks);
    index = std::clamp(index, 0, n);
    if (gapless == 0) {
        int64_t start = 0;
        for (int32_t i = 0; i < index; ++i)
            start += int64_t{trackSeconds[static_cast<size_t>(i)]} * kBlocksPerSecond;
        return start;
    }
    int64_t frames = 0;
    for (int32_t i = 0; i < index; ++i) frames += songFrames[static_cast<size_t>(i)];
    // The last track ends where the disc's audio does; every other boundary lies at the
    // block nearest to where the next song begins.
    if (index == n)
        return GaplessDiscBlocks(frames);
    return (frames + kFramesPerBlock / 2) / kFramesPerBlock;
}

int64_t CDiscImage::TrackBlocks(int32_t index) const {
    return TrackStart(index + 1) - TrackStart(index);
}

int32_t CDiscImage::TotalBlocks() const {
    // From the total rather than the tracks: a track-at-once run hides the tracks after
    // the one it writes, and its progress still counts the whole disc.
    return std::max(totalBytes, 0) / kBlockBytes;
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
