#include "support/ScratchFolder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace {
[[noreturn]] void Fail(const std::string& what) {
    std::perror(what.c_str());
    std::abort();
}

struct CFolder {
    std::string path;
    CFolder() {
        // Memory rather than disk where the machine has it: the program syncs the files
        // it writes, which on a disk would cost more than everything else a run does.
        std::error_code error;
        const std::string base =
            std::filesystem::is_directory("/dev/shm", error) && ::access("/dev/shm", W_OK) == 0
                ? std::string("/dev/shm")
                : std::filesystem::temp_directory_path().string();
        std::string pattern = base + "/tunevarn-fuzz-XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr)
            Fail("mkdtemp");
        path = pattern;
    }
    ~CFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
};
}  // namespace

const std::string& ScratchFolder() {
    static CFolder folder;
    return folder.path;
}

std::string ScratchPath(const std::string& name) {
    return ScratchFolder() + "/" + name;
}

std::string WriteSparseScratchFile(const std::string& name, std::span<const uint8_t> head,
                                   int64_t size) {
    std::string path = ScratchPath(name);
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0)
        Fail(path);
    size_t done = 0;
    while (done < head.size()) {
        ssize_t n = ::write(fd, head.data() + done, head.size() - done);
        if (n <= 0)
            Fail(path);
        done += static_cast<size_t>(n);
    }
    if (size > static_cast<int64_t>(head.size()) && ::ftruncate(fd, size) != 0)
        Fail(path);
    ::close(fd);
    return path;
}

std::string WriteScratchFile(const std::string& name, std::span<const uint8_t> bytes) {
    return WriteSparseScratchFile(name, bytes, static_cast<int64_t>(bytes.size()));
}

std::string WriteScratchFile(const std::string& name, const std::string& text) {
    return WriteScratchFile(
        name, std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
}

std::string MakeScratchFolder(const std::string& name) {
    std::string path = ScratchPath(name);
    if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST)
        Fail(path);
    return path;
}
