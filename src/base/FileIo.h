#pragma once
// Small RAII wrappers over POSIX files: a read-only handle that refuses anything but a
// regular file (without ever blocking on a FIFO or device), and an all-or-nothing
// writer that replaces its target only once every byte is on disk.
#include <cstddef>
#include <cstdint>
#include <string>

class CFile {
  public:
    CFile() = default;
    ~CFile() { Close(); }
    CFile(const CFile&) = delete;
    CFile& operator=(const CFile&) = delete;
    CFile(CFile&& other) noexcept : fd_(other.fd_), size_(other.size_) { other.fd_ = -1; }
    CFile& operator=(CFile&& other) noexcept;

    // Opens a regular file for reading.  Directories, FIFOs, sockets and devices are
    // refused (false), and the open itself never waits for a writer.
    bool OpenForReading(const char* path);
    void Close();
    bool IsOpen() const { return fd_ >= 0; }
    // Hands the descriptor over to the caller (for fdopen); the handle is closed after.
    int Release() {
        int fd = fd_;
        fd_ = -1;
        size_ = 0;
        return fd;
    }

    // Size in bytes as seen at open time.
    int64_t Size() const { return size_; }

    // Reads up to n bytes at offset; returns bytes read (short only at the end), or -1.
    // Interrupted and partial reads are retried.
    int64_t ReadAt(int64_t offset, void* buffer, size_t n) const;

  private:
    int fd_ = -1;
    int64_t size_ = 0;
};

// Writes all n bytes to the descriptor, going on after interruptions and short writes;
// false (errno set) when the system refuses.
bool WriteAll(int fd, const void* data, size_t n);

// Writes data to path through a temporary file in the same folder, renamed over the
// target only after every byte was written and flushed.  On any failure the target is
// left as it was and no temporary file remains.
bool WriteFileReplacing(const std::string& path, const void* data, size_t n);

// True when the name's extension equals ext (given with its dot, in lower case) in any
// letter case.
bool HasExtension(const std::string& name, const char* ext);

// The folder part of a path: "." when it has none, "/" for a file in the root.
std::string FolderOf(const std::string& path);

// True when path names an existing folder.
bool IsFolder(const std::string& path);
