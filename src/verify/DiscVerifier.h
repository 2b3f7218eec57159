#pragma once
// Verifying a written audio disc: the disc in the drive is read back and compared, track
// by track, with the audio the disc image makes, decoded again (with the same layout,
// gapless or not, and the same normalization).  Decoding again rather than keeping
// checksums while writing serves a disc written earlier or by another program as well
// as the one just written, and costs the burn nothing.
//
// The drive's read offset is found first, from the first track's opening seconds, and
// every comparison made with it; the frames the offset puts out of the drive's reach
// at the disc's two ends are not compared.  A block that does not read counts as
// differing.  Stop is honoured between reads; every read is bounded.
#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "verify/BlockTally.h"

class CDiscImage;
class CScsiTransport;

struct CVerifyResult {
    enum class Offset : int32_t { kFound = 0, kGuessed = 1, kUnknown = 2 };

    // "" when the disc could be compared; else why not (no disc, other tracks), and
    // nothing else holds.
    std::string problem;
    bool stopped = false;
    Offset offsetKind = Offset::kUnknown;
    int32_t offset = 0;               // samples, as compared
    std::vector<CBlockTally> tracks;  // track 1 first

    // Every track compared and none differs.
    bool Verified() const;
    // The report: the read offset, one line a track ("Track N: verified" or "Track N:
    // differs in K blocks from M:SS.ff", the time within the track), and the total.
    std::vector<std::string> Lines() const;
    // The tracks that differ, for a message: "" when none does.
    std::string DifferingTracks() const;
};

// Verifies the disc in the drive against disc (whose tracks and settings are those
// written); permille follows the reading.  sleep waits between polls of a drive that
// is becoming ready.
CVerifyResult VerifyDisc(CScsiTransport& transport, CDiscImage& disc,
                         const std::atomic<int32_t>& stop, std::atomic<int32_t>& permille,
                         const std::function<void(int32_t milliseconds)>& sleep);
