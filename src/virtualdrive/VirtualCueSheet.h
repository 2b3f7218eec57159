#pragma once
// The MMC cue sheet as the virtual recorder reads it: what a strict drive checks before
// it takes an audio disc written session-at-once, and the layout the sheet describes
// (where the host's blocks start, each track's indexes, where the lead-out begins).
// Addresses are logical block addresses: 00:02:00 is address 0, the track 1 pregap
// starts at -150.
#include <cstdint>
#include <span>
#include <vector>

#include "virtualdrive/VirtualImage.h"

class CVirtualCueSheet {
  public:
    static constexpr int32_t kEntryBytes = 8;
    static constexpr int32_t kPregapAddress = -150;

    using Index = CVirtualImage::Index;
    using Track = CVirtualImage::Track;

    // Reads a cue sheet.  0 when a drive would take it, else the additional sense code
    // of its refusal (sense key ILLEGAL REQUEST): 0x1A when the length cannot be a cue
    // sheet, 0x26 for an entry that is wrong or out of place.  cdTextCapable says whether
    // the lead-in may announce CD-TEXT (data form 0x41); lastLeadOut is the latest
    // lead-out start the disc allows.
    uint8_t Parse(std::span<const uint8_t> bytes, bool cdTextCapable, int32_t lastLeadOut);

    bool cdText = false;        // the host sends CD-TEXT in the lead-in's subchannels
    int32_t leadOut = 0;        // the host sends blocks up to leadOut - 1
    std::vector<Track> tracks;  // tracks 1 to n in order
};
