#include "base/FileIo.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>

#include <cstring>
#include <string>

#include "base/AsciiText.h"
#include "base/ReplacingFile.h"

CFile& CFile::operator=(CFile&& other) noexcept {
    if (this != &other) {
        Close();
        fd_ = other.fd_;
        size_ = other.size_;
        other.fd_ = -1;
    }
    return *this;
}

bool CFile::OpenForReading(const char* path) {
    Close();
    if (path == nullptr || *path == '\0')
        return false;
    // O_NONBLOCK keeps open() from waiting on a FIFO; it is harmless for regular files,
    // and anything that is not one is refused right after.
    int fd = ::open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0)
        return false;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return false;
    }
    // O_NONBLOCK stays set: it has no effect on reading a regular file.
    fd_ = fd;
    size_ = static_cast<int64_t>(st.st_size);
    return true;
}

void CFile::Close() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    size_ = 0;
}

int64_t CFile::ReadAt(int64_t offset, void* buffer, size_t n) const {
    if (fd_ < 0 || offset < 0)
        return -1;
    auto* out = static_cast<unsigned char*>(buffer);
    size_t done = 0;
    while (done < n) {
        ssize_t got = ::pread(fd_, out + done, n - done,
                              static_cast<off_t>(offset) + static_cast<off_t>(done));
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return done > 0 ? static_cast<int64_t>(done) : -1;
        }
        if (got == 0)
            break;
        done += static_cast<size_t>(got);
    }
    return static_cast<int64_t>(done);
}

bool WriteAll(int fd, const void* data, size_t n) {
    const auto* p = static_cast<const unsigned char*>(data);
    while (n > 0) {
        ssize_t put = ::write(fd, p, n);
        if (put < 0 && errno == EINTR)
            continue;
        if (put < 0)
            return false;
        if (put == 0) {
            errno = EIO;
            return false;
        }
        p += put;
        n -= static_cast<size_t>(put);
    }
    return true;
}

bool WriteFileReplacing(const std::string& path, const void* data, size_t n) {
    CReplacingFile file;
    return file.Create(path) && file.Write(data, n) && file.Commit();
}

bool IsFolder(const std::string& path) {
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool HasExtension(const std::string& name, const char* ext) {
    size_t n = std::strlen(ext);
    if (name.size() < n)
        return false;
    for (size_t i = 0; i < n; ++i) {
        if (AsciiLower(name[name.size() - n + i]) != ext[i])
            return false;
    }
    return true;
}

std::string FolderOf(const std::string& path) {
    size_t slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}
