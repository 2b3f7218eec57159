#pragma once
// One device of the virtual bus: a software CD recorder that answers SCSI commands as a
// strict drive does, keeps a log of every command it was sent, and fails on purpose
// where it was told to.
//
// The device answers identification and the common commands (INQUIRY, MODE SENSE and
// MODE SELECT (6) and (10) with the capabilities page 0x2A and the write parameters
// page 0x05, READ DISC INFORMATION, READ TRACK INFORMATION, READ CAPACITY, TEST UNIT
// READY, START STOP UNIT, PREVENT ALLOW MEDIUM REMOVAL, REZERO UNIT, SET CD SPEED, SEND
// OPC INFORMATION, READ BUFFER CAPACITY from its buffer model, see CVirtualDriveBuffer),
// and reads a written disc back (READ TOC/PMA/ATIP, READ CD, READ SUB-CHANNEL, see
// CVirtualReadBack).
// How a disc is written is its model's: one command set per device (see
// CVirtualCommandSet), which takes the write sequence of its kind of drive and leaves
// the image of a finished real write in the output folder.  Anything neither knows is
// refused as a real drive refuses an operation code it does not know: CHECK CONDITION,
// ILLEGAL REQUEST, invalid command operation code (5/20/00).
//
// The disc: each time the tray is closed again after an eject, a fresh disc of the
// configured kind is in it.  A real write that started spoils a blank disc: finished,
// it is a written disc; abandoned, it is a written disc with no image.
//
// What it checks like a drive, on top of the commands' own fields and its model's
// checks: the command length of the operation code's group, MODE SELECT parameter lists
// (reserved header bytes, savable bit, page lengths, block lengths, which pages may be
// changed), and that the host's buffer is as large as the data the command moves (a
// reply larger than the buffer is an overrun at the adapter, a parameter list longer
// than the data sent an underrun).  A command longer than the path's maximum transfer
// is refused by the "kernel" before the device sees it.
//
// Each command goes through the adapter's checks, then the fault plan
// (CVirtualFaultPlan), then the device and its model; the answer is delivered as the
// kernel would report it and logged (CVirtualCommandLog).  The common commands are in
// this file, the mode pages in VirtualModePages.cpp.
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "scsi/ScsiBackend.h"
#include "virtualdrive/VirtualAnswer.h"
#include "virtualdrive/VirtualCommandLog.h"
#include "virtualdrive/VirtualCommandSet.h"
#include "virtualdrive/VirtualDeviceConfig.h"
#include "virtualdrive/VirtualDriveState.h"
#include "virtualdrive/VirtualFaultPlan.h"
#include "virtualdrive/VirtualReadBack.h"

class CVirtualDevice {
  public:
    using Config = CVirtualDeviceConfig;
    using Fault = CVirtualDeviceConfig::Fault;
    using Reply = CVirtualDeviceConfig::Reply;
    using Disc = CVirtualDiscKind;
    using Result = CVirtualAnswer::Result;

    using LogEntry = CVirtualLogEntry;
    static constexpr size_t kLoggedDataBytes = CVirtualLogEntry::kLoggedDataBytes;
    static constexpr size_t kLoggedWriteBytes = CVirtualLogEntry::kLoggedWriteBytes;

    static constexpr uint32_t kKilobytesPerSpeed = CVirtualDriveState::kKilobytesPerSpeed;
    static constexpr int32_t kWriteParametersLength = CVirtualDriveState::kWriteParametersLength;
    static constexpr int32_t kCapabilitiesLength = 30;

    explicit CVirtualDevice(Config config, int32_t busIndex = 0);
    ~CVirtualDevice();
    CVirtualDevice(const CVirtualDevice&) = delete;
    CVirtualDevice& operator=(const CVirtualDevice&) = delete;

    IScsiBackend::Outcome Execute(const IScsiBackend::Request& request);

    const Config& Configuration() const { return config_; }
    const std::vector<LogEntry>& Log() const { return log_.Entries(); }
    void ClearLog() { log_.Clear(); }
    // Entries that did not fit the in-memory log.
    uint64_t DroppedLogEntries() const { return log_.Dropped(); }
    static constexpr size_t kMaxLogEntries = CVirtualCommandLog::kMaxEntries;

    // State a test may look at.
    bool TrayOpen() const { return state_.trayOpen; }
    bool RemovalPrevented() const { return state_.removalPrevented; }
    uint32_t BlockLength() const { return state_.blockLength; }
    uint32_t CurrentWriteSpeed() const { return state_.writeSpeed; }
    const std::array<uint8_t, kWriteParametersLength>& WriteParameters() const {
        return state_.writeParameters;
    }
    int32_t OpcCount() const { return opcCount_; }
    Disc CurrentDisc() const { return state_.disc.Kind(); }
    const CVirtualDisc& Medium() const { return state_.disc; }
    // The command set the device writes with.
    const CVirtualCommandSet& Model() const { return *model_; }
    // The cue file of the last image written, "" when none yet.
    const std::string& LastImage() const { return state_.lastImage; }
    // Underruns of the disc being or last written (real time only).
    int32_t Underruns() const { return state_.buffer.Underruns(); }
    // Discs finished, test writes included.
    int32_t FinishedDiscs() const { return state_.finishedDiscs; }

  private:
    using Answer = CVirtualAnswer;

    static Answer Check(uint8_t key, uint8_t asc, uint8_t ascq) {
        return CVirtualAnswer::Check(key, asc, ascq);
    }
    // The request as the adapter and the kernel take it: a command block of 6 to 16
    // bytes, a buffer for the data, no more than the path carries.
    bool AdapterTakes(const IScsiBackend::Request& request) const;
    Answer Dispatch(const IScsiBackend::Request& request);
    // The answer as the host sees it: the reply copied to its buffer (an overrun at the
    // adapter when it does not fit), the status, sense and residual.
    static IScsiBackend::Outcome Deliver(const IScsiBackend::Request& request, Answer& answer,
                                         uint32_t& transferred);
    bool MediumMissing(Answer& answer) const { return state_.MediumMissing(answer); }

    Answer Inquiry(const uint8_t* cdb);
    Answer ModeSense(const uint8_t* cdb, bool ten);
    Answer ModeSelect(const uint8_t* cdb, bool ten, const IScsiBackend::Request& request);
    Answer ReadDiscInformation(const uint8_t* cdb);
    Answer ReadTrackInformation(const uint8_t* cdb);
    Answer ReadCapacity();
    Answer ReadBufferCapacity(const uint8_t* cdb);
    Answer StartStopUnit(const uint8_t* cdb);
    Answer SetCdSpeed(const uint8_t* cdb);
    Answer SendOpcInformation(const uint8_t* cdb, const IScsiBackend::Request& request);

    std::vector<uint8_t> CapabilitiesPage(int32_t pageControl) const;
    std::vector<uint8_t> WriteParametersPage(int32_t pageControl) const;

    Config config_;
    CVirtualDriveState state_;
    std::unique_ptr<CVirtualCommandSet> model_;
    CVirtualFaultPlan faults_;
    CVirtualCommandLog log_;
    CVirtualReadBack readBack_;

    uint32_t readSpeed_ = 0;
    int32_t opcCount_ = 0;
};
