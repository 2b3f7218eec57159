#pragma once
// One device of the virtual bus: a software CD recorder that answers SCSI commands as a
// strict drive does, keeps a log of every command it was sent, and fails on purpose
// where it was told to.
//
// It answers identification and the common commands (INQUIRY, MODE SENSE and MODE
// SELECT (6) and (10) with the capabilities page 0x2A and the write parameters page
// 0x05, READ DISC INFORMATION, READ TRACK INFORMATION, READ CAPACITY, TEST UNIT READY,
// START STOP UNIT, PREVENT ALLOW MEDIUM REMOVAL, REZERO UNIT, SET CD SPEED, SEND OPC
// INFORMATION), and it writes audio discs session-at-once: SEND CUE SHEET, WRITE(10) of
// the CD-TEXT lead-in, the pregap and the audio, READ BUFFER CAPACITY from its buffer
// model (see CVirtualDriveBuffer), and SYNCHRONIZE CACHE, which finishes the disc.  The
// write parameters page decides between a test and a real write; a real write of a
// whole disc leaves its image in the output folder (see CVirtualRecording).  Anything
// else is refused as a real drive refuses an operation code it does not know: CHECK
// CONDITION, ILLEGAL REQUEST, invalid command operation code (5/20/00).
//
// The disc: each time the tray is closed again after an eject, a fresh disc of the
// configured kind is in it.  A real write that started spoils a blank disc: finished,
// it is a written disc; abandoned, it is a written disc with no image.
//
// What it checks like a drive, on top of the commands' own fields: the command length
// of the operation code's group, MODE SELECT parameter lists (reserved header bytes,
// savable bit, page lengths, block lengths, which pages may be changed), the cue sheet
// (see CVirtualCueSheet), WRITE addresses in sequence and block counts against the cue
// sheet, and that the host's buffer is as large as the data the command moves (a reply
// larger than the buffer is an overrun at the adapter, a parameter list longer than the
// data sent an underrun).  A command longer than the path's maximum transfer is
// refused by the "kernel" before the device sees it.
#include <array>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "scsi/ScsiBackend.h"
#include "virtualdrive/VirtualDriveBuffer.h"
#include "virtualdrive/VirtualRecording.h"

class CVirtualDevice {
  public:
    enum class Disc : int32_t { kBlank = 0, kWritten = 1, kNone = 2 };

    // A failure injected on the n-th time (counting from 1) an operation code reaches
    // the device, for `times` commands in a row (-1: from then on, every time).
    struct Fault {
        enum class Kind : int32_t {
            kSense = 0,              // CHECK CONDITION with this sense key, ASC, ASCQ
            kTransport = 1,          // the command never completes (the ioctl fails)
            kBusy = 2,               // status BUSY
            kCheckWithoutSense = 3,  // CHECK CONDITION and no sense bytes at all
            kTimeOut = 4,            // the adapter gives up on the command
        };
        uint8_t operationCode = 0;
        int32_t first = 1;
        int32_t times = 1;
        Kind kind = Kind::kSense;
        uint8_t senseKey = 0;
        uint8_t asc = 0;
        uint8_t ascq = 0;
    };

    // A command whose first bytes equal cdbPrefix is answered GOOD with these bytes
    // (cut to the allocation length): odd or lying replies on demand.
    struct Reply {
        std::vector<uint8_t> cdbPrefix;
        std::vector<uint8_t> data;
    };

    struct Config {
        std::string vendor = "TUNEVARN";
        std::string product = "VIRTUAL CD-R";
        std::string revision = "1.0";
        bool cdDevice = true;   // false: a hard disk (INQUIRY type 0, no CD pages)
        bool writesCdr = true;  // capabilities page byte 3 bit 0
        bool cdText = true;     // can write CD-TEXT in the lead-in (R-W supported)
        Disc disc = Disc::kBlank;
        int32_t leadInMinute = 97;  // lead-in start of a blank disc
        int32_t leadInSecond = 24;
        int32_t leadInFrame = 0;
        int32_t recordedBlocks = 336000;  // on a written disc
        uint32_t bufferBytes = 4 * 1024 * 1024;
        int32_t maxSpeed = 8;              // highest write speed, as a multiple of 1x
        uint32_t maximumTransfer = 65536;  // bytes per command the path takes
        // Writes in real time at the write speed (see CVirtualDriveBuffer); else as
        // fast as the host sends.
        bool realTime = false;
        std::string outputFolder;  // where the command log and the images go; "" none
        std::vector<Fault> faults;
        std::vector<Reply> replies;
    };

    enum class Result : int32_t { kGood = 0, kCheck = 1, kTransport = 2, kBusy = 3, kHost = 4 };

    static constexpr size_t kLoggedDataBytes = 1024;
    // Of a WRITE, one CD-TEXT block's worth: a whole disc's audio does not belong in memory.
    static constexpr size_t kLoggedWriteBytes = 96;

    struct LogEntry {
        std::array<uint8_t, 16> cdb{};
        int32_t cdbLength = 0;
        IScsiBackend::Direction direction = IScsiBackend::Direction::kNone;
        uint32_t length = 0;           // the host's buffer
        std::vector<uint8_t> dataOut;  // the first bytes sent, at most kLoggedDataBytes
        uint32_t transferred = 0;      // bytes that moved
        Result result = Result::kGood;
        uint8_t senseKey = 0;
        uint8_t asc = 0;
        uint8_t ascq = 0;

        // "51 00 00 00 00 00 00 00 2A 00"
        std::string CdbText() const;
        // One line: CDB, direction and length, result.
        std::string Text() const;
    };

    static constexpr uint32_t kKilobytesPerSpeed = 177;
    static constexpr int32_t kWriteParametersLength = 56;
    static constexpr int32_t kCapabilitiesLength = 30;

    explicit CVirtualDevice(Config config, int32_t busIndex = 0);
    ~CVirtualDevice();
    CVirtualDevice(const CVirtualDevice&) = delete;
    CVirtualDevice& operator=(const CVirtualDevice&) = delete;

    IScsiBackend::Outcome Execute(const IScsiBackend::Request& request);

    const Config& Configuration() const { return config_; }
    const std::vector<LogEntry>& Log() const { return log_; }
    void ClearLog() { log_.clear(); }
    // Entries that did not fit the in-memory log.
    uint64_t DroppedLogEntries() const { return dropped_; }
    static constexpr size_t kMaxLogEntries = 1 << 20;

    // State a test may look at.
    bool TrayOpen() const { return trayOpen_; }
    bool RemovalPrevented() const { return removalPrevented_; }
    uint32_t BlockLength() const { return blockLength_; }
    uint32_t CurrentWriteSpeed() const { return writeSpeed_; }
    const std::array<uint8_t, kWriteParametersLength>& WriteParameters() const {
        return writeParameters_;
    }
    int32_t OpcCount() const { return opcCount_; }
    Disc CurrentDisc() const { return disc_; }
    // The disc being written, or null.
    const CVirtualRecording* Recording() const { return recording_.get(); }
    // The cue file of the last image written, "" when none yet.
    const std::string& LastImage() const { return lastImage_; }
    // Underruns of the disc being or last written (real time only).
    int32_t Underruns() const { return buffer_.Underruns(); }
    // Discs finished by a cache flush, test writes included.
    int32_t FinishedDiscs() const { return finishedDiscs_; }

  private:
    struct Answer {
        Result result = Result::kGood;
        uint8_t senseKey = 0, asc = 0, ascq = 0;
        bool senseBytes = true;     // false: CHECK CONDITION without sense data
        uint16_t hostStatus = 0;    // with kHost
        int32_t systemError = 0;    // with kTransport
        std::vector<uint8_t> data;  // data-in, already cut to the allocation length
        uint32_t consumed = 0;      // data-out bytes taken
    };

    static Answer Check(uint8_t key, uint8_t asc, uint8_t ascq);
    static Answer HostError();
    Answer Dispatch(const IScsiBackend::Request& request);
    const Fault* FaultFor(uint8_t operationCode, int32_t occurrence) const;
    bool MediumMissing(Answer& answer) const;

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
    Answer SendCueSheet(const uint8_t* cdb, const IScsiBackend::Request& request);
    Answer Write10(const uint8_t* cdb, const IScsiBackend::Request& request);
    Answer SynchronizeCache();
    // Ends the disc being written without an image; a real write that started spoils it.
    void AbandonRecording();
    // The latest lead-out start a blank disc allows, and where its lead-in starts.
    static int32_t LastLeadOut();
    int32_t LeadInStart() const;

    std::vector<uint8_t> CapabilitiesPage(int32_t pageControl) const;
    std::vector<uint8_t> WriteParametersPage(int32_t pageControl) const;
    void WriteLogLine(const LogEntry& entry);

    Config config_;
    int32_t busIndex_ = 0;
    std::array<int32_t, 256> occurrences_{};
    std::vector<LogEntry> log_;
    uint64_t dropped_ = 0;
    struct FileCloser {
        void operator()(std::FILE* f) const { std::fclose(f); }
    };
    std::unique_ptr<std::FILE, FileCloser> logFile_;
    bool logFileTried_ = false;

    bool trayOpen_ = false;
    bool removalPrevented_ = false;
    uint32_t blockLength_ = 2048;
    uint32_t writeSpeed_ = 0;
    uint32_t readSpeed_ = 0;
    int32_t opcCount_ = 0;
    std::array<uint8_t, kWriteParametersLength> writeParameters_{};
    Disc disc_ = Disc::kBlank;
    int32_t recordedBlocks_ = 0;
    std::unique_ptr<CVirtualRecording> recording_;
    CVirtualDriveBuffer buffer_;
    std::string lastImage_;
    int32_t finishedDiscs_ = 0;
};
