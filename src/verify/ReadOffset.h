#pragma once
// Finding a drive's read offset from the audio itself: drives deliver audio shifted by a
// fixed number of samples, and a disc can only be compared once that shift is known.
// The first track's known start is looked for in what the drive read around it.
#include <cstdint>
#include <span>

namespace readoffset {
// Real drives lie within this many samples (stereo frames) either way.
constexpr int32_t kMaxOffset = 1200;
constexpr int32_t kFrameBytes = 4;

enum class Found : int32_t {
    kOne = 0,      // exactly one shift matches
    kSeveral = 1,  // more than one does, even over all the audio given (a steady tone)
    kSilence = 2,  // the audio given is silence: any shift matches
    kNone = 3,     // no shift matches (damaged, or not this disc)
};

// written: frames from a disc position P; read: the frames that the drive delivered for
// the positions from P - kMaxOffset to P + written + kMaxOffset, as bytes.  Only the
// written frames from kMaxOffset on to kMaxOffset before their end are looked for, so
// that what lies outside the disc never matters.  The offset is where the drive reads relative to
// where it was asked: read frame j holds the disc's frame j + offset.  With kSeveral, offset is the
// matching shift nearest to 0.
Found FindReadOffset(std::span<const uint8_t> written, std::span<const uint8_t> read,
                     int32_t& offset);
}  // namespace readoffset
