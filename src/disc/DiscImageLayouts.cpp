// The five byte layouts in which recorders want the disc described before writing.  All
// describe one disc: a 2-second pregap, then the tracks back to back (on whole seconds,
// or gapless on the blocks nearest to where the songs begin), then the lead-out; audio,
// control nibble 0, no catalog number and no ISRC.
#include <algorithm>
#include <array>
#include <cstdint>
#include <span>

#include "base/ProcessFlags.h"
#include "disc/CdTextBuilder.h"
#include "disc/DiscImage.h"
#include "disc/DiscTime.h"

namespace {
constexpr int32_t kMmcEntry = 8;
constexpr int32_t kExtentEntry = 20;
constexpr int32_t kTeacCueEntry = 12;
constexpr int32_t kTeacTocEntry = 5;

// The largest disc of every layout fits its buffer, so clamping the count is all the
// bounds checking the builders need.
static_assert((CDiscImage::kMaxTracks + 3) * kMmcEntry <= CDiscImage::kCueBufferASize);
static_assert(CDiscImage::kMaxTracks * kExtentEntry <= CDiscImage::kCueBufferBSize);
static_assert((CDiscImage::kMaxTracks + 1) * kTeacCueEntry <= CDiscImage::kCueBufferBSize);
static_assert((CDiscImage::kMaxTracks + 3) * kTeacTocEntry <= CDiscImage::kCueBufferBSize);

// The fields are public, so a caller could leave any count there; no layout may
// describe more tracks than the image holds slots for.
int32_t LayoutTrackCount(const CDiscImage& image) {
    return std::clamp(image.trackCount, 0, CDiscImage::kMaxTracks);
}

// Running starts are summed wide: the layouts must not overflow on nonsense lengths
// either, only describe them.
int32_t Narrow(int64_t v) {
    return static_cast<int32_t>(v);
}

// The absolute time of a block counted from track 1's start: 00:02:00 is block 0.
CDiscTime AbsoluteTime(int64_t block) {
    return CDiscTime::FromBlocks(Narrow(block + kPregapFrames));
}

// What differs between the MMC and the Sony 8-byte cue sheets: the data form of each
// area, and whether track numbers and times are plain bytes or BCD.
struct CEightByteForm {
    uint8_t leadIn;
    uint8_t pregap;
    uint8_t track;
    uint8_t leadOut;
    bool bcd;
};

uint8_t* BuildEightByteSheet(const CDiscImage& image, std::span<uint8_t> buffer,
                             const CEightByteForm& form, int32_t& length) {
    const int32_t n = LayoutTrackCount(image);
    auto number = [&](int64_t v) {
        return form.bcd ? ToBcd(Narrow(v)) : static_cast<uint8_t>(v & 0xFF);
    };
    auto put = [&](int32_t entry, std::array<uint8_t, kMmcEntry> bytes) {
        std::copy(bytes.begin(), bytes.end(), buffer.begin() + entry * kMmcEntry);
    };
    put(0, {0x01, 0x00, 0x00, form.leadIn, 0x00, 0, 0, 0});
    put(1, {0x01, 0x01, 0x00, form.pregap, 0x00, 0, 0, 0});
    for (int32_t i = 0; i < n; ++i) {
        const CDiscTime at = AbsoluteTime(image.TrackStart(i));
        put(2 + i, {0x01, number(i + 1), 0x01, form.track, 0x00, number(at.minute),
                    number(at.second), number(at.frame)});
    }
    const CDiscTime end = AbsoluteTime(image.TrackStart(n));
    put(2 + n, {0x01, kLeadOutTrack, 0x01, form.leadOut, 0x00, number(end.minute),
                number(end.second), number(end.frame)});
    length = (n + 3) * kMmcEntry;
    return buffer.data();
}
}  // namespace

uint8_t* CDiscImage::BuildMmcCueSheet(int32_t& length) {
    // 0x41 on the lead-in tells the drive that the host sends CD-TEXT packs there.
    const uint8_t leadIn = ProcessFlags().cdTextInUse.load() != 0 ? 0x41 : 0x01;
    return BuildEightByteSheet(*this, cueBufferA, {leadIn, 0x00, 0x00, 0x01, false}, length);
}

uint8_t* CDiscImage::BuildSonyCueSheet(int32_t& length) {
    return BuildEightByteSheet(*this, cueBufferA, {0x00, 0x01, 0x01, 0x00, true}, length);
}

uint8_t* CDiscImage::BuildTrackExtents(int32_t& length) {
    const int32_t n = LayoutTrackCount(*this);
    std::span<uint8_t> buffer(cueBufferB);
    for (int32_t i = 0; i < n; ++i) {
        auto entry = buffer.subspan(static_cast<size_t>(i) * kExtentEntry, kExtentEntry);
        // Bytes 3 to 11 carry nothing, but the same buffer also takes the TEAC layouts:
        // zero them rather than hand a drive what an earlier layout left there.
        std::fill(entry.begin(), entry.end(), uint8_t{0});
        entry[1] = kExtentEntry;
        StoreBe32(entry.subspan<12, 4>(), Narrow(TrackStart(i)));
        StoreBe32(entry.subspan<16, 4>(), Narrow(TrackStart(i + 1) - 1));
    }
    length = n * kExtentEntry;
    return cueBufferB.data();
}

uint8_t* CDiscImage::BuildTeacCueTable(int32_t& length) {
    const int32_t n = LayoutTrackCount(*this);
    std::span<uint8_t> buffer(cueBufferB);
    auto put = [&](int32_t index, int32_t firstSector, int32_t sectors,
                   std::array<uint8_t, 4> subcode) {
        auto entry = buffer.subspan(static_cast<size_t>(index) * kTeacCueEntry, kTeacCueEntry);
        StoreBe32(entry.subspan<0, 4>(), firstSector);
        StoreBe32(entry.subspan<4, 4>(), sectors);
        std::copy(subcode.begin(), subcode.end(), entry.begin() + 8);
    };
    put(0, -kPregapFrames, kPregapFrames, {0x01, 0x01, 0x01, 0x00});
    for (int32_t i = 0; i < n; ++i)
        put(1 + i, Narrow(TrackStart(i)), Narrow(TrackBlocks(i)), {0x00, 0x01, ToBcd(i + 1), 0x01});
    length = (n + 1) * kTeacCueEntry;
    return cueBufferB.data();
}

uint8_t* CDiscImage::BuildTeacToc(int32_t& length) {
    const int32_t n = LayoutTrackCount(*this);
    std::span<uint8_t> buffer(cueBufferB);
    auto put = [&](int32_t index, std::array<uint8_t, kTeacTocEntry> bytes) {
        std::copy(bytes.begin(), bytes.end(), buffer.begin() + index * kTeacTocEntry);
    };
    // Minute, second and frame; whole-second tracks leave the frame 0.
    auto time = [](int64_t block) {
        const CDiscTime at = AbsoluteTime(block);
        return std::array<uint8_t, 3>{ToBcd(at.minute), ToBcd(at.second), ToBcd(at.frame)};
    };
    for (int32_t i = 0; i < n; ++i) {
        const auto at = time(TrackStart(i));
        put(i, {0x01, ToBcd(i + 1), at[0], at[1], at[2]});
    }
    put(n, {0x01, 0xA0, 0x01, 0x00, 0x00});  // first track 1, disc type 0
    put(n + 1, {0x01, 0xA1, ToBcd(n), 0x00, 0x00});
    const auto end = time(TrackStart(n));
    put(n + 2, {0x01, 0xA2, end[0], end[1], end[2]});
    length = (n + 3) * kTeacTocEntry;
    return cueBufferB.data();
}
