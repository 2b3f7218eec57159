#pragma once
// One command set a virtual drive writes with: the write sequence that a drive of its
// kind takes, with the checks such a drive makes, and the disc it builds from nothing
// but what it received.  One class per command set: the generic MMC cue sheet
// (CVirtualMmcModel), MMC2 (CVirtualMmc2Model), raw blocks with subchannels
// (CVirtualRawModel), track-at-once (CVirtualTaoModel), and the vendor command sets
// (see CVirtualVendorModel).  They share the device's state (CVirtualDriveState), the
// image writer (CVirtualImage) and, where they write a disc at once from its layout,
// CVirtualRecording.
//
// The device offers every command to its model first.  A model answers the commands of
// its own write sequence (WRITE, SEND CUE SHEET, SYNCHRONIZE CACHE, CLOSE TRACK/SESSION,
// a vendor's own commands) and leaves the rest to the device, whose common commands
// answer identification, mode pages, disc and track information, the tray and the
// speed, and which refuses whatever neither knows as an invalid operation code.  The
// write parameters page belongs to the device; the model says whether it takes a page
// before it is in force, or whether the drive has that page at all.  Pages of a
// vendor's own the model keeps itself.  A vendor's drive knows only part of the common
// commands: the model says which.
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "scsi/ScsiBackend.h"
#include "virtualdrive/VirtualAnswer.h"
#include "virtualdrive/VirtualDiscWrite.h"
#include "virtualdrive/VirtualDriveState.h"

class CVirtualCommandSet {
  public:
    using Request = IScsiBackend::Request;

    // The model the drive's configuration names.
    static std::unique_ptr<CVirtualCommandSet> Make(CVirtualDriveState& drive);

    explicit CVirtualCommandSet(CVirtualDriveState& drive) : drive_(drive) {}
    virtual ~CVirtualCommandSet() = default;
    CVirtualCommandSet(const CVirtualCommandSet&) = delete;
    CVirtualCommandSet& operator=(const CVirtualCommandSet&) = delete;

    // The answer to a command of the model's own, or false to leave it to the device.
    // Only a drive that writes CD-R asks its model.
    virtual bool Answer(const uint8_t* cdb, const Request& request, CVirtualAnswer& answer) = 0;
    // Whether the drive knows a common command that its model did not answer; one it
    // does not know is refused as an invalid operation code.
    virtual bool Knows(uint8_t operationCode) const;
    // Whether the drive has the MMC write parameters page (0x05).
    virtual bool HasWriteParameters() const { return true; }
    // A write parameters page (56 bytes) about to take effect: 0 when the drive takes it,
    // else the additional sense code of its refusal (sense key ILLEGAL REQUEST).
    virtual uint8_t CheckWriteParameters(std::span<const uint8_t> page) const;
    // A mode page of the command set's own (not 0x05 or 0x2A) for MODE SENSE with this
    // page control: false when it has none of that code.  True with no bytes: the
    // reply has the header and block descriptor alone.
    virtual bool ModePage(uint8_t code, int32_t pageControl, std::vector<uint8_t>& page) const;
    // MODE SELECT of a page of the command set's own: 0 when taken, else the additional
    // sense code of its refusal.  By default no page but the write parameters can be set.
    virtual uint8_t SelectModePage(std::span<const uint8_t> page);

    // Whether a disc is being written, and the address its next block must have.
    virtual bool Writing() const = 0;
    virtual int32_t NextAddress() const = 0;
    // The tray opens: a disc being written is given up; a real write that began
    // spoils it.
    virtual void Abandon() = 0;

  protected:
    // For a whole disc written in one pass: gives the write up (a real one that began
    // spoils the disc); the write is gone after.
    template <typename TWrite>
    void GiveUp(std::unique_ptr<TWrite>& write) {
        if (write)
            GiveUpWrite(*write);
        write.reset();
    }
    // SYNCHRONIZE CACHE of such a write: finishes a complete disc, drops a write that has
    // received nothing, and spoils one that is half done (a disc written in one pass
    // cannot be closed half way: command sequence error).  The write is gone after;
    // without a disc nothing happens.
    template <typename TWrite>
    CVirtualAnswer Flush(std::unique_ptr<TWrite>& write) {
        CVirtualAnswer answer;
        if (drive_.MediumMissing(answer))
            return answer;
        if (write)
            answer = FlushWrite(*write);
        write.reset();
        return answer;
    }
    void GiveUpWrite(CVirtualDiscWrite& write);
    CVirtualAnswer FlushWrite(CVirtualDiscWrite& write);
    // A write came to its end: the disc becomes these tracks with the lead-out where
    // given (a test write leaves it as it was), and the drive counts a finished disc
    // whose image is at cuePath.  The answer to the command that ended it: GOOD, or a
    // write error when the image could not be kept.
    CVirtualAnswer EndOfWrite(bool test, std::vector<CVirtualDisc::Track> tracks, int32_t leadOut,
                              bool imageKept, const std::string& cuePath);

    CVirtualDriveState& drive_;
};
