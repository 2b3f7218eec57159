#include "audio/Mp3Layout.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "base/FileIo.h"

namespace {
constexpr size_t kFirstWindow = 4096;  // most files start with a frame, or a small tag
constexpr size_t kWindow = 64 * 1024;  // what a search or a walk reads at a time
constexpr int kMaxLeadingTags = 8;     // ID3 version 2 tags one after the other
constexpr int32_t kApeFooterSize = 32;
// Frame durations are counted in units of 1 / 14112000 second, the least common multiple
// of every MPEG sampling rate: exact whatever rates a stream mixes.
constexpr int64_t kTimeUnits = 14'112'000;

uint32_t LittleEndian32(const uint8_t* p) {
    return uint32_t{p[0]} | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16) | (uint32_t{p[3]} << 24);
}

int64_t CeilDiv(int64_t a, int64_t b) {
    return a <= 0 ? 0 : (a + b - 1) / b;
}

// A moving window over the bytes [0, end) of a file.
class CWindow {
  public:
    CWindow(const CFile& file, int64_t end) : file_(file), end_(end), bytes_(kFirstWindow) {}

    // n bytes at pos, or nullptr when they do not all lie before the end.
    const uint8_t* At(int64_t pos, size_t n) {
        if (pos < 0 || pos + static_cast<int64_t>(n) > end_)
            return nullptr;
        if (pos < base_ || pos + static_cast<int64_t>(n) > base_ + static_cast<int64_t>(length_))
            Load(pos);
        return length_ >= n ? bytes_.data() + (pos - base_) : nullptr;
    }

    // The bytes from pos to the end of the window, at least a frame header's worth when
    // the file has them; nullptr at the end.
    const uint8_t* From(int64_t pos, size_t& count) {
        int64_t want = std::min<int64_t>(4, end_ - pos);
        if (want <= 0 || At(pos, static_cast<size_t>(want)) == nullptr)
            return nullptr;
        count = length_ - static_cast<size_t>(pos - base_);
        return bytes_.data() + (pos - base_);
    }

    int64_t End() const { return end_; }

  private:
    void Load(int64_t pos) {
        // Looks here and there stay small (the first frame behind a tag); a search or a
        // walk that goes on from where the window ends reads in larger steps.
        bool onwards = length_ > 0 && pos >= base_ &&
                       pos <= base_ + static_cast<int64_t>(length_ + kFirstWindow);
        if (onwards && bytes_.size() < kWindow)
            bytes_.resize(kWindow);
        size_t want = static_cast<size_t>(std::min<int64_t>(end_ - pos, bytes_.size()));
        int64_t got = file_.ReadAt(pos, bytes_.data(), want);
        base_ = pos;
        length_ = got > 0 ? static_cast<size_t>(got) : 0;
    }

    const CFile& file_;
    int64_t end_;
    std::vector<uint8_t> bytes_;
    int64_t base_ = 0;
    size_t length_ = 0;
};

// A frame starts at pos when its header is acceptable and the next frame follows where
// the header says, of the same stream.
bool FrameStartsAt(CWindow& window, int64_t pos, CMp3FrameHeader& header) {
    const uint8_t* h = window.At(pos, 4);
    if (h == nullptr || !ParseFrameHeader(h, header))
        return false;
    CMp3FrameHeader next;
    const uint8_t* n = window.At(pos + header.FrameBytes(), 4);
    return n != nullptr && ParseFrameHeader(n, next) && next.SameStreamAs(header);
}

// The first frame at or after pos, or -1.
int64_t FindFrame(CWindow& window, int64_t pos, CMp3FrameHeader& header) {
    for (;;) {
        size_t count = 0;
        const uint8_t* bytes = window.From(pos, count);
        if (bytes == nullptr || count < 2)
            return -1;
        // The last byte can only start a pair whose second byte is in the next window.
        const void* ff = std::memchr(bytes, 0xFF, count - 1);
        if (ff == nullptr) {
            pos += static_cast<int64_t>(count) - 1;
            continue;
        }
        int64_t at = pos + (static_cast<const uint8_t*>(ff) - bytes);
        if (IsLayer3Sync(0xFF, static_cast<const uint8_t*>(ff)[1]) &&
            FrameStartsAt(window, at, header))
            return at;
        // A failed pair is retried from its second byte, so a run of 0xFF bytes in front
        // of a frame does not hide the frame.
        pos = at + 1;
    }
}

bool IsId3v2Header(const uint8_t* h) {
    return h[0] == 'I' && h[1] == 'D' && h[2] == '3' && h[3] >= 2 && h[3] < 0xFF && h[4] < 0xFF &&
           (h[6] | h[7] | h[8] | h[9]) < 0x80;
}

// The whole tag: the 10-byte header, the size it gives ("synchsafe": 7 bits a byte) and
// a 10-byte footer when a version 2.4 tag says it has one.
int64_t Id3v2TagBytes(const uint8_t* h) {
    int64_t size = (int64_t{h[6]} << 21) | (int64_t{h[7]} << 14) | (int64_t{h[8]} << 7) | h[9];
    bool footer = h[3] == 4 && (h[5] & 0x10) != 0;
    return 10 + size + (footer ? 10 : 0);
}

// Steps from frame to frame as the decoder will, counting what they play; a stretch that
// is not a frame is searched through to the next one.  Stops early past `limit` time
// units.
int64_t WalkFrames(CWindow& window, int64_t pos, int64_t limit) {
    int64_t units = 0;
    CMp3FrameHeader header;
    while (units <= limit) {
        const uint8_t* h = window.At(pos, 4);
        if (h != nullptr && ParseFrameHeader(h, header) &&
            pos + header.FrameBytes() <= window.End()) {
            units += header.SamplesPerFrame() * (kTimeUnits / header.sampleRate);
            pos += header.FrameBytes();
            continue;
        }
        pos = FindFrame(window, pos + 1, header);
        if (pos < 0)
            break;
    }
    return units;
}
}  // namespace

int32_t CMp3Layout::Inspect(const CFile& file) {
    *this = CMp3Layout();
    const int64_t size = file.Size();

    // The tags at the end: ID3 version 1 in the last 128 bytes, an APEv2 tag before it.
    std::array<uint8_t, kId3v1Size + kApeFooterSize> tail{};
    const int64_t tailBytes = std::min<int64_t>(size, static_cast<int64_t>(tail.size()));
    const int64_t tailAt = size - tailBytes;
    if (tailBytes > 0 &&
        file.ReadAt(tailAt, tail.data(), static_cast<size_t>(tailBytes)) != tailBytes)
        return -2;
    audioEnd = size;
    if (tailBytes >= kId3v1Size) {
        const uint8_t* v1 = tail.data() + (tailBytes - kId3v1Size);
        if (std::memcmp(v1, "TAG", 3) == 0) {
            hasId3v1 = true;
            std::memcpy(id3v1.data(), v1, id3v1.size());
            audioEnd -= kId3v1Size;
        }
    }
    if (audioEnd - tailAt >= kApeFooterSize) {
        const uint8_t* footer = tail.data() + (audioEnd - kApeFooterSize - tailAt);
        if (std::memcmp(footer, "APETAGEX", 8) == 0) {
            int64_t tagBytes = LittleEndian32(footer + 12);  // items and footer
            bool header = (LittleEndian32(footer + 20) & 0x80000000u) != 0;
            int64_t start = audioEnd - tagBytes - (header ? kApeFooterSize : 0);
            if (tagBytes >= kApeFooterSize && start >= 0) {
                apeItems = audioEnd - tagBytes;
                apeItemBytes = tagBytes - kApeFooterSize;
                apeItemCount = static_cast<int32_t>(LittleEndian32(footer + 16));
                audioEnd = start;
            }
        }
    }

    // The ID3 version 2 tags in front are skipped by the sizes their headers give.
    CWindow window(file, audioEnd);
    int64_t start = 0;
    for (int i = 0; i < kMaxLeadingTags; ++i) {
        const uint8_t* h = window.At(start, 10);
        if (h == nullptr || !IsId3v2Header(h))
            break;
        int64_t bytes = Id3v2TagBytes(h);
        if (start + bytes >= audioEnd)
            break;  // a tag that claims the whole file is not believed
        if (i == 0)
            id3v2Bytes = bytes;
        start += bytes;
    }

    firstFrame = FindFrame(window, start, header);
    if (firstFrame < 0) {
        *this = CMp3Layout();
        return -2;
    }

    size_t frameBytes =
        static_cast<size_t>(std::min<int64_t>(header.FrameBytes(), audioEnd - firstFrame));
    const uint8_t* frame = window.At(firstFrame, frameBytes);
    CVbrHeader vbr = frame != nullptr ? ReadVbrHeader(frame, frameBytes, header) : CVbrHeader();
    // The header's own frame plays nothing.  Its count is believed only when the file
    // could hold that many frames; otherwise the frames are counted.
    const int64_t from = firstFrame + (vbr.infoFrame ? header.FrameBytes() : 0);
    const bool believed = vbr.hasLength && FrameCountFits(vbr.frames, audioEnd - from, header);
    // The library skips a Xing or Info frame and ends the song where its count says, but
    // plays a VBRI frame as silence: decoding starts after a VBRI frame, and after a
    // Xing frame whose count is not believed.
    decodeFrom = vbr.vbri || (vbr.hasLength && !believed) ? std::min(from, audioEnd) : firstFrame;
    if (believed) {
        samples = vbr.samples;
        seconds = CeilDiv(vbr.samples, header.sampleRate);
        return 0;
    }
    int64_t units = WalkFrames(window, from, kLongestWalk * kTimeUnits);
    seconds = CeilDiv(units, kTimeUnits);
    samples = units / (kTimeUnits / header.sampleRate);
    if (seconds > kLongestWalk) {
        // Too long for any disc: the first frame's bit rate over the rest is as good.
        int64_t bits = (audioEnd - firstFrame) * 8;
        seconds = std::max(seconds, CeilDiv(bits, header.bitRate));
        samples = seconds * header.sampleRate;
    }
    return 0;
}
