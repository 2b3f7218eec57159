// The SG_IO backend under the transport, with a kernel that the fuzzer plays: device
// nodes of any name that open or fail, answer the identity ioctls or not, and SG_IO
// requests that come back interrupted, failed, or with any status, adapter and driver
// status, sense length, residual and reply.
//
// Input: a node count; each node a name (a byte picking a usual one, or a length byte
// and the name's bytes) and a byte of behaviour with the identity that follows; then
// commands until the input ends, each: a device to select, a command (a byte for a
// usual one or its own bytes), a direction and length; and the kernel's answers to
// whatever SG_IO each command causes.
#include <fcntl.h>
#include <linux/fs.h>
#include <scsi/sg.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "scsi/ScsiTransport.h"
#include "scsi/SgIoBackend.h"
#include "scsi/SgIoSystem.h"
#include "support/FuzzInput.h"
#include "support/Require.h"

namespace {
constexpr int kErrors[] = {0, EACCES, ENOENT, EBUSY, ENOMEDIUM, ENXIO, EPERM, EIO};

struct CNode {
    int scanError = 0;
    int selectError = 0;
    bool speaksSgIo = true;
    bool identified = true;
    int idLun = 0;
    int bus = 0;
    bool sectGetWorks = true;
    uint32_t sectGet = 0;
};

class CFuzzedKernel : public ISgIoSystem {
  public:
    explicit CFuzzedKernel(CFuzzInput& in) : in_(in) {
        static const char* const kNames[] = {"/dev/sr0",  "/dev/sr1",  "/dev/sg0",   "/dev/sg1",
                                             "/dev/sg12", "/dev/sr10", "/dev/sr",    "/dev/cdrom",
                                             "/dev/sg2a", "sr3",       "/dev/sg007", "/dev/sr00"};
        for (int n = in.Byte() % 8; n > 0; --n) {
            const uint8_t pick = in.Byte();
            std::string name = pick < 200 ? kNames[pick % 12] : "/dev/" + in.ShortText();
            const uint8_t behaviour = in.Byte();
            CNode node;
            node.scanError = kErrors[behaviour & 7];
            node.selectError = kErrors[(behaviour >> 3) & 7];
            node.speaksSgIo = (behaviour & 0x40) == 0;
            node.identified = (behaviour & 0x80) == 0;
            node.idLun = static_cast<int>(in.Byte());
            node.bus = static_cast<int>(in.Byte() % 4);
            const uint8_t sect = in.Byte();
            node.sectGetWorks = sect != 0;
            node.sectGet = sect == 0xFF ? in.Be32() : sect * 128u;
            listing_.push_back(name);
            nodes_[name] = node;
        }
    }

    std::vector<std::string> ListDeviceNodes() override { return listing_; }

    int Open(const std::string& path, int flags) override {
        auto it = nodes_.find(path);
        if (it == nodes_.end())
            return -ENOENT;
        const int error = (flags & O_EXCL) != 0 ? it->second.selectError : it->second.scanError;
        if (error != 0)
            return -error;
        REQUIRE((flags & O_NONBLOCK) != 0);
        open_.push_back(path);
        return static_cast<int>(open_.size()) + 2;
    }

    int Ioctl(int fd, unsigned long request, void* argument) override {
        REQUIRE(fd >= 3 && static_cast<size_t>(fd - 3) < open_.size());
        const std::string& path = open_[static_cast<size_t>(fd - 3)];
        REQUIRE(path != "closed");
        const CNode& node = nodes_.at(path);
        switch (request) {
            case SG_GET_VERSION_NUM:
                if (!node.speaksSgIo)
                    return -ENOTTY;
                *static_cast<int*>(argument) = 30536;
                return 0;
            case 0x5382:  // SCSI_IOCTL_GET_IDLUN
                if (!node.identified)
                    return -ENOTTY;
                static_cast<int*>(argument)[0] = node.idLun;
                static_cast<int*>(argument)[1] = 0;
                return 0;
            case 0x5386:  // SCSI_IOCTL_GET_BUS_NUMBER
                if (!node.identified)
                    return -ENOTTY;
                *static_cast<int*>(argument) = node.bus;
                return 0;
            case BLKSECTGET:
                if (!node.sectGetWorks)
                    return -ENOTTY;
                // A block node (an sr node) answers in an unsigned short, a generic node in an int.
                if (path.substr(path.rfind('/') + 1).rfind("sr", 0) == 0)
                    *static_cast<unsigned short*>(argument) =
                        static_cast<unsigned short>(node.sectGet);
                else
                    *static_cast<int*>(argument) = static_cast<int>(node.sectGet);
                return 0;
            case SG_IO:
                return PlaySgIo(*static_cast<sg_io_hdr_t*>(argument));
            default:
                return -ENOTTY;
        }
    }

    void Close(int fd) override {
        REQUIRE(fd >= 3 && static_cast<size_t>(fd - 3) < open_.size());
        std::string& path = open_[static_cast<size_t>(fd - 3)];
        REQUIRE(path != "closed");
        path = "closed";
    }

    int OpenCount() const {
        return static_cast<int>(std::count_if(open_.begin(), open_.end(),
                                              [](const std::string& p) { return p != "closed"; }));
    }

  private:
    int PlaySgIo(sg_io_hdr_t& h) {
        // What the backend must always ask for.
        REQUIRE(h.interface_id == 'S' && h.cmdp != nullptr && h.cmd_len >= 6 && h.cmd_len <= 16);
        REQUIRE(h.mx_sb_len == IScsiBackend::kMaxSense && h.sbp != nullptr);
        REQUIRE(h.timeout == CSgIoBackend::TimeoutMs(h.cmdp[0]));
        if (h.dxfer_direction == SG_DXFER_NONE)
            REQUIRE(h.dxfer_len == 0);
        else
            REQUIRE(h.dxferp != nullptr && h.dxfer_len > 0);
        if (in_.Empty())
            return -ENODEV;
        const uint8_t kind = in_.Byte();
        if ((kind & 0x03) == 1)
            return -EINTR;
        if ((kind & 0x03) == 2)
            return -kErrors[(kind >> 2) & 7] - (((kind >> 2) & 7) == 0 ? EIO : 0);
        h.status = in_.Byte();
        h.masked_status = static_cast<unsigned char>((h.status >> 1) & 0x3F);
        h.host_status = static_cast<unsigned short>((kind & 0x10) != 0 ? in_.Be16() : 0);
        h.driver_status = static_cast<unsigned short>((kind & 0x20) != 0 ? in_.Byte() : 0);
        // The kernel copies at most mx_sb_len bytes but may say it had more.
        const uint8_t senseLength = in_.Byte();
        auto sense = in_.Bytes(std::min<size_t>(senseLength, h.mx_sb_len));
        std::copy(sense.begin(), sense.end(), h.sbp);
        h.sb_len_wr = senseLength;
        size_t given = 0;
        if (h.dxfer_direction == SG_DXFER_FROM_DEV) {
            auto reply = in_.Bytes(std::min<size_t>(in_.Byte() * size_t{4}, h.dxfer_len));
            std::copy(reply.begin(), reply.end(), static_cast<uint8_t*>(h.dxferp));
            given = reply.size();
        }
        h.resid = (kind & 0x40) != 0 ? static_cast<int>(in_.Be32())
                                     : static_cast<int>(h.dxfer_len - given);
        return 0;
    }

    CFuzzInput& in_;
    std::vector<std::string> listing_;
    std::map<std::string, CNode> nodes_;
    std::vector<std::string> open_;  // by descriptor - 3; "closed" once closed
};

void RunCommand(CFuzzInput& in, CScsiTransport& transport) {
    transport.SelectDevice(static_cast<int32_t>(in.Byte() % 20) - 2);
    static const std::vector<uint8_t> kCommands[] = {
        {0x12, 0, 0, 0, 44, 0},
        {0x00, 0, 0, 0, 0, 0},
        {0x5A, 0, 0x2A, 0, 0, 0, 0, 0x40, 0, 0},
        {0x35, 0, 0, 0, 0, 0, 0, 0, 0, 0},
        {0x2A, 0, 0, 0, 0, 0, 0, 0, 1, 0},
        {0xBB, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 0, 0},
        {0xE0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
    };
    std::vector<uint8_t> cdb;
    const uint8_t pick = in.Byte();
    if (pick < 7 * 30) {
        cdb = kCommands[pick % 7];
    } else {
        auto bytes = in.Bytes(pick % 18);
        cdb.assign(bytes.begin(), bytes.end());
    }
    const uint8_t direction = in.Byte();
    std::vector<uint8_t> buffer(in.Be16() % 20000);
    const bool in_ = (direction & 1) != 0, out = (direction & 2) != 0;
    const int32_t result =
        transport.Execute(cdb.empty() ? nullptr : cdb.data(), static_cast<int32_t>(cdb.size()),
                          out ? buffer.data() : nullptr, static_cast<int32_t>(buffer.size()),
                          in_ ? buffer.data() : nullptr, static_cast<int32_t>(buffer.size()));
    REQUIRE(result >= 0 && result <= 2);
    REQUIRE(transport.LastCommandSucceeded() == (result == 0 ? 1 : 0));
    int32_t length = 0;
    const uint8_t* sense = transport.SenseData(length);
    if (result == 2)
        REQUIRE(sense[2] != 0);
    if ((direction & 4) != 0)
        transport.ReadCapabilities();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CFuzzInput in(data, size);
    auto kernel = std::make_unique<CFuzzedKernel>(in);
    CFuzzedKernel& seen = *kernel;
    {
        CScsiTransport transport(std::make_unique<CSgIoBackend>(std::move(kernel)));
        // A settling drive's pauses are taken at once: each would cost seconds of a run.
        transport.SetSleep([](int32_t) {});
        const int32_t devices = transport.ScanPassThrough();
        REQUIRE(devices >= 0 && devices <= CScsiTransport::kMaxDevices);
        REQUIRE(seen.OpenCount() == 0);  // the scan closes what it opened
        for (int32_t i = 0; i + 1 < devices; ++i)
            REQUIRE(
                !CSgIoBackend::NodeBefore(transport.DeviceName(i + 1), transport.DeviceName(i)));
        while (!in.Empty()) {
            RunCommand(in, transport);
            REQUIRE(seen.OpenCount() <= 1);  // only the selected device stays open
            for (int32_t i = 0; i < devices; ++i) (void)transport.DeviceProblem(i);
        }
        (void)transport.ScanNotes();
    }
    return 0;
}
