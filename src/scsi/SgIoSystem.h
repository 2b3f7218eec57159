#pragma once
// The few system calls the SG_IO backend makes, behind one seam so that tests can play
// a drive's answers (and the kernel's failures) without a drive.  Results follow the
// kernel's convention: a file descriptor or 0 on success, minus errno on failure.
#include <string>
#include <vector>

class ISgIoSystem {
  public:
    virtual ~ISgIoSystem() = default;
    // Full paths of the nodes that may lead to SCSI devices ("/dev/sr0", "/dev/sg3"),
    // in no particular order.
    virtual std::vector<std::string> ListDeviceNodes() = 0;
    virtual int Open(const std::string& path, int flags) = 0;
    virtual int Ioctl(int fd, unsigned long request, void* argument) = 0;
    virtual void Close(int fd) = 0;
};
