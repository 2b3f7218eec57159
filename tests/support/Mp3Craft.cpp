#include "support/Mp3Craft.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace mp3craft {
namespace {
void PutBig32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
    b[at] = static_cast<uint8_t>(v >> 24);
    b[at + 1] = static_cast<uint8_t>(v >> 16);
    b[at + 2] = static_cast<uint8_t>(v >> 8);
    b[at + 3] = static_cast<uint8_t>(v);
}

void PwriteAll(int fd, const std::vector<uint8_t>& bytes, int64_t at) {
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n =
            ::pwrite(fd, bytes.data() + done, bytes.size() - done, at + static_cast<off_t>(done));
        if (n <= 0)
            throw std::runtime_error("pwrite failed");
        done += static_cast<size_t>(n);
    }
}
}  // namespace

std::vector<uint8_t> Id3v1Tag(const std::string& title, const std::string& artist,
                              bool spacePadded) {
    std::vector<uint8_t> tag(128, 0);
    std::memcpy(tag.data(), "TAG", 3);
    auto field = [&](size_t at, const std::string& text) {
        for (size_t i = 0; i < 30; ++i)
            tag[at + i] = i < text.size() ? static_cast<uint8_t>(text[i]) : (spacePadded ? ' ' : 0);
    };
    field(3, title);
    field(33, artist);
    field(63, "");
    return tag;
}

void Write(const std::string& path, const Shape& shape) {
    std::vector<uint8_t> head(shape.lead);
    size_t frameAt = head.size();
    head.insert(head.end(), shape.header.begin(), shape.header.end());
    if (shape.xingOffset >= 0) {
        size_t at = frameAt + static_cast<size_t>(shape.xingOffset);
        if (head.size() < at + 12)
            head.resize(at + 12, 0);
        std::memcpy(head.data() + at, shape.xingMagic, 4);
        PutBig32(head, at + 4, shape.xingFlags);
        PutBig32(head, at + 8, shape.xingFrames);
    }
    int64_t end = static_cast<int64_t>(frameAt) + shape.audioBytes;
    if (static_cast<int64_t>(head.size()) > end)
        throw std::runtime_error("audioBytes shorter than the crafted frame");

    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        throw std::runtime_error("cannot create " + path);
    PwriteAll(fd, head, 0);
    int64_t size = end;
    if (shape.tag) {
        PwriteAll(fd, Id3v1Tag(shape.tagTitle, shape.tagArtist, shape.spacePadded), end);
        size += 128;
    }
    if (::ftruncate(fd, size) != 0) {
        ::close(fd);
        throw std::runtime_error("ftruncate failed");
    }
    ::close(fd);
}

void WriteSeconds(const std::string& path, int32_t seconds) {
    Shape shape;
    if (seconds < 1)
        throw std::runtime_error("a crafted song lasts at least a second");
    shape.audioBytes = int64_t{seconds} * kBytesPerSecond128k;
    Write(path, shape);
}

void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + path);
}

std::vector<uint8_t> ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in),
                                std::istreambuf_iterator<char>());
}

}  // namespace mp3craft
