#include "scsi/LinuxSgIoSystem.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>

namespace {
// "sr" or "sg" followed by digits only.
bool IsScsiNodeName(const char* name) {
    if (std::strncmp(name, "sr", 2) != 0 && std::strncmp(name, "sg", 2) != 0)
        return false;
    const char* digits = name + 2;
    if (*digits == '\0')
        return false;
    for (const char* p = digits; *p != '\0'; ++p)
        if (*p < '0' || *p > '9')
            return false;
    return true;
}

struct DirCloser {
    void operator()(DIR* dir) const { ::closedir(dir); }
};
}  // namespace

std::vector<std::string> CLinuxSgIoSystem::ListDeviceNodes() {
    std::vector<std::string> nodes;
    std::unique_ptr<DIR, DirCloser> dir(::opendir("/dev"));
    if (!dir)
        return nodes;
    while (dirent* entry = ::readdir(dir.get()))
        if (IsScsiNodeName(entry->d_name))
            nodes.push_back(std::string("/dev/") + entry->d_name);
    return nodes;
}

int CLinuxSgIoSystem::Open(const std::string& path, int flags) {
    int fd = ::open(path.c_str(), flags);
    return fd >= 0 ? fd : -errno;
}

int CLinuxSgIoSystem::Ioctl(int fd, unsigned long request, void* argument) {
    return ::ioctl(fd, request, argument) == -1 ? -errno : 0;
}

void CLinuxSgIoSystem::Close(int fd) {
    ::close(fd);
}
