#pragma once
// The MMC raw command set: the host writes every block of the disc itself, from the
// lead-in start to the end of the lead-out, each with its subchannels, and sends no cue
// sheet (this drive knows no SEND CUE SHEET).  The write parameters page must name the
// raw write type (3) and a data block type the drive takes (the configuration's raw
// block types among 1, 2 and 3); any other page is refused as an invalid field.  The
// first WRITE, at the lead-in start, begins the disc; the blocks are checked as
// CVirtualRawRecording says; a refused WRITE gives the disc up, so that the next ones
// find no write going on (5/2C/00).  SYNCHRONIZE CACHE finishes a disc whose lead-out
// has all arrived, and spoils one that is not complete.
#include <memory>

#include "virtualdrive/VirtualCommandSet.h"
#include "virtualdrive/VirtualRawRecording.h"

class CVirtualRawModel : public CVirtualCommandSet {
  public:
    static constexpr int32_t kRawWriteType = 3;

    using CVirtualCommandSet::CVirtualCommandSet;

    bool Answer(const uint8_t* cdb, const Request& request, CVirtualAnswer& answer) override;
    uint8_t CheckWriteParameters(std::span<const uint8_t> page) const override;
    bool Writing() const override { return recording_ != nullptr; }
    int32_t NextAddress() const override {
        return recording_ ? recording_->NextAddress() : drive_.disc.LeadInStart();
    }
    void Abandon() override;

  private:
    CVirtualAnswer Write10(const uint8_t* cdb, const Request& request);

    std::unique_ptr<CVirtualRawRecording> recording_;
};
