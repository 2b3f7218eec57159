#include <cstdio>
#include <cstring>

#include "app/FileIo.h"
#include "audio/Mp3Source.h"

namespace {
constexpr size_t kFieldSize = 30;

// A tag field as text: up to its first NUL; a field that fills all 30 bytes loses its
// trailing blanks (encoders pad with spaces instead of NULs).
size_t FieldLength(const uint8_t* field) {
    const void* nul = std::memchr(field, 0, kFieldSize);
    if (nul != nullptr)
        return static_cast<size_t>(static_cast<const uint8_t*>(nul) - field);
    size_t n = kFieldSize;
    while (n > 0 && field[n - 1] == ' ') --n;
    return n;
}
}  // namespace

bool Id3TitleFromTag(const uint8_t* tag, char* out, size_t outSize) {
    if (tag == nullptr || std::memcmp(tag, "TAG", 3) != 0)
        return false;
    const uint8_t* title = tag + 3;
    const uint8_t* artist = tag + 33;
    if (outSize > 0)
        std::snprintf(out, outSize, "%.*s - %.*s", static_cast<int>(FieldLength(title)),
                      reinterpret_cast<const char*>(title), static_cast<int>(FieldLength(artist)),
                      reinterpret_cast<const char*>(artist));
    return true;
}

bool ReadId3Title(const char* path, char* out, size_t outSize) {
    CFile file;
    if (!file.OpenForReading(path))
        return false;
    uint8_t tag[CMp3Source::kTagSize];
    int64_t size = file.Size();
    if (size < CMp3Source::kTagSize ||
        file.ReadAt(size - CMp3Source::kTagSize, tag, sizeof tag) != CMp3Source::kTagSize)
        return false;
    return Id3TitleFromTag(tag, out, outSize);
}
