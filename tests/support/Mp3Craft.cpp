#include "support/Mp3Craft.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "base/BigEndian.h"

namespace mp3craft {
namespace {
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

std::vector<uint8_t> Id3v2Header(uint8_t version, uint8_t flags, uint32_t size) {
    std::vector<uint8_t> header = {'I', 'D', '3', version, 0, flags};
    for (int shift : {21, 14, 7, 0}) header.push_back(static_cast<uint8_t>(size >> shift & 0x7F));
    return header;
}

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

int64_t FrameBytes(const std::vector<uint8_t>& header, int64_t k) {
    // Written out independently of the program's own tables, as the standards give them.
    static const int64_t kMpeg1Kbps[16] = {0,   32,  40,  48,  56,  64,  80,  96,
                                           112, 128, 160, 192, 224, 256, 320, 0};
    static const int64_t kLsfKbps[16] = {0,  8,  16, 24,  32,  40,  48,  56,
                                         64, 80, 96, 112, 128, 144, 160, 0};
    static const int64_t kRates[4][3] = {
        {11025, 12000, 8000}, {0, 0, 0}, {22050, 24000, 16000}, {44100, 48000, 32000}};
    int version = (header[1] >> 3) & 3;
    int rateIndex = (header[2] >> 2) & 3;
    const int64_t* kbpsTable = version == 3 ? kMpeg1Kbps : kLsfKbps;
    int64_t kbps = kbpsTable[header[2] >> 4];
    int64_t rate = rateIndex < 3 ? kRates[version][rateIndex] : 0;
    if (kbps == 0 || rate == 0)
        return 0;
    int64_t perFrame = (version == 3 ? 144 : 72) * kbps * 1000;  // bytes x rate
    return (k + 1) * perFrame / rate - k * perFrame / rate;
}

void Write(const std::string& path, const Shape& shape) {
    std::vector<uint8_t> head(shape.lead);
    const size_t frameAt = head.size();
    // The frames: each header where the one before ends, its padding bit as the length
    // needs it.  The first frame has the length without padding.
    int64_t pos = 0;
    const int64_t plain = FrameBytes(shape.header, 0);
    for (int64_t k = 0; pos + 4 <= shape.audioBytes && (shape.headers < 0 || k < shape.headers);
         ++k) {
        size_t at = frameAt + static_cast<size_t>(pos);
        if (head.size() < at + 4)
            head.resize(at + 4, 0);
        std::memcpy(head.data() + at, shape.header.data(), 4);
        int64_t length = FrameBytes(shape.header, k);
        if (length > plain)
            head[at + 2] |= 0x02;
        if (length <= 0)
            break;
        pos += length;
    }
    if (shape.xingOffset >= 0) {
        size_t at = frameAt + static_cast<size_t>(shape.xingOffset);
        size_t lame = at + 8 + ((shape.xingFlags & 1) ? 4 : 0) + ((shape.xingFlags & 2) ? 4 : 0) +
                      ((shape.xingFlags & 4) ? 100 : 0) + ((shape.xingFlags & 8) ? 4 : 0);
        size_t end = shape.lameDelay >= 0 ? lame + 24 : at + 12;
        if (head.size() < end)
            head.resize(end, 0);
        std::memcpy(head.data() + at, shape.xingMagic, 4);
        bigendian::Put32(&head[at + 4], shape.xingFlags);
        bigendian::Put32(&head[at + 8], shape.xingFrames);
        if (shape.lameDelay >= 0) {
            std::memcpy(head.data() + lame, shape.lameName,
                        std::min<size_t>(9, std::strlen(shape.lameName)));
            head[lame + 21] = static_cast<uint8_t>(shape.lameDelay >> 4);
            head[lame + 22] =
                static_cast<uint8_t>((shape.lameDelay & 0x0F) << 4 | (shape.lamePadding >> 8));
            head[lame + 23] = static_cast<uint8_t>(shape.lamePadding & 0xFF);
        }
    }
    int64_t end = static_cast<int64_t>(frameAt) + shape.audioBytes;
    if (static_cast<int64_t>(head.size()) > end)
        head.resize(static_cast<size_t>(end));

    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        throw std::runtime_error("cannot create " + path);
    PwriteAll(fd, head, 0);
    int64_t size = end;
    if (shape.tag) {
        PwriteAll(fd, Id3v1Tag(shape.tagTitle, shape.tagArtist, false), end);
        size += 128;
    }
    if (::ftruncate(fd, size) != 0) {
        ::close(fd);
        throw std::runtime_error("ftruncate failed");
    }
    ::close(fd);
}

void WriteSeconds(const std::string& path, int32_t seconds) {
    if (seconds < 0)
        throw std::runtime_error("a crafted song lasts 0 seconds or more");
    Shape shape;
    shape.audioBytes = std::max<int64_t>(int64_t{seconds} * kBytesPerSecond128k, 1000);
    shape.headers = 2;
    shape.xingOffset = 36;
    shape.xingMagic = "Info";
    // The most whole frames that stay within the seconds: rounded up, exactly them.
    shape.xingFrames = static_cast<uint32_t>(int64_t{seconds} * 44100 / 1152);
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
