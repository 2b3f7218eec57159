#include "scsi/ScsiTransport.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>
#include <vector>

#include "base/BigEndian.h"
#include "scsi/MmcCommands.h"
#include "scsi/ScsiStatus.h"
#include "scsi/SpcCommands.h"

namespace {
using namespace scsistatus;

// A settling device gets this many more tries, the pause doubling from the first.
constexpr int32_t kSettleRetries = 5;
constexpr int32_t kFirstSettlePauseMs = 100;

// An identification field of INQUIRY as a C string: up to its first NUL, control bytes
// shown as "?" so that a log line stays one line, trailing blanks removed.
template <size_t N>
void CopyIdentification(const uint8_t* field, size_t size, std::array<char, N>& out) {
    static_assert(N >= 1);
    out.fill('\0');
    size_t n = 0;
    while (n < size && n + 1 < N && field[n] != 0) {
        uint8_t c = field[n];
        out[n] = (c < 0x20 || c == 0x7F) ? '?' : static_cast<char>(c);
        ++n;
    }
    while (n > 0 && out[n - 1] == ' ') out[--n] = '\0';
}
}  // namespace

CScsiTransport::CScsiTransport() = default;

CScsiTransport::CScsiTransport(std::unique_ptr<IScsiBackend> backend)
    : backend_(std::move(backend)) {}

CScsiTransport::~CScsiTransport() = default;

void CScsiTransport::UseBackend(std::unique_ptr<IScsiBackend> backend) {
    backend_ = std::move(backend);
    deviceCount_ = 0;
    currentDevice_ = -1;
    usePassThrough_ = 0;
    ClearIdentification();
}

int32_t CScsiTransport::ScanPassThrough() {
    currentDevice_ = -1;
    deviceCount_ = 0;
    if (backend_) {
        int32_t n = backend_->Scan();
        deviceCount_ = std::clamp(n, 0, kMaxDevices);
    }
    if (deviceCount_ != 0)
        usePassThrough_ = 1;
    return deviceCount_;
}

void CScsiTransport::ClearIdentification() {
    vendor_.fill('\0');
    product_.fill('\0');
    revision_.fill('\0');
}

int32_t CScsiTransport::SelectDevice(int32_t index) {
    ClearIdentification();
    maximumTransfer_ = kDefaultMaximumTransfer;
    if (!backend_ || index < 0 || index >= deviceCount_) {
        currentDevice_ = -1;
        return 1;
    }
    currentDevice_ = index;
    if (backend_->Select(index)) {
        uint32_t limit = backend_->MaximumTransfer();
        maximumTransfer_ =
            limit == 0 ? kDefaultMaximumTransfer : std::min(limit, kMaximumTransferCap);
    }

    const auto cdb = spc::Inquiry(kInquiryLength);
    std::array<uint8_t, kInquiryLength> reply{};
    if (ExecuteSettled(cdb.data(), static_cast<int32_t>(cdb.size()), reply.data(),
                       kInquiryLength) != 0)
        return 1;
    CopyIdentification(&reply[8], 8, vendor_);
    CopyIdentification(&reply[16], 16, product_);
    CopyIdentification(&reply[32], 4, revision_);
    return 0;
}

int32_t CScsiTransport::ReadCapabilities() {
    // Ask only for what the path to the device carries in one command: a path that
    // takes less than the whole allocation refuses the command outright.
    const uint32_t allocation = std::min<uint32_t>(kCapabilitiesLength, maximumTransfer_);
    const auto cdb = spc::ModeSense10(mmc::kCapabilitiesPage, allocation);
    std::vector<uint8_t> reply(allocation, 0);
    if (reply.size() < 8 || ExecuteSettled(cdb.data(), static_cast<int32_t>(cdb.size()),
                                           reply.data(), static_cast<int32_t>(allocation)) != 0)
        return 0;
    uint32_t dataLength = bigendian::Get16(&reply[0]);
    uint32_t descriptorLength = bigendian::Get16(&reply[6]);
    if (dataLength <= descriptorLength + 6)
        return 0;
    // Only what the header says was sent and what the buffer holds is looked at: a
    // descriptor length or page length may point anywhere.
    size_t available = std::min<size_t>(reply.size(), size_t{dataLength} + 2);
    size_t page = 8 + size_t{descriptorLength};
    if (page + 4 > available)
        return 0;
    // A drive that answers with some other page says nothing about CD-R writing.
    if ((reply[page] & 0x3F) != mmc::kCapabilitiesPage || reply[page + 1] < 2)
        return 0;
    return (reply[page + 3] & 0x01) ? 1 : 0;
}

int32_t CScsiTransport::Execute(const uint8_t* cdb, int32_t cdbLength, const void* dataOut,
                                int32_t dataOutLength, void* dataIn, int32_t dataInLength) {
    lastSucceeded_ = 0;
    lastFailure_ = Failure::kRefused;
    if (!backend_ || currentDevice_ < 0 || cdb == nullptr)
        return 1;
    if (cdbLength != 6 && cdbLength != 10 && cdbLength != 12 && cdbLength != 16)
        return 1;
    if (dataOut != nullptr && dataIn != nullptr)
        return 1;

    IScsiBackend::Request request;
    request.cdb = cdb;
    request.cdbLength = cdbLength;
    if (dataIn != nullptr) {
        if (dataInLength < 0)
            return 1;
        request.direction = IScsiBackend::Direction::kIn;
        request.dataIn = static_cast<uint8_t*>(dataIn);
        request.length = static_cast<uint32_t>(dataInLength);
    } else if (dataOut != nullptr) {
        if (dataOutLength < 0)
            return 1;
        request.direction = IScsiBackend::Direction::kOut;
        request.dataOut = static_cast<const uint8_t*>(dataOut);
        request.length = static_cast<uint32_t>(dataOutLength);
    }

    IScsiBackend::Outcome outcome = backend_->Send(request);
    lastFailure_ = Classify(outcome);
    if (outcome.systemError != 0 || outcome.hostStatus != 0)
        return 1;
    uint8_t status = outcome.status & kMask;
    if (status == kGood) {
        // Driver status values that still mean the command ran: none, "sense available".
        uint16_t driver = outcome.driverStatus & 0x0F;
        if (driver != kDriverOk && driver != kDriverSense)
            return 1;
        lastSucceeded_ = 1;
        return 0;
    }
    if (status != kCheckCondition)
        return 1;  // BUSY, RESERVATION CONFLICT, ...: the sense field stays as it was
    TakeSense(outcome);
    return sense_[2] != 0 ? 2 : 1;
}

int32_t CScsiTransport::ExecuteSettled(const uint8_t* cdb, int32_t cdbLength, void* dataIn,
                                       int32_t dataInLength) {
    int32_t pauseMs = kFirstSettlePauseMs;
    for (int32_t retries = 0;; ++retries) {
        const int32_t result = Execute(cdb, cdbLength, nullptr, 0, dataIn, dataInLength);
        if (result == 0 || retries >= kSettleRetries)
            return result;
        const uint8_t key = sense_[2] & 0x0F;
        const bool unitAttention = result == 2 && key == kSenseUnitAttention;
        const bool becomingReady =
            result == 2 && key == kSenseNotReady && sense_[12] == 0x04 && sense_[13] == 0x01;
        if (!unitAttention && !becomingReady && lastFailure_ != Failure::kBusy)
            return result;
        // A unit attention is reported once: the command goes again at once.
        if (!unitAttention) {
            if (sleep_)
                sleep_(pauseMs);
            else
                std::this_thread::sleep_for(std::chrono::milliseconds(pauseMs));
            pauseMs *= 2;
        }
    }
}

CScsiTransport::Failure CScsiTransport::Classify(const IScsiBackend::Outcome& outcome) {
    if (outcome.systemError != 0) {
        switch (outcome.systemError) {
            case EINVAL:
            case ENOMEM:
            case EFAULT:
            case EPERM:
            case EACCES:
            case EOVERFLOW:
                return Failure::kRefused;  // the system would not send it; the drive is there
            default:
                return Failure::kNoAnswer;  // ENODEV, ENXIO, EIO, EBADF, ...
        }
    }
    if (outcome.hostStatus == kHostTimeOut || (outcome.driverStatus & 0x0F) == kDriverTimeOut)
        return Failure::kTimeOut;
    if (outcome.hostStatus == kHostNoConnect || outcome.hostStatus == kHostBadTarget)
        return Failure::kNoAnswer;
    if (outcome.hostStatus != 0)
        return Failure::kOther;
    const uint8_t status = outcome.status & kMask;
    if (status == kGood)
        return (outcome.driverStatus & 0x0F) == kDriverOk ||
                       (outcome.driverStatus & 0x0F) == kDriverSense
                   ? Failure::kNone
                   : Failure::kOther;
    if (status == kBusy)
        return Failure::kBusy;
    if (status == kCheckCondition)
        return Failure::kCheckCondition;
    return Failure::kOther;
}

void CScsiTransport::TakeSense(const IScsiBackend::Outcome& outcome) {
    // A CHECK CONDITION without sense bytes clears the field: the sense of an earlier
    // failure must not be mistaken for this one's.
    sense_.fill(0);
    size_t n = std::min<size_t>(outcome.senseLength, outcome.sense.size());
    std::memcpy(sense_.data(), outcome.sense.data(), n);
    uint8_t code = sense_[0] & 0x7F;
    if (n >= 4 && (code == 0x72 || code == 0x73)) {
        // Descriptor format (some bridges send it): the callers read the fixed format,
        // sense key in byte 2, ASC and ASCQ in bytes 12 and 13.
        uint8_t key = sense_[1] & 0x0F;
        uint8_t asc = sense_[2];
        uint8_t ascq = sense_[3];
        sense_.fill(0);
        sense_[0] = code == 0x72 ? 0x70 : 0x71;
        sense_[2] = key;
        sense_[7] = 10;
        sense_[12] = asc;
        sense_[13] = ascq;
    }
}

const uint8_t* CScsiTransport::SenseData(int32_t& length) const {
    length = kSenseReported;
    return sense_.data();
}

std::string CScsiTransport::DeviceName(int32_t index) const {
    if (!backend_ || index < 0 || index >= deviceCount_)
        return "";
    return backend_->DeviceName(index);
}

std::string CScsiTransport::DeviceProblem(int32_t index) const {
    if (!backend_ || index < 0 || index >= deviceCount_)
        return "";
    return backend_->Problem(index);
}

std::vector<std::string> CScsiTransport::ScanNotes() const {
    return backend_ ? backend_->ScanNotes() : std::vector<std::string>{};
}
