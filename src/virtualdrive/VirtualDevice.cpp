#include "virtualdrive/VirtualDevice.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>

#include "base/StartFolder.h"
#include "disc/TimePosition.h"
#include "scsi/BigEndian.h"
#include "scsi/ScsiStatus.h"

namespace {
using namespace scsistatus;
constexpr uint8_t kIllegalRequest = kSenseIllegalRequest;

constexpr int32_t kPregap = 150;
constexpr size_t kLogBufferBytes = 1 << 16;

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
      state_(config_),
      model_(CVirtualCommandSet::Make(state_)) {
    auto defaults = WriteParametersPage(2);
    std::copy(defaults.begin(), defaults.end(), state_.writeParameters.begin());
    state_.writeSpeed = static_cast<uint32_t>(std::max(config_.maxSpeed, 1)) * kKilobytesPerSpeed;
    readSpeed_ = state_.writeSpeed;
}

CVirtualDevice::~CVirtualDevice() = default;

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
            answer = CVirtualAnswer::HostError();
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
    if (config_.outputFolder.empty() || !config_.commandLog)
        return;
    if (!logFileTried_) {
        logFileTried_ = true;
        std::string name = "commands-" + std::to_string(busIndex_) + ".log";
        logFile_.reset(std::fopen(InFolder(config_.outputFolder, name).c_str(), "wb"));
        if (logFile_) {
            logBuffer_.resize(kLogBufferBytes);
            std::setvbuf(logFile_.get(), logBuffer_.data(), _IOFBF, logBuffer_.size());
        }
    }
    if (!logFile_)
        return;
    std::string line = entry.Text();
    line += '\n';
    std::fwrite(line.data(), 1, line.size(), logFile_.get());
    // The stream of a disc's writes goes out a buffer at a time; what comes between is
    // in the file when the command has been answered.
    if (entry.cdb[0] != 0x2A && entry.cdb[0] != 0x5C)
        std::fflush(logFile_.get());
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
            return Answer::Reply(reply.data, request.length);
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
    if (config_.writesCdr && model_->Answer(cdb, request, answer))
        return answer;
    if (config_.writesCdr && !model_->Knows(operationCode))
        return Check(kIllegalRequest, 0x20, 0x00);  // not a command of this drive's set
    switch (operationCode) {
        case 0x00:  // TEST UNIT READY
        case 0x01:  // REZERO UNIT
            MediumMissing(answer);
            return answer;
        case 0x35:  // SYNCHRONIZE CACHE: nothing is being written
            MediumMissing(answer);
            return answer;
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
            state_.removalPrevented = (cdb[4] & 0x01) != 0;
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
    page[2] = 0x03;                                            // reads CD-R and CD-RW
    page[3] = config_.writesCdr ? 0x07 : 0x00;                 // writes CD-R, CD-RW, test writes
    page[4] = 0x41 | (config_.bufe ? 0x80 : 0x00);             // audio play, multi-session; BUF
    page[5] = 0x03 | (config_.cdText ? 0x04 : 0x00);           // CD-DA commands, accurate; R-W
    page[6] = 0x29 | (state_.removalPrevented ? 0x02 : 0x00);  // tray, eject, lock
    bigendian::Put16(&page[8], 24 * kKilobytesPerSpeed);
    bigendian::Put16(&page[10], 256);
    bigendian::Put16(&page[12], std::min<uint32_t>(config_.bufferBytes / 1024, 0xFFFF));
    bigendian::Put16(&page[14], pageControl == 2 ? 24 * kKilobytesPerSpeed : readSpeed_);
    bigendian::Put16(&page[18], maxWrite);
    bigendian::Put16(&page[20], pageControl == 2 ? maxWrite : state_.writeSpeed);
    return page;
}

std::vector<uint8_t> CVirtualDevice::WriteParametersPage(int32_t pageControl) const {
    std::vector<uint8_t> page(kWriteParametersLength, 0);
    if (pageControl == 0) {
        page.assign(state_.writeParameters.begin(), state_.writeParameters.end());
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
    const bool writeParameters = !config_.writesCdr || model_->HasWriteParameters();
    if ((pageCode == 0x05 || pageCode == 0x3F) && writeParameters) {
        auto page = WriteParametersPage(pageControl);
        pages.insert(pages.end(), page.begin(), page.end());
    }
    if (pageCode == 0x2A || pageCode == 0x3F) {
        auto page = CapabilitiesPage(pageControl);
        pages.insert(pages.end(), page.begin(), page.end());
    }
    // A page of the command set's own; it may be none at all (page 0: the header and
    // the block descriptor alone).
    const bool modelPage =
        pages.empty() && config_.writesCdr && model_->ModePage(pageCode, pageControl, pages);
    if (pages.empty() && !modelPage)
        return Check(kIllegalRequest, 0x24, 0x00);

    // Like most older drives, the six-byte form carries a block descriptor unless it
    // is declined; the ten-byte form, as MMC has it, none.
    std::vector<uint8_t> descriptor;
    if (!ten && !noDescriptor) {
        descriptor.assign(8, 0);
        descriptor[0] = state_.densityCode;
        bigendian::Put24(&descriptor[5], state_.blockLength);
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
        return CVirtualAnswer::HostError();  // the drive asks for more than the host sends
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
    uint32_t newBlockLength = state_.blockLength;
    uint8_t newDensity = state_.densityCode;
    if (descriptorLength == 8) {
        newDensity = data[headerLength];
        newBlockLength = bigendian::Get24(&data[headerLength + 5]);
        if (!KnownBlockLength(newBlockLength))
            return Check(kIllegalRequest, 0x26, 0x00);
    }
    auto newParameters = state_.writeParameters;
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
        const uint8_t* page = &data[pos];
        if (code != 0x05) {
            // Another page the command set may keep; none of the device's own.
            const uint8_t refusal =
                config_.writesCdr ? model_->SelectModePage({page, length}) : 0x26;
            if (refusal != 0)
                return Check(kIllegalRequest, refusal, 0x00);
            pos += length;
            continue;
        }
        if (length != kWriteParametersLength ||
            (config_.writesCdr && !model_->HasWriteParameters()))
            return Check(kIllegalRequest, 0x26, 0x00);
        uint8_t writeType = page[2] & 0x0F;
        uint8_t blockType = page[4] & 0x0F;
        uint8_t sessionFormat = page[8];
        bool blockTypeValid = blockType <= 3 || (blockType >= 8 && blockType <= 13);
        if (writeType > 4 || !blockTypeValid ||
            (sessionFormat != 0x00 && sessionFormat != 0x10 && sessionFormat != 0x20))
            return Check(kIllegalRequest, 0x26, 0x00);
        // What this kind of drive takes.
        if (const uint8_t refusal = model_->CheckWriteParameters({page, length}); refusal != 0)
            return Check(kIllegalRequest, refusal, 0x00);
        std::copy(page, page + length, newParameters.begin());
        pos += length;
    }
    state_.blockLength = newBlockLength;
    state_.densityCode = newDensity;
    state_.writeParameters = newParameters;
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
    const CVirtualDisc& disc = state_.disc;
    const auto tracks = static_cast<int32_t>(disc.Tracks().size());
    std::vector<uint8_t> data(34, 0);
    bigendian::Put16(&data[0], 32);
    // Blank; or an open session (incomplete disc and session); or the last session and
    // the disc complete.
    data[2] = disc.Blank() ? 0x00 : disc.SessionOpen() ? 0x05 : 0x0E;
    data[3] = 1;
    data[4] = 1;
    data[5] = 1;
    data[6] = static_cast<uint8_t>(std::clamp(tracks + (disc.SessionOpen() ? 1 : 0), 1, 99));
    data[7] = 0x20;  // unrestricted use
    if (disc.Kind() == Disc::kBlank) {
        data[17] = static_cast<uint8_t>(config_.leadInMinute);
        data[18] = static_cast<uint8_t>(config_.leadInSecond);
        data[19] = static_cast<uint8_t>(config_.leadInFrame);
        data[21] = CVirtualDisc::kLastLeadOutMinute;
        data[22] = CVirtualDisc::kLastLeadOutSecond;
        data[23] = CVirtualDisc::kLastLeadOutFrame;
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
    const CVirtualDisc& disc = state_.disc;
    const std::vector<CVirtualDisc::Track> tracks = disc.Tracks();
    const auto count = static_cast<uint32_t>(tracks.size());
    // The tracks written and, on a disc that takes more, the invisible (incomplete)
    // track: the one being written, or the next one from the next writable address to
    // the end of the disc.
    const bool writable = disc.Kind() == Disc::kBlank;
    const uint32_t invisible = !writable ? 0 : disc.TrackOpen() ? count : count + 1;
    const uint8_t addressType = cdb[1] & 0x03;
    const uint32_t number = bigendian::Get32(&cdb[2]);
    uint32_t track = 0;  // 1-based
    if (addressType == 1) {
        if (number >= 1 && number <= count)
            track = number;
        else if (number == invisible || (number == 0xFF && invisible != 0))
            track = invisible;
        else if (number == 0xFF)
            track = count;  // a finished disc: its last track, without a writable address
    } else if (addressType == 0) {
        for (uint32_t t = 0; t < count && track == 0; ++t)
            if (number < static_cast<uint32_t>(tracks[t].end))
                track = t + 1;
        if (track == 0 && invisible != 0 &&
            number < static_cast<uint32_t>(CVirtualDisc::LastLeadOut()))
            track = invisible;
    }
    if (track == 0)
        return Check(kIllegalRequest, 0x24, 0x00);

    std::vector<uint8_t> data(36, 0);
    bigendian::Put16(&data[0], 34);
    data[2] = static_cast<uint8_t>(track);
    data[3] = 1;
    if (track == invisible) {
        const int32_t next = disc.NextWritable();
        const int32_t start = track <= count ? tracks[track - 1].start : next;
        const int32_t free = CVirtualDisc::LastLeadOut() - next;
        data[6] = track > count ? 0x4F : 0x0F;  // blank bit
        data[7] = 0x01;                         // next writable address valid
        bigendian::Put32(&data[8], static_cast<uint32_t>(start));
        bigendian::Put32(&data[12], static_cast<uint32_t>(next));
        bigendian::Put32(&data[16], static_cast<uint32_t>(free));
        bigendian::Put32(&data[24], static_cast<uint32_t>(next - start + free));
    } else {
        const CVirtualDisc::Track& t = tracks[track - 1];
        data[6] = 0x0F;
        bigendian::Put32(&data[8], static_cast<uint32_t>(t.start));
        bigendian::Put32(&data[24], static_cast<uint32_t>(t.end - t.start));
        bigendian::Put32(&data[28], static_cast<uint32_t>(t.end - 1));
    }
    answer.data = CutTo(std::move(data), bigendian::Get16(&cdb[7]));
    return answer;
}

CVirtualDevice::Answer CVirtualDevice::ReadCapacity() {
    Answer answer;
    if (MediumMissing(answer))
        return answer;
    // The last recorded block; a blank disc holds none (0xFFFFFFFF + 1 blocks).
    const uint32_t recorded = state_.disc.Kind() == Disc::kBlank
                                  ? 0
                                  : static_cast<uint32_t>(state_.disc.RecordedBlocks());
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
    bigendian::Put32(&data[4], state_.buffer.Capacity());
    bigendian::Put32(&data[8], state_.buffer.FreeBytes());
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
        if (state_.removalPrevented)
            return Check(kIllegalRequest, 0x53, 0x02);  // medium removal prevented
        model_->Abandon();
        state_.trayOpen = true;
    } else if (loadEject) {
        if (state_.trayOpen)
            state_.disc.Reload();  // the user put the next disc in
        state_.trayOpen = false;
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
    state_.writeSpeed = std::clamp(write, kKilobytesPerSpeed, maxWrite);
    readSpeed_ = std::clamp(read, kKilobytesPerSpeed, 24 * kKilobytesPerSpeed);
    return Answer{};
}

CVirtualDevice::Answer CVirtualDevice::SendOpcInformation(const uint8_t* cdb,
                                                          const IScsiBackend::Request& request) {
    uint32_t listLength = bigendian::Get16(&cdb[7]);
    if (listLength > 0 &&
        (request.direction != IScsiBackend::Direction::kOut || request.length < listLength))
        return CVirtualAnswer::HostError();
    Answer answer;
    if (MediumMissing(answer))
        return answer;
    if ((cdb[1] & 0x01) != 0)
        ++opcCount_;
    answer.consumed = listLength;
    return answer;
}
