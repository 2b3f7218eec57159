#include "base/ReplacingFile.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>

#include <atomic>

#include "base/FileIo.h"

namespace {
constexpr int kMaxLinks = 40;  // as the kernel follows them before ELOOP

// The path with its symbolic links followed as far as they go: a dangling link yields
// the file it would create.  Empty (errno set) for a loop.
std::string FollowLinks(std::string path) {
    for (int hop = 0; hop < kMaxLinks; ++hop) {
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
            return path;
        std::string link(PATH_MAX, '\0');
        ssize_t n = ::readlink(path.c_str(), link.data(), link.size());
        if (n < 0)
            return path;
        link.resize(static_cast<size_t>(n));
        size_t slash = path.rfind('/');
        path =
            link[0] == '/' || slash == std::string::npos ? link : path.substr(0, slash + 1) + link;
    }
    errno = ELOOP;
    return "";
}

size_t NameMax(const std::string& folder) {
    long max = ::pathconf(folder.empty() ? "." : folder.c_str(), _PC_NAME_MAX);
    return max > 0 ? static_cast<size_t>(max) : NAME_MAX;
}
}  // namespace

std::string CReplacingFile::TemporaryName(const std::string& target, const std::string& unique,
                                          size_t nameMax) {
    size_t slash = target.rfind('/');
    size_t start = slash == std::string::npos ? 0 : slash + 1;
    std::string name = target.substr(start);
    std::string suffix = ".part-" + unique;
    size_t room = nameMax > suffix.size() ? nameMax - suffix.size() : 1;
    if (name.size() > room) {
        // Cut before a UTF-8 continuation byte, so the name stays readable.
        size_t cut = room;
        while (cut > 1 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80) --cut;
        name.resize(cut);
    }
    return target.substr(0, start) + name + suffix;
}

bool CReplacingFile::Fail() {
    if (error_ == 0)
        error_ = errno != 0 ? errno : EIO;
    return false;
}

bool CReplacingFile::Create(const std::string& target) {
    Abandon();
    error_ = 0;
    errno = 0;
    target_ = FollowLinks(target);
    struct stat st {};
    if (target_.empty() || (::stat(target_.c_str(), &st) == 0 && S_ISDIR(st.st_mode))) {
        if (!target_.empty())
            errno = EISDIR;
        return Fail();
    }
    size_t slash = target_.rfind('/');
    const size_t nameMax = NameMax(slash == std::string::npos ? "" : target_.substr(0, slash + 1));
    if (target_.size() - (slash == std::string::npos ? 0 : slash + 1) > nameMax) {
        errno = ENAMETOOLONG;
        return Fail();
    }
    // A unique name beside the target, created with the usual 0666 & ~umask mode.
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
        temp_ = TemporaryName(target_, std::to_string(::getpid()) + "-" + std::to_string(counter++),
                              nameMax);
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
    return WriteAll(fd_, data, n) || Fail();
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
