#pragma once
// What the drives of the vendor command sets ("2600", "RIC", "SONY", "TEAC") have in
// common.  Each takes the disc's layout only through its own command (track extents,
// the Sony cue sheet, or the TEAC cue table and table of contents), on a blank disc,
// and then the blocks of the whole disc in sequence (CVirtualVendorWrite); the real
// write of a complete disc leaves the same image as the MMC drives.  They know the
// common commands of identification, the tray, mode pages and readiness, but none of
// MMC's writing commands (cue sheet, track and disc information, power calibration,
// buffer capacity, speed, closing, cache flush) unless their set has it, nor the MMC
// write parameters page: those are refused as invalid operation codes or, for the page,
// as an invalid field.  The test flag and the speed come from the set's own pages.
#include <cstdint>
#include <initializer_list>
#include <memory>

#include "virtualdrive/VirtualCommandSet.h"
#include "virtualdrive/VirtualVendorWrite.h"

class CVirtualVendorModel : public CVirtualCommandSet {
  public:
    CVirtualVendorModel(CVirtualDriveState& drive, std::initializer_list<uint8_t> mmcKnown);

    bool Knows(uint8_t operationCode) const override;
    bool HasWriteParameters() const override { return false; }
    bool Writing() const override { return write_ != nullptr; }
    int32_t NextAddress() const override { return write_ ? write_->NextAddress() : 0; }
    void Abandon() override;

  protected:
    // Whether a layout may be taken now: false with the drive's refusal when there is
    // no disc, the disc is not blank or a disc is being written.
    bool LayoutRefused(CVirtualAnswer& answer) const;
    // The disc of this layout is to be written: blocks from the host's lead-in on.
    void BeginDisc(CVirtualCueSheet cue, int32_t leadInBlocks, int32_t leadOutBlocks);
    // blocks of 2352 bytes at address.  With finishAtEnd the disc is finished by the
    // command that completes it (the drive writes the lead-out itself); else a cache
    // flush finishes it.
    CVirtualAnswer WriteDiscBlocks(int32_t address, int32_t blocks, const uint8_t* data,
                                   bool finishAtEnd);
    // SYNCHRONIZE CACHE: finishes a complete disc, spoils one that is not.
    CVirtualAnswer FlushDisc() { return Flush(write_); }
    // The drive writes at factor × 1x, 0 for its fastest.
    void SetSpeedFactor(int32_t factor);
    // Whether a write begun now is a simulation.
    virtual bool TestWrite() const { return test_; }
    // Sense for a command whose length is not its operation code's in this set.
    static bool WrongLength(const Request& request, int32_t length, CVirtualAnswer& answer);

    bool test_ = false;
    std::unique_ptr<CVirtualVendorWrite> write_;

  private:
    uint32_t mmcKnown_[8] = {};  // bit set of the MMC writing commands this set has
};
