#include "verify/ReadOffset.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace readoffset {
namespace {
constexpr int32_t kFirstWindow = 588 * 4;  // frames: four blocks
// Starting the window this far before the sound begins makes the onset part of it: a
// shift moves the onset and no longer matches.
constexpr int32_t kLeadSilence = 600;
constexpr int32_t kMinWindow = 588;
}  // namespace

Found FindReadOffset(std::span<const uint8_t> written, std::span<const uint8_t> read,
                     int32_t& offset) {
    offset = 0;
    const auto frames = static_cast<int64_t>(written.size() / kFrameBytes);
    if (static_cast<int64_t>(read.size() / kFrameBytes) < frames + 2 * kMaxOffset)
        return Found::kNone;
    int64_t sound = 0;
    while (sound < frames && std::all_of(written.begin() + sound * kFrameBytes,
                                         written.begin() + (sound + 1) * kFrameBytes,
                                         [](uint8_t b) { return b == 0; }))
        ++sound;
    if (sound == frames)
        return Found::kSilence;

    // Only frames that every shift finds within what was read are compared: the drive
    // reaches nothing before the disc's first block or past its last.
    const int64_t end = frames - kMaxOffset;
    const int64_t start = std::max<int64_t>(kMaxOffset, sound - kLeadSilence);
    if (sound >= end)
        return Found::kSilence;
    if (end - start < kMinWindow)
        return Found::kNone;  // too little to tell shifts apart
    // Read frame j + kMaxOffset - shift holds written frame j when the drive's offset is
    // shift.
    auto matches = [&](int32_t shift, int64_t length) {
        const int64_t at = start + kMaxOffset - shift;
        return std::memcmp(written.data() + start * kFrameBytes, read.data() + at * kFrameBytes,
                           static_cast<size_t>(length * kFrameBytes)) == 0;
    };
    int64_t length = std::min<int64_t>(kFirstWindow, end - start);
    std::vector<int32_t> shifts;
    for (int32_t shift = -kMaxOffset; shift <= kMaxOffset; ++shift)
        if (matches(shift, length))
            shifts.push_back(shift);
    // A repeating sound matches at more than one shift: a longer stretch tells them apart.
    while (shifts.size() > 1 && start + length < end) {
        length = std::min(length * 2, end - start);
        std::erase_if(shifts, [&](int32_t shift) { return !matches(shift, length); });
    }
    if (shifts.empty())
        return Found::kNone;
    offset = *std::min_element(shifts.begin(), shifts.end(),
                               [](int32_t a, int32_t b) { return std::abs(a) < std::abs(b); });
    return shifts.size() == 1 ? Found::kOne : Found::kSeveral;
}
}  // namespace readoffset
