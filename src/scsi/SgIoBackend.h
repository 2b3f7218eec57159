#pragma once
// The Linux SG_IO backend: drives reached through their /dev/sr* block nodes and their
// /dev/sg* generic nodes.
//
// Enumeration: every sr node in numeric order, then every sg node in numeric order (sr
// first because users in the "cdrom" group may open those, and a block node honours
// the exclusivity of mounts).  Each node is opened briefly and identified by its
// host:channel:target:lun; a device already recorded through its other node is not
// recorded twice.  At most 16 devices are recorded; the rest are noted.
//
// Opening: a device is opened when it is selected, read-write, non-blocking (an sg
// node opened exclusively otherwise waits for other users: a hang) and exclusively, so
// that a disc mounted by the desktop or a drive that another program holds gives a clear
// "in use" error instead of two programs talking to one recorder.  The selected device
// stays open until another is selected.
//
// Time-outs, per command: 10 s for INQUIRY (a dead drive must not stall start-up for
// long; live drives answer it at once, even while spinning up); 600 s for SYNCHRONIZE
// CACHE, CLOSE TRACK/SESSION, SEND OPC, START STOP UNIT and the vendor-specific
// operation codes 0xC0 to 0xFF, which may write a lead-in and lead-out or calibrate at
// 1x (a few minutes on a slow drive); 60 s for everything else, WRITE included (a drive
// takes a write into its buffer or answers "long write in progress" at once).  A
// command that times out fails with result 1; it never waits for ever.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "scsi/ScsiBackend.h"
#include "scsi/SgIoSystem.h"

class CSgIoBackend : public IScsiBackend {
  public:
    static constexpr uint32_t kInquiryTimeoutMs = 10'000;
    static constexpr uint32_t kDefaultTimeoutMs = 60'000;
    static constexpr uint32_t kLongTimeoutMs = 600'000;
    // SG_IO calls interrupted by a signal are sent again this many times at most.
    static constexpr int32_t kInterruptRetries = 3;

    explicit CSgIoBackend(std::unique_ptr<ISgIoSystem> system);
    ~CSgIoBackend() override;
    CSgIoBackend(const CSgIoBackend&) = delete;
    CSgIoBackend& operator=(const CSgIoBackend&) = delete;

    int32_t Scan() override;
    int32_t DeviceCount() const override { return static_cast<int32_t>(devices_.size()); }
    std::string DeviceName(int32_t index) const override;
    bool Select(int32_t index) override;
    uint32_t MaximumTransfer() const override { return maximumTransfer_; }
    Outcome Send(const Request& request) override;
    std::string Problem(int32_t index) const override;
    std::vector<std::string> ScanNotes() const override { return notes_; }

    static uint32_t TimeoutMs(uint8_t operationCode);
    // The order of enumeration: true when node a comes before node b.
    static bool NodeBefore(const std::string& a, const std::string& b);

  private:
    struct Device {
        std::string path;
        bool blockNode = false;
        std::string problem;
    };

    void CloseSelected();
    // host:channel:target:lun of an open node, false when the kernel does not say.
    bool Identify(int fd, uint64_t& identity);

    std::unique_ptr<ISgIoSystem> system_;
    std::vector<Device> devices_;
    std::vector<std::string> notes_;
    int fd_ = -1;
    int32_t selected_ = -1;
    uint32_t maximumTransfer_ = 0;
};
