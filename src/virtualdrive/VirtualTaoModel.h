#pragma once
// The track-at-once command set: one track at a time, each begun by a WRITE(10) at the
// next writable address that READ TRACK INFORMATION reports, continued block by block,
// and closed by SYNCHRONIZE CACHE (or CLOSE TRACK).  The drive leaves two seconds of
// silence before every track but the first, as its pregap: the next writable address
// after a track lies 150 blocks beyond its end.  CLOSE TRACK/SESSION with the close
// session function finishes the disc: the tracks written so far become the disc, and a
// real write leaves its image (the gaps as silence, each pregap as index 0 of its
// track).  The write parameters page must name track-at-once (write type 1) with raw
// 2352-byte audio blocks (data block type 0); anything else is refused as an invalid
// field, and a WRITE while another page is in force as out of sequence.
#include <memory>
#include <vector>

#include "virtualdrive/VirtualCommandSet.h"
#include "virtualdrive/VirtualImage.h"

class CVirtualTaoModel : public CVirtualCommandSet {
  public:
    static constexpr int32_t kTrackAtOnce = 1;
    static constexpr int32_t kMaxTracks = 99;

    using CVirtualCommandSet::CVirtualCommandSet;

    bool Answer(const uint8_t* cdb, const Request& request, CVirtualAnswer& answer) override;
    uint8_t CheckWriteParameters(std::span<const uint8_t> page) const override;
    bool Writing() const override { return !tracks_.empty(); }
    int32_t NextAddress() const override { return drive_.disc.NextWritable(); }
    void Abandon() override;

  private:
    CVirtualAnswer Write10(const uint8_t* cdb, const Request& request);
    // The open track (if any) ends where its last block is.
    void CloseTrack();
    CVirtualAnswer CloseTrackOrSession(const uint8_t* cdb);

    bool test_ = false;  // of the session, from its first WRITE
    std::vector<CVirtualImage::Track> tracks_;
    std::unique_ptr<CVirtualImage> image_;  // null for a test write or without a folder
};
