// The virtual recorder's cue sheet check on a sheet of the fuzzer's bytes.  Input: one
// byte (bit 0: the drive can write CD-TEXT; bit 1: the latest lead-out start follows as
// four bytes, else the 80-minute disc's), then the sheet.
//
// Beyond "no crash": a sheet that is taken describes a layout a drive can write.
#include <cstdint>
#include <cstdlib>

#include "support/FuzzInput.h"
#include "support/Require.h"
#include "virtualdrive/VirtualCueSheet.h"

namespace {
constexpr int32_t kEightyMinuteLeadOut = (79 * 60 + 59) * 75 + 74 - 150;
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CFuzzInput in(data, size);
    const uint8_t flags = in.Byte();
    const int32_t lastLeadOut =
        (flags & 2) != 0 ? static_cast<int32_t>(in.Be32()) : kEightyMinuteLeadOut;
    const auto bytes = in.Rest();

    CVirtualCueSheet cue;
    const uint8_t asc = cue.Parse(bytes, (flags & 1) != 0, lastLeadOut);
    REQUIRE(asc == 0 || asc == 0x1A || asc == 0x26);
    if (asc != 0)
        return 0;

    REQUIRE(!cue.tracks.empty() && cue.tracks.size() <= 99);
    REQUIRE(cue.leadOut <= lastLeadOut);
    REQUIRE(!cue.cdText || (flags & 1) != 0);
    REQUIRE(cue.tracks[0].indexes[0].number == 0 &&
            cue.tracks[0].indexes[0].address == CVirtualCueSheet::kPregapAddress);
    size_t entries = 2;
    int32_t previous = CVirtualCueSheet::kPregapAddress - 1;
    for (size_t t = 0; t < cue.tracks.size(); ++t) {
        const CVirtualCueSheet::Track& track = cue.tracks[t];
        REQUIRE(track.number == static_cast<int32_t>(t) + 1);
        bool hasIndexOne = false;
        for (const CVirtualCueSheet::Index& index : track.indexes) {
            REQUIRE(index.address > previous && index.number >= 0 && index.number <= 99);
            previous = index.address;
            hasIndexOne = hasIndexOne || index.number == 1;
            ++entries;
        }
        REQUIRE(hasIndexOne && track.Start() >= 0);
    }
    REQUIRE(cue.leadOut > previous);
    REQUIRE(entries * CVirtualCueSheet::kEntryBytes == bytes.size());
    return 0;
}
