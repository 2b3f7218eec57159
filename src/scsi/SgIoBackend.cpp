#include "scsi/SgIoBackend.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <scsi/sg.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "scsi/MmcCommands.h"
#include "scsi/ScsiStatus.h"
#include "scsi/SpcCommands.h"

namespace {
// Not in the C library's headers: the kernel's own SCSI ioctls, which both node kinds
// answer.
constexpr unsigned long kScsiIoctlGetIdLun = 0x5382;
constexpr unsigned long kScsiIoctlGetBusNumber = 0x5386;

constexpr int kScanFlags = O_RDWR | O_NONBLOCK | O_CLOEXEC;
constexpr int kSelectFlags = O_RDWR | O_NONBLOCK | O_EXCL | O_CLOEXEC;

using scsistatus::kDriverTimeOut;
using scsistatus::kHostTimeOut;

std::string BaseName(const std::string& path) {
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Enumeration key of a node: (0 for sr, 1 for sg, 2 for anything else, number).
std::pair<int, uint64_t> NodeKey(const std::string& path) {
    std::string name = BaseName(path);
    int kind = 2;
    if (name.rfind("sr", 0) == 0)
        kind = 0;
    else if (name.rfind("sg", 0) == 0)
        kind = 1;
    uint64_t number = 0;
    size_t digits = 0;
    for (size_t i = 2; i < name.size() && kind != 2; ++i) {
        char c = name[i];
        if (c < '0' || c > '9' || ++digits > 18) {
            kind = 2;
            break;
        }
        number = number * 10 + static_cast<uint64_t>(c - '0');
    }
    if (kind != 2 && digits == 0)
        kind = 2;
    return {kind, kind == 2 ? 0 : number};
}

std::string ErrorText(int error) {
    switch (error) {
        case ENOMEDIUM:
            return "no disc in the drive";
        case EBUSY:
            return "the drive is busy";
        default:
            return std::strerror(error);
    }
}
}  // namespace

CSgIoBackend::CSgIoBackend(std::unique_ptr<ISgIoSystem> system) : system_(std::move(system)) {}

CSgIoBackend::~CSgIoBackend() {
    CloseSelected();
}

bool CSgIoBackend::NodeBefore(const std::string& a, const std::string& b) {
    auto ka = NodeKey(a);
    auto kb = NodeKey(b);
    if (ka != kb)
        return ka < kb;
    return a < b;
}

uint32_t CSgIoBackend::TimeoutMs(uint8_t operationCode) {
    switch (operationCode) {
        case spc::kInquiry:
            return kInquiryTimeoutMs;
        case spc::kStartStopUnit:       // loading and spinning up
        case spc::kSynchronizeCache:    // drains the buffer, may write the lead-out
        case mmc::kSendOpcInformation:  // power calibration
        case mmc::kCloseTrackSession:   // lead-in and lead-out
            return kLongTimeoutMs;
        default:
            return operationCode >= 0xC0 ? kLongTimeoutMs : kDefaultTimeoutMs;
    }
}

void CSgIoBackend::CloseSelected() {
    if (fd_ >= 0)
        system_->Close(fd_);
    fd_ = -1;
    selected_ = -1;
    maximumTransfer_ = 0;
}

bool CSgIoBackend::Identify(int fd, uint64_t& identity) {
    int idLun[2] = {0, 0};
    int bus = 0;
    if (system_->Ioctl(fd, kScsiIoctlGetIdLun, idLun) != 0 ||
        system_->Ioctl(fd, kScsiIoctlGetBusNumber, &bus) != 0)
        return false;
    identity = (uint64_t{static_cast<uint32_t>(bus)} << 32) | static_cast<uint32_t>(idLun[0]);
    return true;
}

int32_t CSgIoBackend::Scan() {
    CloseSelected();
    devices_.clear();
    notes_.clear();
    std::vector<std::string> nodes = system_->ListDeviceNodes();
    std::sort(nodes.begin(), nodes.end(), NodeBefore);
    nodes.erase(std::unique(nodes.begin(), nodes.end()), nodes.end());

    std::vector<uint64_t> seen;
    for (const std::string& path : nodes) {
        int fd = system_->Open(path, kScanFlags);
        if (fd < 0) {
            notes_.push_back(path + ": cannot open: " + ErrorText(-fd));
            continue;
        }
        int version = 0;
        if (system_->Ioctl(fd, SG_GET_VERSION_NUM, &version) != 0) {
            system_->Close(fd);
            notes_.push_back(path + ": does not take SCSI commands");
            continue;
        }
        uint64_t identity = 0;
        bool known = Identify(fd, identity);
        system_->Close(fd);
        if (known && std::find(seen.begin(), seen.end(), identity) != seen.end())
            continue;  // the same device, already recorded through its other node
        if (devices_.size() >= static_cast<size_t>(kMaxDevices)) {
            notes_.push_back(path + ": not used: only 16 devices are kept");
            continue;
        }
        if (known)
            seen.push_back(identity);
        devices_.push_back({path, BaseName(path).rfind("sr", 0) == 0, ""});
    }
    return static_cast<int32_t>(devices_.size());
}

std::string CSgIoBackend::DeviceName(int32_t index) const {
    if (index < 0 || index >= DeviceCount())
        return "";
    return devices_[static_cast<size_t>(index)].path;
}

std::string CSgIoBackend::Problem(int32_t index) const {
    if (index < 0 || index >= DeviceCount())
        return "";
    return devices_[static_cast<size_t>(index)].problem;
}

bool CSgIoBackend::Select(int32_t index) {
    CloseSelected();
    if (index < 0 || index >= DeviceCount())
        return false;
    Device& device = devices_[static_cast<size_t>(index)];
    device.problem.clear();
    int fd = system_->Open(device.path, kSelectFlags);
    if (fd < 0) {
        device.problem = fd == -EBUSY
                             ? "in use: a disc in it is mounted, or another program holds it"
                             : "cannot open: " + ErrorText(-fd);
        return false;
    }
    fd_ = fd;
    selected_ = index;
    // The largest transfer per command the kernel lets through to this device.  A block
    // node answers in 512-byte sectors as an unsigned short, a generic node in bytes.
    if (device.blockNode) {
        unsigned short sectors = 0;
        if (system_->Ioctl(fd_, BLKSECTGET, &sectors) == 0)
            maximumTransfer_ = uint32_t{sectors} * 512;
    } else {
        int bytes = 0;
        if (system_->Ioctl(fd_, BLKSECTGET, &bytes) == 0 && bytes > 0)
            maximumTransfer_ = static_cast<uint32_t>(bytes);
    }
    return true;
}

IScsiBackend::Outcome CSgIoBackend::Send(const Request& request) {
    Outcome outcome;
    if (fd_ < 0) {
        outcome.systemError = ENODEV;
        return outcome;
    }
    if (request.cdb == nullptr || request.cdbLength < 6 || request.cdbLength > 16) {
        outcome.systemError = EINVAL;
        return outcome;
    }
    std::array<uint8_t, kMaxSense> sense{};
    sg_io_hdr_t header{};
    header.interface_id = 'S';
    header.cmd_len = static_cast<unsigned char>(request.cdbLength);
    header.cmdp = const_cast<unsigned char*>(request.cdb);
    header.mx_sb_len = kMaxSense;
    header.sbp = sense.data();
    header.timeout = TimeoutMs(request.cdb[0]);
    header.dxfer_len = request.length;
    if (request.length == 0 || request.direction == Direction::kNone) {
        header.dxfer_direction = SG_DXFER_NONE;
        header.dxfer_len = 0;
    } else if (request.direction == Direction::kIn) {
        header.dxfer_direction = SG_DXFER_FROM_DEV;
        header.dxferp = request.dataIn;
    } else {
        header.dxfer_direction = SG_DXFER_TO_DEV;
        header.dxferp = const_cast<uint8_t*>(request.dataOut);
    }

    Device& device = devices_[static_cast<size_t>(selected_)];
    int result = 0;
    for (int32_t attempt = 0;; ++attempt) {
        result = system_->Ioctl(fd_, SG_IO, &header);
        if (result != -EINTR || attempt >= kInterruptRetries)
            break;
    }
    if (result != 0) {
        outcome.systemError = -result;
        device.problem = ErrorText(-result);
        return outcome;
    }
    outcome.status = header.status;
    outcome.hostStatus = header.host_status;
    outcome.driverStatus = header.driver_status;
    outcome.senseLength = std::min<uint8_t>(header.sb_len_wr, kMaxSense);
    std::memcpy(outcome.sense.data(), sense.data(), outcome.senseLength);
    outcome.residual = header.resid;
    if (header.host_status == kHostTimeOut || (header.driver_status & 0x0F) == kDriverTimeOut) {
        device.problem = "the drive did not answer in time";
    } else if (header.host_status != 0) {
        char text[64];
        std::snprintf(text, sizeof text, "host adapter status 0x%02x", header.host_status);
        device.problem = text;
    }
    return outcome;
}
