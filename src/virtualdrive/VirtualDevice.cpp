#include "virtualdrive/VirtualDevice.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "base/BigEndian.h"
#include "scsi/MmcCommands.h"
#include "scsi/ScsiStatus.h"
#include "scsi/SpcCommands.h"

namespace {
using namespace scsistatus;

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

void PutPadded(uint8_t* out, size_t size, const std::string& text) {
    std::memset(out, ' ', size);
    std::memcpy(out, text.data(), std::min(size, text.size()));
}
}  // namespace

CVirtualDevice::CVirtualDevice(Config config, int32_t busIndex)
    : config_(std::move(config)),
      state_(config_),
      model_(CVirtualCommandSet::Make(state_)),
      faults_(config_.faults),
      log_(config_.commandLog ? config_.outputFolder : std::string(), busIndex),
      readBack_(state_) {
    auto defaults = WriteParametersPage(2);
    std::copy(defaults.begin(), defaults.end(), state_.writeParameters.begin());
    state_.writeSpeed = static_cast<uint32_t>(std::max(config_.maxSpeed, 1)) * kKilobytesPerSpeed;
    readSpeed_ = state_.writeSpeed;
}

CVirtualDevice::~CVirtualDevice() = default;

IScsiBackend::Outcome CVirtualDevice::Execute(const IScsiBackend::Request& request) {
    CVirtualLogEntry entry = CVirtualLogEntry::Of(request);
    Answer answer;
    if (!AdapterTakes(request)) {
        answer.result = Result::kTransport;
        answer.systemError = EINVAL;
    } else if (!faults_.Strike(request.cdb[0], answer)) {
        answer = Dispatch(request);
    }
    uint32_t transferred = 0;
    const IScsiBackend::Outcome outcome = Deliver(request, answer, transferred);
    log_.Record(std::move(entry), answer, transferred);
    return outcome;
}

bool CVirtualDevice::AdapterTakes(const IScsiBackend::Request& request) const {
    const bool missingBuffer =
        request.length > 0 &&
        ((request.direction == IScsiBackend::Direction::kIn && request.dataIn == nullptr) ||
         (request.direction == IScsiBackend::Direction::kOut && request.dataOut == nullptr));
    // The kernel refuses a transfer larger than the path takes before the drive sees it.
    return request.cdb != nullptr && request.cdbLength >= 6 && request.cdbLength <= 16 &&
           !missingBuffer && request.length <= config_.maximumTransfer;
}

IScsiBackend::Outcome CVirtualDevice::Deliver(const IScsiBackend::Request& request, Answer& answer,
                                              uint32_t& transferred) {
    // The drive sends its reply; a reply that the host's buffer cannot take, or one sent
    // to a host that expects none, is an overrun at the adapter.
    transferred = 0;
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
    return outcome;
}

CVirtualDevice::Answer CVirtualDevice::Dispatch(const IScsiBackend::Request& request) {
    const uint8_t* cdb = request.cdb;
    uint8_t operationCode = cdb[0];
    int32_t expected = GroupLength(operationCode);
    if (expected < 0)
        return Check(kSenseIllegalRequest, 0x20, 0x00);
    if (expected > 0 && request.cdbLength != expected)
        return Check(kSenseIllegalRequest, 0x24, 0x00);

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
            case spc::kTestUnitReady:
            case spc::kSynchronizeCache:
                return Answer{};
            case spc::kInquiry:
                return Inquiry(cdb);
            case spc::kModeSense6:
            case spc::kModeSense10:
                return Check(kSenseIllegalRequest, 0x24, 0x00);
            case spc::kReadCapacity: {
                Answer answer;
                answer.data.assign(8, 0);
                bigendian::Put32(&answer.data[0],
                                 static_cast<uint32_t>(config_.recordedBlocks - 1));
                bigendian::Put32(&answer.data[4], 512);
                return answer;
            }
            default:
                return Check(kSenseIllegalRequest, 0x20, 0x00);
        }
    }

    Answer answer;
    if (config_.writesCdr && model_->Answer(cdb, request, answer))
        return answer;
    if (config_.writesCdr && !model_->Knows(operationCode))
        return Check(kSenseIllegalRequest, 0x20, 0x00);  // not a command of this drive's set
    switch (operationCode) {
        case spc::kTestUnitReady:
        case spc::kRezeroUnit:
            MediumMissing(answer);
            return answer;
        case spc::kSynchronizeCache:  // nothing is being written
            MediumMissing(answer);
            return answer;
        case spc::kInquiry:
            return Inquiry(cdb);
        case spc::kModeSense6:
            return ModeSense(cdb, false);
        case spc::kModeSense10:
            return ModeSense(cdb, true);
        case spc::kModeSelect6:
            return ModeSelect(cdb, false, request);
        case spc::kModeSelect10:
            return ModeSelect(cdb, true, request);
        case spc::kStartStopUnit:
            return StartStopUnit(cdb);
        case spc::kPreventAllowRemoval:
            state_.removalPrevented = (cdb[4] & 0x01) != 0;
            return answer;
        case spc::kReadCapacity:
            return ReadCapacity();
        case mmc::kReadDiscInformation:
            return ReadDiscInformation(cdb);
        case mmc::kReadTrackInformation:
            return ReadTrackInformation(cdb);
        case mmc::kSendOpcInformation:
            return SendOpcInformation(cdb, request);
        case mmc::kReadBufferCapacity:
            return ReadBufferCapacity(cdb);
        case mmc::kSetCdSpeed:
            return SetCdSpeed(cdb);
        case mmc::kReadTocPmaAtip:
            return readBack_.ReadToc(cdb);
        case mmc::kReadCd:
            return readBack_.ReadCd(
                cdb, request.direction == IScsiBackend::Direction::kIn ? request.length : 0);
        case mmc::kReadSubChannel:
            return readBack_.ReadSubChannel(cdb);
        default:
            return Check(kSenseIllegalRequest, 0x20, 0x00);
    }
}

CVirtualDevice::Answer CVirtualDevice::Inquiry(const uint8_t* cdb) {
    if ((cdb[1] & 0x01) != 0 || cdb[2] != 0)
        return Check(kSenseIllegalRequest, 0x24, 0x00);  // no vital product data pages
    std::vector<uint8_t> data(96, 0);
    data[0] = config_.cdDevice ? 0x05 : 0x00;
    data[1] = config_.cdDevice ? 0x80 : 0x00;  // removable medium
    data[2] = 0x05;
    data[3] = 0x02;
    data[4] = static_cast<uint8_t>(data.size() - 5);
    PutPadded(&data[8], 8, config_.vendor);
    PutPadded(&data[16], 16, config_.product);
    PutPadded(&data[32], 4, config_.revision);
    return CVirtualAnswer::Reply(std::move(data), bigendian::Get16(&cdb[3]));
}

CVirtualDevice::Answer CVirtualDevice::ReadDiscInformation(const uint8_t* cdb) {
    Answer answer;
    if (MediumMissing(answer))
        return answer;
    if ((cdb[1] & 0x07) != 0)
        return Check(kSenseIllegalRequest, 0x24, 0x00);  // only the standard disc information
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
    return CVirtualAnswer::Reply(std::move(data), bigendian::Get16(&cdb[7]));
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
        return Check(kSenseIllegalRequest, 0x24, 0x00);

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
    return CVirtualAnswer::Reply(std::move(data), bigendian::Get16(&cdb[7]));
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
        return Check(kSenseIllegalRequest, 0x24, 0x00);  // the block form is not offered
    std::vector<uint8_t> data(12, 0);
    bigendian::Put16(&data[0], 10);
    bigendian::Put32(&data[4], state_.buffer.Capacity());
    bigendian::Put32(&data[8], state_.buffer.FreeBytes());
    return CVirtualAnswer::Reply(std::move(data), bigendian::Get16(&cdb[7]));
}

CVirtualDevice::Answer CVirtualDevice::StartStopUnit(const uint8_t* cdb) {
    Answer answer;
    if ((cdb[4] >> 4) != 0)
        return answer;  // power conditions: nothing to do
    bool loadEject = (cdb[4] & 0x02) != 0;
    bool start = (cdb[4] & 0x01) != 0;
    if (loadEject && !start) {
        if (state_.removalPrevented)
            return Check(kSenseIllegalRequest, 0x53, 0x02);  // medium removal prevented
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
