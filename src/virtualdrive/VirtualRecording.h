#pragma once
// One disc written session-at-once by a virtual drive, from the cue sheet it accepted
// to the cache flush that finishes it: it checks every WRITE as a strict drive does
// (blocks in sequence from the first the cue sheet asks for, the block size of each
// area, nothing past the lead-out), keeps the CD-TEXT the lead-in carries, and records
// the program area into the image (see CVirtualImage), with tracks and indexes from the
// cue sheet.  A test write, and a write that is abandoned, leaves nothing behind.
#include <cstdint>
#include <memory>
#include <string>

#include "virtualdrive/LeadInCdText.h"
#include "virtualdrive/VirtualAnswer.h"
#include "virtualdrive/VirtualCueSheet.h"
#include "virtualdrive/VirtualDiscWrite.h"
#include "virtualdrive/VirtualImage.h"

class CVirtualRecording : public CVirtualDiscWrite {
  public:
    using Sense = CVirtualSense;

    // leadInStart: the lead-in's first address, where CD-TEXT starts; folder: where the
    // image goes ("" for none).
    CVirtualRecording(CVirtualCueSheet cue, bool test, int32_t leadInStart, std::string folder);
    ~CVirtualRecording() override;
    CVirtualRecording(const CVirtualRecording&) = delete;
    CVirtualRecording& operator=(const CVirtualRecording&) = delete;

    // Bytes per block that the host sends at address: 96 in a lead-in with CD-TEXT, 2352
    // in the program area, 0 where it may send nothing.
    int32_t BlockBytes(int32_t address) const;
    // Whether a WRITE of blocks at address may come now; good or the drive's refusal.
    Sense Check(int32_t address, int32_t blocks) const;
    // Takes a checked WRITE's data (blocks × BlockBytes(address) bytes).
    Sense Write(int32_t address, int32_t blocks, const uint8_t* data);

    int32_t NextAddress() const override { return next_; }
    bool AllReceived() const { return next_ >= cue_.leadOut; }
    bool Complete() const override { return AllReceived(); }
    bool AnyReceived() const override { return received_; }
    bool Test() const override { return test_; }
    const CVirtualCueSheet& CueSheet() const { return cue_; }
    const CLeadInCdText& CdText() const { return cdText_; }
    std::vector<CVirtualDisc::Track> Extents() const override;
    int32_t LeadOut() const override { return cue_.leadOut; }

    // Finishes a disc whose blocks have all arrived: writes the image (not for a test
    // write).  False, with nothing left behind, when the files cannot be written.
    // cuePath is the image's cue file, "" when none was made.
    bool Finish(std::string& cuePath) override;
    // Drops the write: no image, the partial audio removed.
    void Abandon() override;

  private:
    CVirtualCueSheet cue_;
    bool test_;
    int32_t leadInStart_;
    int32_t next_;
    bool received_ = false;
    bool failed_ = false;
    CLeadInCdText cdText_;
    std::unique_ptr<CVirtualImage> image_;  // null for a test write or without a folder
};
