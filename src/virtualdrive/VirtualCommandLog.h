#pragma once
// The virtual device's log of every command it was sent: in memory for tests, and in
// "commands-N.log" in the output folder (N the bus index), one line a command, through
// a buffer: the stream of WRITE and READ BUFFER CAPACITY commands is not flushed line by
// line, everything else is.
#include <array>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "scsi/ScsiBackend.h"
#include "virtualdrive/VirtualAnswer.h"

struct CVirtualLogEntry {
    static constexpr size_t kLoggedDataBytes = 1024;
    // Of a WRITE, one CD-TEXT block's worth: a whole disc's audio does not belong in memory.
    static constexpr size_t kLoggedWriteBytes = 96;

    std::array<uint8_t, 16> cdb{};
    int32_t cdbLength = 0;
    IScsiBackend::Direction direction = IScsiBackend::Direction::kNone;
    uint32_t length = 0;           // the host's buffer
    std::vector<uint8_t> dataOut;  // the first bytes sent, at most kLoggedDataBytes
    uint32_t transferred = 0;      // bytes that moved
    CVirtualAnswer::Result result = CVirtualAnswer::Result::kGood;
    uint8_t senseKey = 0;
    uint8_t asc = 0;
    uint8_t ascq = 0;

    // The request as it came: its command block, direction and length, the data sent.
    static CVirtualLogEntry Of(const IScsiBackend::Request& request);
    // "51 00 00 00 00 00 00 00 2A 00"
    std::string CdbText() const;
    // One line: CDB, direction and length, result.
    std::string Text() const;
};

class CVirtualCommandLog {
  public:
    static constexpr size_t kMaxEntries = 1 << 20;

    CVirtualCommandLog(std::string outputFolder, int32_t busIndex)
        : outputFolder_(std::move(outputFolder)), busIndex_(busIndex) {}

    // The command's answer and the bytes that moved complete the entry, which goes to
    // the file and, while there is room, to memory.
    void Record(CVirtualLogEntry entry, const CVirtualAnswer& answer, uint32_t transferred);

    const std::vector<CVirtualLogEntry>& Entries() const { return entries_; }
    void Clear() { entries_.clear(); }
    // Entries that did not fit in memory.
    uint64_t Dropped() const { return dropped_; }

  private:
    void WriteLine(const CVirtualLogEntry& entry);

    std::string outputFolder_;
    int32_t busIndex_ = 0;
    std::vector<CVirtualLogEntry> entries_;
    uint64_t dropped_ = 0;
    struct FileCloser {
        void operator()(std::FILE* f) const { std::fclose(f); }
    };
    std::unique_ptr<std::FILE, FileCloser> file_;
    std::vector<char> buffer_;
    bool fileTried_ = false;
};
