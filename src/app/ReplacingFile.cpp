#include "app/ReplacingFile.h"

#include <fcntl.h>
#include <unistd.h>
#include <cerrno>

#include <atomic>

bool CReplacingFile::Fail() {
    if (error_ == 0)
        error_ = errno != 0 ? errno : EIO;
    return false;
}

bool CReplacingFile::Create(const std::string& target) {
    Abandon();
    error_ = 0;
    target_ = target;
    // A unique name beside the target, created with the usual 0666 & ~umask mode.
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
        temp_ = target + ".part-" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
        fd_ = ::open(temp_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd_ >= 0)
            return true;
        if (errno != EEXIST)
            break;
    }
    Fail();
    temp_.clear();
    return false;
}

bool CReplacingFile::Write(const void* data, size_t n) {
    if (fd_ < 0 || error_ != 0)
        return false;
    const auto* p = static_cast<const unsigned char*>(data);
    while (n > 0) {
        ssize_t put = ::write(fd_, p, n);
        if (put < 0) {
            if (errno == EINTR)
                continue;
            return Fail();
        }
        p += put;
        n -= static_cast<size_t>(put);
    }
    return true;
}

bool CReplacingFile::Commit() {
    if (fd_ < 0 || error_ != 0) {
        Abandon();
        return false;
    }
    bool ok = ::fsync(fd_) == 0 || Fail();
    ok = (::close(fd_) == 0 || Fail()) && ok;
    fd_ = -1;
    if (ok && ::rename(temp_.c_str(), target_.c_str()) == 0) {
        temp_.clear();
        return true;
    }
    Fail();
    Abandon();
    return false;
}

void CReplacingFile::Abandon() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    if (!temp_.empty()) {
        ::unlink(temp_.c_str());
        temp_.clear();
    }
}
