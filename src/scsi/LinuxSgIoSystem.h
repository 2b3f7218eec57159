#pragma once
// The real system calls behind ISgIoSystem: /dev listing, open, ioctl, close.
#include "scsi/SgIoSystem.h"

class CLinuxSgIoSystem : public ISgIoSystem {
  public:
    std::vector<std::string> ListDeviceNodes() override;
    int Open(const std::string& path, int flags) override;
    int Ioctl(int fd, unsigned long request, void* argument) override;
    void Close(int fd) override;
};
