#include <cstdio>
#include <cstring>
#include <string_view>

#include "audio/Mp3Source.h"
#include "base/AsciiText.h"
#include "base/FileIo.h"

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
    const char* title = reinterpret_cast<const char*>(tag + 3);
    const char* artist = reinterpret_cast<const char*>(tag + 33);
    const auto titleLength = static_cast<int>(FieldLength(tag + 3));
    const auto artistLength = static_cast<int>(FieldLength(tag + 33));
    // A tag without a title says nothing the file's name would not say better; one
    // without an artist names the song alone, without a dangling " - ".
    if (TrimBlanks(std::string_view(title, static_cast<size_t>(titleLength))).empty())
        return false;
    const bool artistGiven =
        !TrimBlanks(std::string_view(artist, static_cast<size_t>(artistLength))).empty();
    if (outSize > 0 && artistGiven)
        std::snprintf(out, outSize, "%.*s - %.*s", titleLength, title, artistLength, artist);
    else if (outSize > 0)
        std::snprintf(out, outSize, "%.*s", titleLength, title);
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
