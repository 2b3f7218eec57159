#pragma once
// The generic MMC command set: a whole disc written session-at-once.  SEND CUE SHEET
// with write type session-at-once in force opens the write (see CVirtualCueSheet for
// what it checks); WRITE(10) takes the CD-TEXT lead-in, the pregap and the audio in
// sequence (see CVirtualRecording); SYNCHRONIZE CACHE finishes the disc once every
// block has arrived, and spoils it when blocks are missing.  Such a drive writes no raw
// blocks: a write parameters page with the raw write type is refused as an invalid
// field.
#include <memory>

#include "virtualdrive/VirtualCommandSet.h"
#include "virtualdrive/VirtualRecording.h"

class CVirtualMmcModel : public CVirtualCommandSet {
  public:
    using CVirtualCommandSet::CVirtualCommandSet;

    bool Answer(const uint8_t* cdb, const Request& request, CVirtualAnswer& answer) override;
    uint8_t CheckWriteParameters(std::span<const uint8_t> page) const override;
    bool Writing() const override { return recording_ != nullptr; }
    int32_t NextAddress() const override { return recording_ ? recording_->NextAddress() : 0; }
    void Abandon() override;

  private:
    CVirtualAnswer SendCueSheet(const uint8_t* cdb, const Request& request);
    CVirtualAnswer Write10(const uint8_t* cdb, const Request& request);

    std::unique_ptr<CVirtualRecording> recording_;
};
