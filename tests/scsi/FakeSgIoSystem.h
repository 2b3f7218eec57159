#pragma once
// A scripted kernel for the SG_IO backend: device nodes with their identities, open
// failures, and a drive whose answers to SG_IO each test plays.
#include <fcntl.h>
#include <scsi/sg.h>

#include <algorithm>

#include <cerrno>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "scsi/SgIoSystem.h"

struct FakeNode {
    int selectOpenError = 0;  // errno of the exclusive open on selection
    bool identified = true;   // answers the two identity ioctls
    int idLun = 0;            // SCSI_IOCTL_GET_IDLUN's first word
    int bus = 0;
};

class CFakeSgIoSystem : public ISgIoSystem {
  public:
    // Plays one SG_IO: fills the header's outputs; returns 0 or minus errno.
    using Drive = std::function<int(sg_io_hdr_t&)>;

    std::map<std::string, FakeNode> nodes;
    std::vector<std::string> listing;  // order of ListDeviceNodes; nodes' keys when empty
    Drive drive;
    // What was asked of it.
    std::vector<std::pair<std::string, int>> opens;  // path, flags
    std::vector<sg_io_hdr_t> commands;               // each SG_IO header as sent
    int openFds = 0;

    std::vector<std::string> ListDeviceNodes() override {
        if (!listing.empty())
            return listing;
        std::vector<std::string> names;
        for (auto& [path, node] : nodes) names.push_back(path);
        return names;
    }

    int Open(const std::string& path, int flags) override {
        opens.emplace_back(path, flags);
        auto it = nodes.find(path);
        if (it == nodes.end())
            return -ENOENT;
        if ((flags & O_EXCL) != 0 && it->second.selectOpenError != 0)
            return -it->second.selectOpenError;
        fds_.push_back(path);
        ++openFds;
        return static_cast<int>(fds_.size()) + 2;
    }

    int Ioctl(int fd, unsigned long request, void* argument) override {
        const std::string& path = fds_.at(static_cast<size_t>(fd - 3));
        FakeNode& node = nodes.at(path);
        switch (request) {
            case SG_GET_VERSION_NUM:
                *static_cast<int*>(argument) = 30536;
                return 0;
            case 0x5382:
                if (!node.identified)
                    return -ENOTTY;
                static_cast<int*>(argument)[0] = node.idLun;
                static_cast<int*>(argument)[1] = 0;
                return 0;
            case 0x5386:
                if (!node.identified)
                    return -ENOTTY;
                *static_cast<int*>(argument) = node.bus;
                return 0;
            case SG_IO: {
                auto& header = *static_cast<sg_io_hdr_t*>(argument);
                commands.push_back(header);
                return drive ? drive(header) : 0;
            }
            default:
                return -ENOTTY;
        }
    }

    void Close(int) override { --openFds; }

  private:
    std::vector<std::string> fds_;
};

// Writes sense data into a header as the kernel does after CHECK CONDITION.
inline void PlaySense(sg_io_hdr_t& h, std::vector<uint8_t> sense) {
    h.status = 0x02;
    h.driver_status = 0x08;
    size_t n = std::min<size_t>(sense.size(), h.mx_sb_len);
    std::copy_n(sense.begin(), n, h.sbp);
    h.sb_len_wr = static_cast<unsigned char>(n);
}

// Copies a reply into the data-in buffer and sets the residual.
inline void PlayData(sg_io_hdr_t& h, const std::vector<uint8_t>& data) {
    size_t n = std::min<size_t>(data.size(), h.dxfer_len);
    std::copy_n(data.begin(), n, static_cast<uint8_t*>(h.dxferp));
    h.resid = static_cast<int>(h.dxfer_len - n);
}
