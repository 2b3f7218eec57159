#include "virtualdrive/VirtualDevice.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>

#include "app/StartFolder.h"
#include "drivers/TimePosition.h"
#include "scsi/BigEndian.h"
#include "scsi/ScsiStatus.h"

namespace {
using namespace scsistatus;
constexpr uint8_t kIllegalRequest = kSenseIllegalRequest;
constexpr uint8_t kNotReady = kSenseNotReady;

// Last possible lead-out start of the blank disc: an 80-minute CD-R.
constexpr int32_t kLeadOutMinute = 79;
constexpr int32_t kLeadOutSecond = 59;
constexpr int32_t kLeadOutFrame = 74;
constexpr int32_t kPregap = 150;

// The command length that an operation code's group implies; 0 for the vendor groups,
// whose lengths are the vendor's business.
int32_t GroupLength(uint8_t operationCode) {
    switch (operationCode >> 5) {
        case 0:
            return 6;
        case 1:
        case 2:
            return 10;
        case 4:
            return 16;
        case 5:
            return 12;
        case 3:
            return -1;  // reserved group
        default:
            return 0;
    }
}

bool KnownBlockLength(uint32_t length) {
    static constexpr uint32_t kLengths[] = {2048, 2056, 2324, 2332, 2336, 2340, 2352, 2368, 2448};
    return std::find(std::begin(kLengths), std::end(kLengths), length) != std::end(kLengths);
}

void PutPadded(uint8_t* out, size_t size, const std::string& text) {
    std::memset(out, ' ', size);
    std::memcpy(out, text.data(), std::min(size, text.size()));
}

std::vector<uint8_t> CutTo(std::vector<uint8_t> data, uint32_t allocation) {
    if (data.size() > allocation)
        data.resize(allocation);
    return data;
}

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

std::string CVirtualDevice::LogEntry::CdbText() const {
    std::string text;
    char byte[4];
    for (int32_t i = 0; i < cdbLength && i < static_cast<int32_t>(cdb.size()); ++i) {
        std::snprintf(byte, sizeof byte, i == 0 ? "%02X" : " %02X", cdb[static_cast<size_t>(i)]);
        text += byte;
    }
    return text;
}

std::string CVirtualDevice::LogEntry::Text() const {
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

CVirtualDevice::CVirtualDevice(Config config, int32_t busIndex)
    : config_(std::move(config)),
      busIndex_(busIndex),
      disc_(config_.disc),
      recordedBlocks_(config_.recordedBlocks),
      buffer_(config_.bufferBytes, config_.realTime) {
    writeParameters_ = {};
    auto defaults = WriteParametersPage(2);
    std::copy(defaults.begin(), defaults.end(), writeParameters_.begin());
    writeSpeed_ = static_cast<uint32_t>(std::max(config_.maxSpeed, 1)) * kKilobytesPerSpeed;
    readSpeed_ = writeSpeed_;
}

CVirtualDevice::~CVirtualDevice() = default;

CVirtualDevice::Answer CVirtualDevice::Check(uint8_t key, uint8_t asc, uint8_t ascq) {
    Answer answer;
    answer.result = Result::kCheck;
    answer.senseKey = key;
    answer.asc = asc;
    answer.ascq = ascq;
    return answer;
}

CVirtualDevice::Answer CVirtualDevice::HostError() {
    Answer answer;
    answer.result = Result::kHost;
    answer.hostStatus = kHostError;
    return answer;
}

const CVirtualDevice::Fault* CVirtualDevice::FaultFor(uint8_t operationCode,
                                                      int32_t occurrence) const {
    for (const Fault& fault : config_.faults) {
        if (fault.operationCode != operationCode || occurrence < fault.first)
            continue;
        if (fault.times < 0 || occurrence - fault.first < fault.times)
            return &fault;
    }
    return nullptr;
}

IScsiBackend::Outcome CVirtualDevice::Execute(const IScsiBackend::Request& request) {
    LogEntry entry;
    entry.cdbLength = request.cdb ? std::clamp(request.cdbLength, 0, 16) : 0;
    if (request.cdb)
        std::memcpy(entry.cdb.data(), request.cdb, static_cast<size_t>(entry.cdbLength));
    entry.direction = request.direction;
    entry.length = request.length;
    if (request.direction == IScsiBackend::Direction::kOut && request.dataOut != nullptr) {
        const bool write = request.cdb != nullptr && request.cdb[0] == 0x2A;
        entry.dataOut.assign(
            request.dataOut,
            request.dataOut +
                std::min<size_t>(request.length, write ? kLoggedWriteBytes : kLoggedDataBytes));
    }

    Answer answer;
    bool missingBuffer =
        request.length > 0 &&
        ((request.direction == IScsiBackend::Direction::kIn && request.dataIn == nullptr) ||
         (request.direction == IScsiBackend::Direction::kOut && request.dataOut == nullptr));
    if (request.cdb == nullptr || request.cdbLength < 6 || request.cdbLength > 16 ||
        missingBuffer) {
        answer.result = Result::kTransport;
        answer.systemError = EINVAL;
    } else if (request.length > config_.maximumTransfer) {
        // The kernel refuses a transfer larger than the path takes before the drive sees it.
        answer.result = Result::kTransport;
        answer.systemError = EINVAL;
    } else {
        uint8_t operationCode = request.cdb[0];
        int32_t& count = occurrences_[operationCode];
        if (count < INT32_MAX)
            ++count;
        if (const Fault* fault = FaultFor(operationCode, count)) {
            switch (fault->kind) {
                case Fault::Kind::kSense:
                    answer = Check(fault->senseKey, fault->asc, fault->ascq);
                    break;
                case Fault::Kind::kCheckWithoutSense:
                    answer = Check(0, 0, 0);
                    answer.senseBytes = false;
                    break;
                case Fault::Kind::kTransport:
                    answer.result = Result::kTransport;
                    answer.systemError = EIO;
                    break;
                case Fault::Kind::kBusy:
                    answer.result = Result::kBusy;
                    break;
                case Fault::Kind::kTimeOut:
                    answer.result = Result::kHost;
                    answer.hostStatus = kHostTimeOut;
                    break;
            }
        } else {
            answer = Dispatch(request);
        }
    }

    // The drive sends its reply; a reply that the host's buffer cannot take, or one sent
    // to a host that expects none, is an overrun at the adapter.
    uint32_t transferred = 0;
    if (answer.result == Result::kGood && !answer.data.empty()) {
        if (request.direction != IScsiBackend::Direction::kIn ||
            answer.data.size() > request.length) {
            answer = HostError();
        } else {
            std::memcpy(request.dataIn, answer.data.data(), answer.data.size());
            transferred = static_cast<uint32_t>(answer.data.size());
        }
    } else if (answer.result == Result::kGood) {
        transferred = answer.consumed;
    }

    IScsiBackend::Outcome outcome;
    switch (answer.result) {
        case Result::kGood:
            break;
        case Result::kCheck:
            outcome.status = kCheckCondition;
            if (answer.senseBytes) {
                outcome.driverStatus = kDriverSense;
                outcome.senseLength = 18;
                outcome.sense[0] = 0x70;
                outcome.sense[2] = answer.senseKey & 0x0F;
                outcome.sense[7] = 10;
                outcome.sense[12] = answer.asc;
                outcome.sense[13] = answer.ascq;
            }
            break;
        case Result::kTransport:
            outcome.systemError = answer.systemError;
            break;
        case Result::kBusy:
            outcome.status = kBusy;
            break;
        case Result::kHost:
            outcome.hostStatus = answer.hostStatus;
            break;
    }
    outcome.residual = static_cast<int32_t>(request.length - std::min(request.length, transferred));

    entry.transferred = transferred;
    entry.result = answer.result;
    entry.senseKey = answer.senseKey;
    entry.asc = answer.asc;
    entry.ascq = answer.ascq;
    WriteLogLine(entry);
    if (log_.size() < kMaxLogEntries)
        log_.push_back(std::move(entry));
    else
        ++dropped_;
    return outcome;
}

void CVirtualDevice::WriteLogLine(const LogEntry& entry) {
    if (config_.outputFolder.empty())
        return;
    if (!logFileTried_) {
        logFileTried_ = true;
        std::string name = "commands-" + std::to_string(busIndex_) + ".log";
        logFile_.reset(std::fopen(InFolder(config_.outputFolder, name).c_str(), "wb"));
    }
    if (!logFile_)
        return;
    std::string line = entry.Text() + "\n";
    std::fwrite(line.data(), 1, line.size(), logFile_.get());
    std::fflush(logFile_.get());
}

bool CVirtualDevice::MediumMissing(Answer& answer) const {
    if (trayOpen_) {
        answer = Check(kNotReady, 0x3A, 0x02);  // medium not present, tray open
        return true;
    }
    if (disc_ == Disc::kNone) {
        answer = Check(kNotReady, 0x3A, 0x01);  // medium not present, tray closed
        return true;
    }
    return false;
}

CVirtualDevice::Answer CVirtualDevice::Dispatch(const IScsiBackend::Request& request) {
    const uint8_t* cdb = request.cdb;
    uint8_t operationCode = cdb[0];
    int32_t expected = GroupLength(operationCode);
    if (expected < 0)
        return Check(kIllegalRequest, 0x20, 0x00);
    if (expected > 0 && request.cdbLength != expected)
        return Check(kIllegalRequest, 0x24, 0x00);

    for (const Reply& reply : config_.replies) {
        size_t n = reply.cdbPrefix.size();
        if (n > 0 && n <= static_cast<size_t>(request.cdbLength) &&
            std::equal(reply.cdbPrefix.begin(), reply.cdbPrefix.end(), cdb)) {
            Answer answer;
            answer.data = CutTo(reply.data, request.length);
            return answer;
        }
    }

    if (!config_.cdDevice) {
        // A hard disk: it identifies itself and knows nothing of CD pages or discs.
        switch (operationCode) {
            case 0x00:
            case 0x35:
                return Answer{};
            case 0x12:
                return Inquiry(cdb);
            case 0x1A:
            case 0x5A:
                return Check(kIllegalRequest, 0x24, 0x00);
            case 0x25: {
                Answer answer;
                answer.data.assign(8, 0);
                bigendian::Put32(&answer.data[0],
                                 static_cast<uint32_t>(config_.recordedBlocks - 1));
                bigendian::Put32(&answer.data[4], 512);
                return answer;
            }
            default:
                return Check(kIllegalRequest, 0x20, 0x00);
        }
    }

    Answer answer;
    switch (operationCode) {
        case 0x00:  // TEST UNIT READY
        case 0x01:  // REZERO UNIT
            MediumMissing(answer);
            return answer;
        case 0x35:
            return SynchronizeCache();
        case 0x12:
            return Inquiry(cdb);
        case 0x1A:
            return ModeSense(cdb, false);
        case 0x5A:
            return ModeSense(cdb, true);
        case 0x15:
            return ModeSelect(cdb, false, request);
        case 0x55:
            return ModeSelect(cdb, true, request);
        case 0x1B:
            return StartStopUnit(cdb);
        case 0x1E:
            removalPrevented_ = (cdb[4] & 0x01) != 0;
            return answer;
        case 0x25:
            return ReadCapacity();
        case 0x51:
            return ReadDiscInformation(cdb);
        case 0x52:
            return ReadTrackInformation(cdb);
        case 0x54:
            return SendOpcInformation(cdb, request);
        case 0x5C:
            return ReadBufferCapacity(cdb);
        case 0xBB:
            return SetCdSpeed(cdb);
        case 0x5D:
            return config_.writesCdr ? SendCueSheet(cdb, request)
                                     : Check(kIllegalRequest, 0x20, 0x00);
        case 0x2A:
            return config_.writesCdr ? Write10(cdb, request) : Check(kIllegalRequest, 0x20, 0x00);
        default:
            return Check(kIllegalRequest, 0x20, 0x00);
    }
}

CVirtualDevice::Answer CVirtualDevice::Inquiry(const uint8_t* cdb) {
    if ((cdb[1] & 0x01) != 0 || cdb[2] != 0)
        return Check(kIllegalRequest, 0x24, 0x00);  // no vital product data pages
    std::vector<uint8_t> data(96, 0);
    data[0] = config_.cdDevice ? 0x05 : 0x00;
    data[1] = config_.cdDevice ? 0x80 : 0x00;  // removable medium
    data[2] = 0x05;
    data[3] = 0x02;
    data[4] = static_cast<uint8_t>(data.size() - 5);
    PutPadded(&data[8], 8, config_.vendor);
    PutPadded(&data[16], 16, config_.product);
    PutPadded(&data[32], 4, config_.revision);
    Answer answer;
    answer.data = CutTo(std::move(data), bigendian::Get16(&cdb[3]));
    return answer;
}

std::vector<uint8_t> CVirtualDevice::CapabilitiesPage(int32_t pageControl) const {
    std::vector<uint8_t> page(kCapabilitiesLength, 0);
    page[0] = 0x2A;
    page[1] = kCapabilitiesLength - 2;
    if (pageControl == 1)
        return page;  // nothing in it can be changed
    uint32_t maxWrite = static_cast<uint32_t>(std::max(config_.maxSpeed, 0)) * kKilobytesPerSpeed;
    page[2] = 0x03;                                      // reads CD-R and CD-RW
    page[3] = config_.writesCdr ? 0x07 : 0x00;           // writes CD-R, CD-RW, test writes
    page[4] = 0x41;                                      // audio play, multi-session
    page[5] = 0x03 | (config_.cdText ? 0x04 : 0x00);     // CD-DA commands, accurate; R-W
    page[6] = 0x29 | (removalPrevented_ ? 0x02 : 0x00);  // tray, eject, lock
    bigendian::Put16(&page[8], 24 * kKilobytesPerSpeed);
    bigendian::Put16(&page[10], 256);
    bigendian::Put16(&page[12], std::min<uint32_t>(config_.bufferBytes / 1024, 0xFFFF));
    bigendian::Put16(&page[14], pageControl == 2 ? 24 * kKilobytesPerSpeed : readSpeed_);
    bigendian::Put16(&page[18], maxWrite);
    bigendian::Put16(&page[20], pageControl == 2 ? maxWrite : writeSpeed_);
    return page;
}

std::vector<uint8_t> CVirtualDevice::WriteParametersPage(int32_t pageControl) const {
    std::vector<uint8_t> page(kWriteParametersLength, 0);
    if (pageControl == 0) {
        page.assign(writeParameters_.begin(), writeParameters_.end());
        return page;
    }
    page[0] = 0x05;
    page[1] = kWriteParametersLength - 2;
    if (pageControl == 1) {
        page[2] = 0x7F;
        page[3] = 0xFF;
        page[4] = 0x0F;
        page[5] = 0xFF;
        page[7] = 0x3F;
        page[8] = 0xFF;
        std::fill(page.begin() + 10, page.end(), 0xFF);
        return page;
    }
    page[2] = 0x01;  // track-at-once until told otherwise
    page[3] = 0x04;  // track mode 4
    page[4] = 0x08;  // mode 1 data blocks
    bigendian::Put16(&page[14], kPregap);
    return page;
}

CVirtualDevice::Answer CVirtualDevice::ModeSense(const uint8_t* cdb, bool ten) {
    bool noDescriptor = (cdb[1] & 0x08) != 0;
    int32_t pageControl = cdb[2] >> 6;
    uint8_t pageCode = cdb[2] & 0x3F;
    uint32_t allocation = ten ? bigendian::Get16(&cdb[7]) : cdb[4];
    if (pageControl == 3)
        return Check(kIllegalRequest, 0x39, 0x00);  // saving parameters not supported

    std::vector<uint8_t> pages;
    if (pageCode == 0x05 || pageCode == 0x3F) {
        auto page = WriteParametersPage(pageControl);
        pages.insert(pages.end(), page.begin(), page.end());
    }
    if (pageCode == 0x2A || pageCode == 0x3F) {
        auto page = CapabilitiesPage(pageControl);
        pages.insert(pages.end(), page.begin(), page.end());
    }
    if (pages.empty())
        return Check(kIllegalRequest, 0x24, 0x00);

    // Like most older drives, the six-byte form carries a block descriptor unless it
    // is declined; the ten-byte form, as MMC has it, none.
    std::vector<uint8_t> descriptor;
    if (!ten && !noDescriptor) {
        descriptor.assign(8, 0);
        bigendian::Put24(&descriptor[5], blockLength_);
    }
    size_t headerLength = ten ? 8 : 4;
    std::vector<uint8_t> data(headerLength, 0);
    data.insert(data.end(), descriptor.begin(), descriptor.end());
    data.insert(data.end(), pages.begin(), pages.end());
    if (ten) {
        bigendian::Put16(&data[0], static_cast<uint32_t>(data.size() - 2));
        bigendian::Put16(&data[6], static_cast<uint32_t>(descriptor.size()));
    } else {
        data[0] = static_cast<uint8_t>(std::min<size_t>(data.size() - 1, 255));
        data[3] = static_cast<uint8_t>(descriptor.size());
    }
    Answer answer;
    answer.data = CutTo(std::move(data), allocation);
    return answer;
}

CVirtualDevice::Answer CVirtualDevice::ModeSelect(const uint8_t* cdb, bool ten,
                                                  const IScsiBackend::Request& request) {
    bool pageFormat = (cdb[1] & 0x10) != 0;
    if ((cdb[1] & 0x01) != 0)
        return Check(kIllegalRequest, 0x24, 0x00);  // cannot save pages
    uint32_t listLength = ten ? bigendian::Get16(&cdb[7]) : cdb[4];
    if (listLength == 0)
        return Answer{};
    if (request.direction != IScsiBackend::Direction::kOut || request.length < listLength)
        return HostError();  // the drive asks for more than the host sends
    const uint8_t* data = request.dataOut;
    uint32_t headerLength = ten ? 8 : 4;
    if (listLength < headerLength)
        return Check(kIllegalRequest, 0x1A, 0x00);  // parameter list length error
    uint32_t modeDataLength = ten ? bigendian::Get16(&data[0]) : data[0];
    if (modeDataLength != 0)
        return Check(kIllegalRequest, 0x26, 0x00);  // reserved in MODE SELECT
    uint32_t descriptorLength = ten ? bigendian::Get16(&data[6]) : data[3];
    if (descriptorLength != 0 && descriptorLength != 8)
        return Check(kIllegalRequest, 0x26, 0x00);
    if (headerLength + descriptorLength > listLength)
        return Check(kIllegalRequest, 0x1A, 0x00);
    uint32_t newBlockLength = blockLength_;
    if (descriptorLength == 8) {
        newBlockLength = bigendian::Get24(&data[headerLength + 5]);
        if (!KnownBlockLength(newBlockLength))
            return Check(kIllegalRequest, 0x26, 0x00);
    }
    auto newParameters = writeParameters_;
    for (uint32_t pos = headerLength + descriptorLength; pos < listLength;) {
        if (pos + 2 > listLength)
            return Check(kIllegalRequest, 0x1A, 0x00);
        uint8_t code = data[pos] & 0x3F;
        uint32_t length = uint32_t{data[pos + 1]} + 2;
        if (pos + length > listLength)
            return Check(kIllegalRequest, 0x1A, 0x00);
        if (!pageFormat)
            return Check(kIllegalRequest, 0x24, 0x00);  // pages need the PF bit
        if ((data[pos] & 0x80) != 0)
            return Check(kIllegalRequest, 0x26, 0x00);  // PS is reserved here
        if (code != 0x05 || length != kWriteParametersLength)
            return Check(kIllegalRequest, 0x26, 0x00);  // not a page that can be changed
        const uint8_t* page = &data[pos];
        uint8_t writeType = page[2] & 0x0F;
        uint8_t blockType = page[4] & 0x0F;
        uint8_t sessionFormat = page[8];
        bool blockTypeValid = blockType <= 3 || (blockType >= 8 && blockType <= 13);
        if (writeType > 4 || !blockTypeValid ||
            (sessionFormat != 0x00 && sessionFormat != 0x10 && sessionFormat != 0x20))
            return Check(kIllegalRequest, 0x26, 0x00);
        std::copy(page, page + length, newParameters.begin());
        pos += length;
    }
    blockLength_ = newBlockLength;
    writeParameters_ = newParameters;
    Answer answer;
    answer.consumed = listLength;
    return answer;
}

CVirtualDevice::Answer CVirtualDevice::ReadDiscInformation(const uint8_t* cdb) {
    Answer answer;
    if (MediumMissing(answer))
        return answer;
    if ((cdb[1] & 0x07) != 0)
        return Check(kIllegalRequest, 0x24, 0x00);  // only the standard disc information
    std::vector<uint8_t> data(34, 0);
    bigendian::Put16(&data[0], 32);
    bool blank = disc_ == Disc::kBlank;
    data[2] = blank ? 0x00 : 0x0E;  // blank, or last session and disc complete
    data[3] = 1;
    data[4] = 1;
    data[5] = 1;
    data[6] = 1;
    data[7] = 0x20;  // unrestricted use
    if (blank) {
        data[17] = static_cast<uint8_t>(config_.leadInMinute);
        data[18] = static_cast<uint8_t>(config_.leadInSecond);
        data[19] = static_cast<uint8_t>(config_.leadInFrame);
        data[21] = kLeadOutMinute;
        data[22] = kLeadOutSecond;
        data[23] = kLeadOutFrame;
    } else {
        std::fill(data.begin() + 16, data.begin() + 24, 0xFF);
    }
    answer.data = CutTo(std::move(data), bigendian::Get16(&cdb[7]));
    return answer;
}

CVirtualDevice::Answer CVirtualDevice::ReadTrackInformation(const uint8_t* cdb) {
    Answer answer;
    if (MediumMissing(answer))
        return answer;
    uint8_t addressType = cdb[1] & 0x03;
    uint32_t number = bigendian::Get32(&cdb[2]);
    bool blank = disc_ == Disc::kBlank;
    int32_t leadOut = LastLeadOut();
    int32_t recorded = blank ? 0 : recordedBlocks_;
    // One track on either disc: the invisible (incomplete) track 1 of a blank disc, or
    // the finished track 1 of a written one, which leaves no next writable address.
    bool known = false;
    if (addressType == 1)
        known = number == 1 || number == 0xFF;
    else if (addressType == 0)
        known = number < static_cast<uint32_t>(blank ? leadOut : recorded);
    if (!known)
        return Check(kIllegalRequest, 0x24, 0x00);

    std::vector<uint8_t> data(36, 0);
    bigendian::Put16(&data[0], 34);
    data[2] = 1;
    data[3] = 1;
    data[6] = blank ? 0x4F : 0x0F;  // blank bit
    data[7] = blank ? 0x01 : 0x00;  // next writable address valid
    bigendian::Put32(&data[16], static_cast<uint32_t>(blank ? leadOut : 0));
    bigendian::Put32(&data[24], static_cast<uint32_t>(blank ? leadOut : recorded));
    if (!blank)
        bigendian::Put32(&data[28], static_cast<uint32_t>(recorded - 1));
    answer.data = CutTo(std::move(data), bigendian::Get16(&cdb[7]));
    return answer;
}

CVirtualDevice::Answer CVirtualDevice::ReadCapacity() {
    Answer answer;
    if (MediumMissing(answer))
        return answer;
    // The last recorded block; a blank disc holds none (0xFFFFFFFF + 1 blocks).
    uint32_t recorded = disc_ == Disc::kBlank ? 0 : static_cast<uint32_t>(recordedBlocks_);
    answer.data.assign(8, 0);
    bigendian::Put32(&answer.data[0], recorded - 1);
    bigendian::Put32(&answer.data[4], 2048);
    return answer;
}

CVirtualDevice::Answer CVirtualDevice::ReadBufferCapacity(const uint8_t* cdb) {
    if ((cdb[1] & 0x01) != 0)
        return Check(kIllegalRequest, 0x24, 0x00);  // the block form is not offered
    std::vector<uint8_t> data(12, 0);
    bigendian::Put16(&data[0], 10);
    bigendian::Put32(&data[4], buffer_.Capacity());
    bigendian::Put32(&data[8], buffer_.FreeBytes());
    Answer answer;
    answer.data = CutTo(std::move(data), bigendian::Get16(&cdb[7]));
    return answer;
}

CVirtualDevice::Answer CVirtualDevice::StartStopUnit(const uint8_t* cdb) {
    Answer answer;
    if ((cdb[4] >> 4) != 0)
        return answer;  // power conditions: nothing to do
    bool loadEject = (cdb[4] & 0x02) != 0;
    bool start = (cdb[4] & 0x01) != 0;
    if (loadEject && !start) {
        if (removalPrevented_)
            return Check(kIllegalRequest, 0x53, 0x02);  // medium removal prevented
        AbandonRecording();
        trayOpen_ = true;
    } else if (loadEject) {
        if (trayOpen_) {
            // The user put the next disc in.
            disc_ = config_.disc;
            recordedBlocks_ = config_.recordedBlocks;
        }
        trayOpen_ = false;
    } else if (start) {
        MediumMissing(answer);
    }
    return answer;
}

CVirtualDevice::Answer CVirtualDevice::SetCdSpeed(const uint8_t* cdb) {
    uint32_t maxWrite = static_cast<uint32_t>(std::max(config_.maxSpeed, 1)) * kKilobytesPerSpeed;
    uint32_t write = bigendian::Get16(&cdb[4]);
    uint32_t read = bigendian::Get16(&cdb[2]);
    // Like a drive, the nearest speed it can do: 1x at least, its maximum at most.
    writeSpeed_ = std::clamp(write, kKilobytesPerSpeed, maxWrite);
    readSpeed_ = std::clamp(read, kKilobytesPerSpeed, 24 * kKilobytesPerSpeed);
    return Answer{};
}

CVirtualDevice::Answer CVirtualDevice::SendOpcInformation(const uint8_t* cdb,
                                                          const IScsiBackend::Request& request) {
    uint32_t listLength = bigendian::Get16(&cdb[7]);
    if (listLength > 0 &&
        (request.direction != IScsiBackend::Direction::kOut || request.length < listLength))
        return HostError();
    Answer answer;
    if (MediumMissing(answer))
        return answer;
    if ((cdb[1] & 0x01) != 0)
        ++opcCount_;
    answer.consumed = listLength;
    return answer;
}

int32_t CVirtualDevice::LastLeadOut() {
    return CTimePosition::FromMsf(kLeadOutMinute, kLeadOutSecond, kLeadOutFrame).address - kPregap;
}

int32_t CVirtualDevice::LeadInStart() const {
    // Times from 90:00:00 on lie before the program area (MMC's negative addresses).
    int32_t msf =
        CTimePosition::FromMsf(config_.leadInMinute, config_.leadInSecond, config_.leadInFrame)
            .address;
    return config_.leadInMinute >= 90 ? msf - 450150 : msf - kPregap;
}

void CVirtualDevice::AbandonRecording() {
    if (!recording_)
        return;
    if (!recording_->Test() && recording_->AnyReceived()) {
        disc_ = Disc::kWritten;  // the laser has been at it: no longer blank
        recordedBlocks_ = std::max(recording_->NextAddress(), 1);
    }
    recording_->Abandon();
    recording_.reset();
}

CVirtualDevice::Answer CVirtualDevice::SendCueSheet(const uint8_t* cdb,
                                                    const IScsiBackend::Request& request) {
    Answer answer;
    if (MediumMissing(answer))
        return answer;
    uint32_t length = bigendian::Get24(&cdb[6]);
    if (length > 0 &&
        (request.direction != IScsiBackend::Direction::kOut || request.length < length))
        return HostError();
    if (recording_)
        return Check(kIllegalRequest, 0x2C, 0x00);  // a disc is being written
    if (disc_ != Disc::kBlank)
        return Check(kIllegalRequest, 0x30, 0x05);  // cannot write this medium
    if ((writeParameters_[2] & 0x0F) != 2)
        return Check(kIllegalRequest, 0x2C, 0x00);  // a cue sheet needs session-at-once
    CVirtualCueSheet cue;
    std::span<const uint8_t> bytes(request.dataOut, length);
    if (uint8_t asc = cue.Parse(bytes, config_.cdText, LastLeadOut()); asc != 0)
        return Check(kIllegalRequest, asc, 0x00);
    const bool test = (writeParameters_[2] & 0x10) != 0;
    const bool underrunFree = (writeParameters_[2] & 0x40) != 0;
    recording_ = std::make_unique<CVirtualRecording>(std::move(cue), test, LeadInStart(),
                                                     config_.outputFolder);
    buffer_.Begin(75.0 * writeSpeed_ / kKilobytesPerSpeed, underrunFree);
    answer.consumed = length;
    return answer;
}

CVirtualDevice::Answer CVirtualDevice::Write10(const uint8_t* cdb,
                                               const IScsiBackend::Request& request) {
    Answer answer;
    if (MediumMissing(answer))
        return answer;
    if (!recording_)
        return Check(kIllegalRequest, 0x2C, 0x00);  // no cue sheet: nothing to write into
    auto address = static_cast<int32_t>(bigendian::Get32(&cdb[2]));
    auto blocks = static_cast<int32_t>(bigendian::Get16(&cdb[7]));
    CVirtualRecording::Sense sense = recording_->Check(address, blocks);
    if (sense.key != 0)
        return Check(sense.key, sense.asc, sense.ascq);
    const int32_t blockBytes = blocks > 0 ? recording_->BlockBytes(address) : 0;
    const uint32_t need = static_cast<uint32_t>(blocks) * static_cast<uint32_t>(blockBytes);
    if (need > 0 && (request.direction != IScsiBackend::Direction::kOut || request.length < need))
        return HostError();
    if (!buffer_.Accept(blocks, blockBytes)) {
        AbandonRecording();
        return Check(0x03, 0x0C, 0x09);  // write error: loss of streaming
    }
    sense = recording_->Write(address, blocks, request.dataOut);
    if (sense.key != 0)
        return Check(sense.key, sense.asc, sense.ascq);
    if (recording_->AllReceived())
        buffer_.EndOfDisc();
    answer.consumed = need;
    return answer;
}

CVirtualDevice::Answer CVirtualDevice::SynchronizeCache() {
    Answer answer;
    if (MediumMissing(answer) || !recording_)
        return answer;
    if (!recording_->AnyReceived()) {
        recording_.reset();  // nothing was burnt: the disc is still blank
        return answer;
    }
    if (!recording_->AllReceived()) {
        // A disc written session-at-once cannot be closed half way.
        AbandonRecording();
        return Check(kIllegalRequest, 0x2C, 0x00);
    }
    buffer_.Drain();
    const bool test = recording_->Test();
    const int32_t leadOut = recording_->CueSheet().leadOut;
    std::string cue;
    const bool finished = recording_->Finish(cue);
    recording_.reset();
    if (!test) {
        disc_ = Disc::kWritten;
        recordedBlocks_ = std::max(leadOut, 1);
    }
    if (!finished)
        return Check(0x03, 0x0C, 0x00);  // the image could not be written
    ++finishedDiscs_;
    if (!cue.empty())
        lastImage_ = cue;
    return answer;
}
