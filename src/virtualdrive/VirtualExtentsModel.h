#pragma once
// What the "2600" and "RIC" drives share: the disc's layout as track extents (vendor
// command ED: 20 bytes a track, its first and last block; the tracks back to back from
// block 0, 99 at most), the lengths of the lead-in and lead-out that the host is to
// write (vendor command EE: two 16-bit numbers), and WRITE(10)s with the address field
// 0: the drive counts the blocks itself, from the first of the lead-in through the
// pregap, the audio and the lead-out.  The block length in force must be 2352.
// SYNCHRONIZE CACHE finishes a disc whose lead-out has all arrived and spoils one that
// has not.
#include <vector>

#include "virtualdrive/VirtualVendorModel.h"

class CVirtualExtentsModel : public CVirtualVendorModel {
  public:
    static constexpr int32_t kEntryBytes = 20;
    // The lead-out the host writes: 01:30:00.
    static constexpr int32_t kLeadOutBlocks = 6750;

    using CVirtualVendorModel::CVirtualVendorModel;

    bool Answer(const uint8_t* cdb, const Request& request, CVirtualAnswer& answer) override;

    // The disc of a list of track extents: 0, or the additional sense code of its
    // refusal (0x1A: no whole number of entries, 0x26: an entry out of place).
    static uint8_t ParseExtents(std::span<const uint8_t> bytes, int32_t lastLeadOut,
                                CVirtualCueSheet& cue);

  protected:
    // Whether the host sends its samples big-endian.
    virtual bool SwappedSamples() const { return false; }
    // Blocks of lead-in that the host writes before the pregap.
    int32_t LeadInBlocks() const;

  private:
    CVirtualAnswer ReadLeadLengths(const uint8_t* cdb, const Request& request);
    CVirtualAnswer SendExtents(const uint8_t* cdb, const Request& request);
    CVirtualAnswer Write(const uint8_t* cdb, const Request& request);

    std::vector<uint8_t> samples_;  // a WRITE's blocks with their samples turned round
};
