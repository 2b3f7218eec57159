#pragma once
// A whole disc that a vendor's drive writes from the layout its own command sent: the
// program area as a cue sheet would have it (kept by CVirtualRecording: blocks in
// sequence, the audio into the image), and, for the command sets whose host writes
// them, the lead-in and lead-out blocks around it.  Those are counted, not kept: the
// drive writes its own table of contents there.  Addresses are logical block addresses
// as everywhere: the pregap starts at -150, the host's lead-in just before it.
#include <cstdint>
#include <string>
#include <vector>

#include "virtualdrive/VirtualAnswer.h"
#include "virtualdrive/VirtualCueSheet.h"
#include "virtualdrive/VirtualDiscWrite.h"
#include "virtualdrive/VirtualRecording.h"

class CVirtualVendorWrite : public CVirtualDiscWrite {
  public:
    // leadInBlocks, leadOutBlocks: how many blocks the host sends before the pregap and
    // after the last track (0 where the drive makes them).
    CVirtualVendorWrite(CVirtualCueSheet cue, bool test, int32_t leadInBlocks,
                        int32_t leadOutBlocks, std::string folder);
    ~CVirtualVendorWrite() override;
    CVirtualVendorWrite(const CVirtualVendorWrite&) = delete;
    CVirtualVendorWrite& operator=(const CVirtualVendorWrite&) = delete;

    // Takes blocks of 2352 bytes at address, which must be the next one: good, or the
    // drive's refusal.
    CVirtualSense Write(int32_t address, int32_t blocks, const uint8_t* data);

    int32_t NextAddress() const override { return next_; }
    // The address the host's last block must have been followed by.
    int32_t End() const { return end_; }
    bool Test() const override { return recording_.Test(); }
    bool AnyReceived() const override { return next_ != first_; }
    bool Complete() const override { return next_ >= end_; }
    std::vector<CVirtualDisc::Track> Extents() const override { return recording_.Extents(); }
    int32_t LeadOut() const override { return recording_.LeadOut(); }
    bool Finish(std::string& cuePath) override;
    void Abandon() override { recording_.Abandon(); }

  private:
    CVirtualRecording recording_;
    int32_t first_;
    int32_t end_;
    int32_t next_;
};
