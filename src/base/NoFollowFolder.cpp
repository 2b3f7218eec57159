#include "base/NoFollowFolder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>

#include "base/FileIo.h"

namespace {
// A descriptor closed when it goes.
struct CFd {
    int fd = -1;
    explicit CFd(int f) : fd(f) {}
    ~CFd() {
        if (fd >= 0)
            ::close(fd);
    }
    CFd(const CFd&) = delete;
    CFd& operator=(const CFd&) = delete;
    int Release() {
        int f = fd;
        fd = -1;
        return f;
    }
};
}  // namespace

CNoFollowFolder::CNoFollowFolder(const std::string& root) {
    fd_ = ::open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd_ < 0)
        error_ = errno;
}

CNoFollowFolder::~CNoFollowFolder() {
    if (fd_ >= 0)
        ::close(fd_);
}

bool CNoFollowFolder::Fail() {
    error_ = errno != 0 ? errno : EIO;
    return false;
}

int CNoFollowFolder::OpenParent(const std::string& rel, bool make, std::string* inWay,
                                std::string& name) {
    if (inWay != nullptr)
        inWay->clear();
    CFd dir(::fcntl(fd_, F_DUPFD_CLOEXEC, 0));
    if (dir.fd < 0) {
        Fail();
        return -1;
    }
    for (size_t at = 0;;) {
        size_t slash = rel.find('/', at);
        if (slash == std::string::npos) {
            name = rel.substr(at);
            return dir.Release();
        }
        const std::string part = rel.substr(at, slash - at);
        if (make && ::mkdirat(dir.fd, part.c_str(), 0777) != 0 && errno != EEXIST) {
            Fail();
            return -1;
        }
        // A link (ELOOP) or a file (ENOTDIR) where a folder belongs is the user's.
        int next = ::openat(dir.fd, part.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (next < 0) {
            if ((errno == ELOOP || errno == ENOTDIR) && inWay != nullptr)
                *inWay = rel.substr(0, slash);
            Fail();
            return -1;
        }
        ::close(dir.Release());
        dir.fd = next;
        at = slash + 1;
    }
}

CNoFollowFolder::Entry CNoFollowFolder::Look(const std::string& rel, std::string* inWay) {
    std::string name, blocked;
    CFd parent(OpenParent(rel, false, &blocked, name));
    if (inWay != nullptr)
        *inWay = blocked;
    if (parent.fd < 0) {
        if (!blocked.empty())
            return Entry::kOther;
        return error_ == ENOENT ? Entry::kMissing : Entry::kFailed;
    }
    struct stat st {};
    if (::fstatat(parent.fd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
        Fail();
        return error_ == ENOENT ? Entry::kMissing : Entry::kFailed;
    }
    if (S_ISREG(st.st_mode))
        return (st.st_mode & S_IWUSR) != 0 ? Entry::kFile : Entry::kReadOnly;
    if (inWay != nullptr)
        *inWay = rel;
    return Entry::kOther;
}

std::optional<std::vector<char>> CNoFollowFolder::Read(const std::string& rel) {
    std::string name;
    CFd parent(OpenParent(rel, false, nullptr, name));
    if (parent.fd < 0)
        return std::nullopt;
    CFd file(::openat(parent.fd, name.c_str(),
                      O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    struct stat st {};
    if (file.fd < 0 || ::fstat(file.fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        Fail();
        return std::nullopt;
    }
    std::vector<char> bytes(static_cast<size_t>(st.st_size));
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t got = ::read(file.fd, bytes.data() + done, bytes.size() - done);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            Fail();
            return std::nullopt;
        }
        if (got == 0)
            break;
        done += static_cast<size_t>(got);
    }
    bytes.resize(done);
    return bytes;
}

bool CNoFollowFolder::Write(const std::string& rel, const void* data, size_t n,
                            std::string* inWay) {
    std::string name;
    CFd parent(OpenParent(rel, true, inWay, name));
    if (parent.fd < 0)
        return false;
    const std::string temp = "." + name + ".part-" + std::to_string(::getpid());
    CFd file(::openat(parent.fd, temp.c_str(),
                      O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0666));
    if (file.fd < 0)
        return Fail();
    bool ok = WriteAll(file.fd, data, n) && ::fsync(file.fd) == 0;
    ok = ::close(file.Release()) == 0 && ok;
    // rename never follows a link in the name it replaces.
    if (ok && ::renameat(parent.fd, temp.c_str(), parent.fd, name.c_str()) == 0)
        return true;
    Fail();
    ::unlinkat(parent.fd, temp.c_str(), 0);
    return false;
}
