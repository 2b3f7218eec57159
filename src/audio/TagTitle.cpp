#include "audio/TagTitle.h"

#include <mpg123.h>
#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <mutex>
#include <string_view>
#include <vector>

#include "audio/Mp3Layout.h"
#include "audio/Mp3Source.h"  // Id3TitleFromTag
#include "base/AsciiText.h"
#include "base/BigEndian.h"
#include "base/FileIo.h"

namespace {
// Tags larger than this are pictures and more, not worth reading for a title.
constexpr int64_t kLargestTagRead = 16 * 1024 * 1024;
constexpr size_t kApeItemHeader = 8;  // value size, flags

// A tag's text as a title: up to its first NUL (further values of a multi-value field),
// without byte order marks (some taggers write one into UTF-8 text), a line break as a
// blank (a title is one line in the list and in every file we write), and without the
// blanks around it.
std::string CleanText(std::string_view text) {
    constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
    text = text.substr(0, std::min(text.find('\0'), text.size()));
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text.substr(i, kByteOrderMark.size()) == kByteOrderMark) {
            i += kByteOrderMark.size() - 1;
        } else if (text[i] == '\r' || text[i] == '\n') {
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
            out += ' ';
        } else {
            out += text[i];
        }
    }
    return std::string(TrimBlanks(out));
}

// "title - artist", or the title alone; false without a title.
bool JoinTitle(std::string_view title, std::string_view artist, std::string& out) {
    std::string cleanTitle = CleanText(title);
    std::string cleanArtist = CleanText(artist);
    if (cleanTitle.empty())
        return false;
    out = std::move(cleanTitle);
    if (!cleanArtist.empty()) {
        out += " - ";
        out += cleanArtist;
    }
    return true;
}

std::string_view View(const mpg123_string* s) {
    if (s == nullptr || s->p == nullptr || s->fill == 0)
        return {};
    return std::string_view(s->p, s->fill - 1);  // fill counts the closing NUL
}

// The library reads the tag from memory, through its own reader, which gives the tag in
// one piece (its feeding mode copies it in small steps, many times slower).
struct CMemoryStream {
    const uint8_t* bytes;
    size_t size;
    size_t at;
};

mpg123_ssize_t ReadMemory(void* handle, void* buffer, size_t n) {
    auto* stream = static_cast<CMemoryStream*>(handle);
    n = std::min(n, stream->size - stream->at);
    std::memcpy(buffer, stream->bytes + stream->at, n);
    stream->at += n;
    return static_cast<mpg123_ssize_t>(n);
}

off_t SeekMemory(void*, off_t, int) {
    return -1;  // not seekable: the library reads on and never looks for the file's end
}

struct CHandleDeleter {
    void operator()(mpg123_handle* h) const { mpg123_delete(h); }
};

// One reader per thread, made on first use: listing reads many tags in a row.  The
// library knows versions 2.2 to 2.4, their four text encodings, extended headers and
// the unsynchronisation of 2.4's frames, and gives UTF-8.
mpg123_handle* TagReader() {
    thread_local std::unique_ptr<mpg123_handle, CHandleDeleter> reader;
    if (!reader) {
        static std::once_flag once;
        std::call_once(once, [] { mpg123_init(); });
        std::unique_ptr<mpg123_handle, CHandleDeleter> h(mpg123_new(nullptr, nullptr));
        if (!h || mpg123_param(h.get(), MPG123_ADD_FLAGS, MPG123_QUIET, 0) != MPG123_OK ||
            mpg123_replace_reader_handle(h.get(), ReadMemory, SeekMemory, nullptr) != MPG123_OK)
            return nullptr;
        reader = std::move(h);
    }
    return reader.get();
}

// Versions 2.2 and 2.3 unsynchronise the whole tag: a 0x00 follows every 0xFF, and the
// frame sizes count the bytes without them.  libmpg123 takes the sizes as counting
// them, so the tag is handed over as it was before (version 2.4 marks each frame, which
// the library handles itself).
void UndoTagUnsynchronisation(std::vector<uint8_t>& tag) {
    if (tag.size() < 10 || tag[3] >= 4 || (tag[5] & 0x80) == 0)
        return;
    size_t to = 10;
    for (size_t from = 10; from < tag.size(); ++from) {
        tag[to++] = tag[from];
        if (tag[from] == 0xFF && from + 1 < tag.size() && tag[from + 1] == 0x00)
            ++from;
    }
    tag.resize(to);
    const size_t size = to - 10;
    tag[5] &= 0x7F;
    tag[6] = static_cast<uint8_t>(size >> 21 & 0x7F);
    tag[7] = static_cast<uint8_t>(size >> 14 & 0x7F);
    tag[8] = static_cast<uint8_t>(size >> 7 & 0x7F);
    tag[9] = static_cast<uint8_t>(size & 0x7F);
}

uint32_t Synchsafe32(const uint8_t* p) {
    return uint32_t{p[0] & 0x7Fu} << 21 | uint32_t{p[1] & 0x7Fu} << 14 |
           uint32_t{p[2] & 0x7Fu} << 7 | (p[3] & 0x7Fu);
}

void PutSynchsafe32(uint8_t* p, size_t n) {
    p[0] = static_cast<uint8_t>(n >> 21 & 0x7F);
    p[1] = static_cast<uint8_t>(n >> 14 & 0x7F);
    p[2] = static_cast<uint8_t>(n >> 7 & 0x7F);
    p[3] = static_cast<uint8_t>(n & 0x7F);
}

constexpr size_t kFrameHeader = 10;  // also the size of the tag's own header

// A frame of a version 2.3 or 2.4 tag: where it starts and its size after the header;
// for a frame compressed with zlib (and neither encrypted nor unsynchronised) where its
// compressed bytes start and what they inflate to, else an inflated size of 0.
struct CTagFrame {
    size_t at = 0;
    size_t size = 0;
    size_t packedAt = 0;
    uLong inflatedSize = 0;
};

std::vector<CTagFrame> TagFrames(const std::vector<uint8_t>& tag) {
    std::vector<CTagFrame> frames;
    if (tag.size() < kFrameHeader || (tag[3] != 3 && tag[3] != 4))
        return frames;
    const bool v24 = tag[3] == 4;
    const size_t end = std::min(tag.size(), kFrameHeader + Synchsafe32(tag.data() + 6));
    size_t at = kFrameHeader;
    if ((tag[5] & 0x40) != 0 && end >= at + 4) {
        const uint32_t size =
            v24 ? Synchsafe32(tag.data() + at) : bigendian::Get32(tag.data() + at);
        at += v24 ? size : size + 4;
    }
    while (at + kFrameHeader <= end && tag[at] != 0) {
        const uint8_t* h = tag.data() + at;
        CTagFrame frame;
        frame.at = at;
        frame.size = v24 ? Synchsafe32(h + 4) : bigendian::Get32(h + 4);
        if (frame.size > end - at - kFrameHeader)
            break;
        // The flags of the frame's format, and the bytes they add after its header: 2.3
        // gives the inflated size first, then the encryption method and the group; 2.4
        // the group, the encryption method and then the inflated size ("data length").
        const uint8_t format = h[9];
        const bool compressed = (format & (v24 ? 0x08 : 0x80)) != 0 &&
                                (format & (v24 ? 0x06 : 0x40)) == 0 &&
                                (!v24 || (format & 0x01) != 0);
        const size_t extras =
            v24 ? size_t{(format & 0x40) != 0} + 4 : 4 + size_t{(format & 0x20) != 0};
        if (compressed && frame.size > extras) {
            frame.packedAt = at + kFrameHeader + extras;
            frame.inflatedSize = v24 ? Synchsafe32(tag.data() + frame.packedAt - 4)
                                     : bigendian::Get32(h + kFrameHeader);
        }
        frames.push_back(frame);
        at += kFrameHeader + frame.size;
    }
    return frames;
}

// Versions 2.3 and 2.4 may compress a frame with zlib, which libmpg123 skips: such
// frames are handed over inflated.  Tags without one (nearly all) are left as they are.
void InflateCompressedFrames(std::vector<uint8_t>& tag) {
    constexpr uLong kLargestFrame = 1024 * 1024;  // far beyond any title
    const std::vector<CTagFrame> frames = TagFrames(tag);
    if (std::none_of(frames.begin(), frames.end(),
                     [](const CTagFrame& f) { return f.inflatedSize > 0; }))
        return;
    const bool v24 = tag[3] == 4;
    std::vector<uint8_t> rebuilt(tag.begin(), tag.begin() + kFrameHeader);
    rebuilt[5] &= static_cast<uint8_t>(~0x50);  // the extended header and footer stay behind
    std::vector<uint8_t> inflated;
    for (const CTagFrame& frame : frames) {
        const uint8_t* h = tag.data() + frame.at;
        uLongf length = frame.inflatedSize;
        inflated.resize(frame.inflatedSize <= kLargestFrame ? frame.inflatedSize : 0);
        if (inflated.empty() || uncompress(inflated.data(), &length, tag.data() + frame.packedAt,
                                           static_cast<uLong>(frame.at + kFrameHeader + frame.size -
                                                              frame.packedAt)) != Z_OK) {
            rebuilt.insert(rebuilt.end(), h, h + kFrameHeader + frame.size);
            continue;
        }
        uint8_t header[kFrameHeader] = {h[0], h[1], h[2], h[3], 0, 0, 0, 0, h[8], 0};
        if (v24)
            PutSynchsafe32(header + 4, length);
        else
            for (int i = 0; i < 4; ++i)
                header[4 + i] = static_cast<uint8_t>(length >> (24 - 8 * i));
        rebuilt.insert(rebuilt.end(), header, header + kFrameHeader);
        rebuilt.insert(rebuilt.end(), inflated.begin(),
                       inflated.begin() + static_cast<long>(length));
    }
    PutSynchsafe32(rebuilt.data() + 6, rebuilt.size() - kFrameHeader);
    tag = std::move(rebuilt);
}

bool Id3v2Title(const uint8_t* tag, size_t size, std::string& out) {
    mpg123_handle* h = TagReader();
    CMemoryStream stream{tag, size, 0};
    if (h == nullptr || mpg123_open_handle(h, &stream) != MPG123_OK)
        return false;
    // Looking for the first frame parses the tag on the way; the stream ends right after.
    mpg123_framebyframe_next(h);
    mpg123_id3v1* v1 = nullptr;
    mpg123_id3v2* v2 = nullptr;
    bool found = (mpg123_meta_check(h) & MPG123_ID3) != 0 && mpg123_id3(h, &v1, &v2) == MPG123_OK &&
                 v2 != nullptr && JoinTitle(View(v2->title), View(v2->artist), out);
    mpg123_close(h);
    return found;
}

// APEv2 items: value size and flags (32-bit little-endian), a NUL-terminated key, the
// value.  Text values (item type 0) are UTF-8.
bool ApeTitle(const uint8_t* items, size_t size, int32_t count, std::string& out) {
    std::string_view title, artist;
    size_t at = 0;
    for (int32_t i = 0; i < count && size - at > kApeItemHeader; ++i) {
        const uint8_t* p = items + at;
        uint32_t valueSize = p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24;
        uint32_t flags = p[4] | p[5] << 8 | p[6] << 16 | static_cast<uint32_t>(p[7]) << 24;
        const char* key = reinterpret_cast<const char*>(p + kApeItemHeader);
        size_t room = size - at - kApeItemHeader;
        const void* nul = std::memchr(key, 0, room);
        if (nul == nullptr)
            break;
        size_t keyLength = static_cast<size_t>(static_cast<const char*>(nul) - key);
        if (valueSize > room - keyLength - 1)
            break;
        std::string_view value(key + keyLength + 1, valueSize);
        if (((flags >> 1) & 3) == 0) {
            std::string_view name(key, keyLength);
            if (EqualNoCase(name, "Title"))
                title = value;
            else if (EqualNoCase(name, "Artist"))
                artist = value;
        }
        at += kApeItemHeader + keyLength + 1 + valueSize;
    }
    return JoinTitle(title, artist, out);
}

// Reads bytes [at, at + size) of the file; false when they cannot all be read.
bool ReadRange(const CFile& file, int64_t at, int64_t size, std::vector<uint8_t>& bytes) {
    if (at < 0 || size <= 0 || size > kLargestTagRead)
        return false;
    bytes.resize(static_cast<size_t>(size));
    return file.ReadAt(at, bytes.data(), bytes.size()) == size;
}
}  // namespace

bool ReadTagTitle(const CFile& file, const CMp3Layout& layout, std::string& title) {
    if (!file.IsOpen())
        return false;
    std::vector<uint8_t> bytes;
    if (layout.id3v2Bytes > 0 && ReadRange(file, 0, layout.id3v2Bytes, bytes)) {
        UndoTagUnsynchronisation(bytes);
        InflateCompressedFrames(bytes);
        if (Id3v2Title(bytes.data(), bytes.size(), title))
            return true;
    }
    if (layout.apeItems >= 0 && ReadRange(file, layout.apeItems, layout.apeItemBytes, bytes) &&
        ApeTitle(bytes.data(), bytes.size(), layout.apeItemCount, title))
        return true;
    char v1[64];
    if (layout.hasId3v1 && Id3TitleFromTag(layout.id3v1.data(), v1, sizeof v1)) {
        title = CleanText(v1);
        return !title.empty();
    }
    return false;
}
