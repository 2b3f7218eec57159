#include "virtualdrive/VirtualCommandLog.h"

#include <algorithm>
#include <cstring>

#include "base/StartFolder.h"
#include "scsi/MmcCommands.h"
#include "scsi/SpcCommands.h"

namespace {
constexpr size_t kFileBufferBytes = 1 << 16;

const char* DirectionText(IScsiBackend::Direction direction) {
    switch (direction) {
        case IScsiBackend::Direction::kIn:
            return "in";
        case IScsiBackend::Direction::kOut:
            return "out";
        case IScsiBackend::Direction::kNone:
            break;
    }
    return "none";
}
}  // namespace

CVirtualLogEntry CVirtualLogEntry::Of(const IScsiBackend::Request& request) {
    CVirtualLogEntry entry;
    entry.cdbLength = request.cdb ? std::clamp(request.cdbLength, 0, 16) : 0;
    if (request.cdb)
        std::memcpy(entry.cdb.data(), request.cdb, static_cast<size_t>(entry.cdbLength));
    entry.direction = request.direction;
    entry.length = request.length;
    if (request.direction == IScsiBackend::Direction::kOut && request.dataOut != nullptr) {
        const bool write = request.cdb != nullptr && request.cdb[0] == spc::kWrite10;
        entry.dataOut.assign(
            request.dataOut,
            request.dataOut +
                std::min<size_t>(request.length, write ? kLoggedWriteBytes : kLoggedDataBytes));
    }
    return entry;
}

std::string CVirtualLogEntry::CdbText() const {
    std::string text;
    char byte[4];
    for (int32_t i = 0; i < cdbLength && i < static_cast<int32_t>(cdb.size()); ++i) {
        std::snprintf(byte, sizeof byte, i == 0 ? "%02X" : " %02X", cdb[static_cast<size_t>(i)]);
        text += byte;
    }
    return text;
}

std::string CVirtualLogEntry::Text() const {
    using Result = CVirtualAnswer::Result;
    char tail[64];
    switch (result) {
        case Result::kGood:
            std::snprintf(tail, sizeof tail, "good");
            break;
        case Result::kCheck:
            std::snprintf(tail, sizeof tail, "check %X/%02X/%02X", senseKey, asc, ascq);
            break;
        case Result::kTransport:
            std::snprintf(tail, sizeof tail, "transport failure");
            break;
        case Result::kBusy:
            std::snprintf(tail, sizeof tail, "busy");
            break;
        case Result::kHost:
            std::snprintf(tail, sizeof tail, "adapter error");
            break;
    }
    char middle[48];
    std::snprintf(middle, sizeof middle, " | %s %u | ", DirectionText(direction), length);
    return CdbText() + middle + tail;
}

void CVirtualCommandLog::Record(CVirtualLogEntry entry, const CVirtualAnswer& answer,
                                uint32_t transferred) {
    entry.transferred = transferred;
    entry.result = answer.result;
    entry.senseKey = answer.senseKey;
    entry.asc = answer.asc;
    entry.ascq = answer.ascq;
    WriteLine(entry);
    if (entries_.size() < kMaxEntries)
        entries_.push_back(std::move(entry));
    else
        ++dropped_;
}

void CVirtualCommandLog::WriteLine(const CVirtualLogEntry& entry) {
    if (outputFolder_.empty())
        return;
    if (!fileTried_) {
        fileTried_ = true;
        std::string name = "commands-" + std::to_string(busIndex_) + ".log";
        file_.reset(std::fopen(InFolder(outputFolder_, name).c_str(), "wb"));
        if (file_) {
            buffer_.resize(kFileBufferBytes);
            std::setvbuf(file_.get(), buffer_.data(), _IOFBF, buffer_.size());
        }
    }
    if (!file_)
        return;
    std::string line = entry.Text();
    line += '\n';
    std::fwrite(line.data(), 1, line.size(), file_.get());
    // The stream of a disc's writes goes out a buffer at a time; what comes between is
    // in the file when the command has been answered.
    if (entry.cdb[0] != spc::kWrite10 && entry.cdb[0] != mmc::kReadBufferCapacity)
        std::fflush(file_.get());
}
