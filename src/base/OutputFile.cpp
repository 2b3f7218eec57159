#include "base/OutputFile.h"

#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <string_view>

#include "base/DisplayText.h"
#include "base/FileIo.h"

namespace {
constexpr size_t kLook = 64 * 1024;  // what is read of a file already there
constexpr int64_t kSectorBytes = 2352;

bool Starts(std::string_view bytes, std::string_view magic) {
    return bytes.substr(0, magic.size()) == magic;
}

// The beginnings of files that are surely none of our text files, raw audio included:
// songs, pictures, our own binary outputs.
bool KnownBinary(std::string_view head) {
    static constexpr std::array<std::string_view, 8> kMagic = {
        "ID3", "RIFF", "%PDF-", "fLaC", "OggS", "\x89PNG", "\xFF\xD8\xFF", "GIF8"};
    for (std::string_view magic : kMagic)
        if (Starts(head, magic))
            return true;
    // An MPEG audio frame's sync.
    return head.size() >= 2 && static_cast<unsigned char>(head[0]) == 0xFF &&
           (static_cast<unsigned char>(head[1]) & 0xE0) == 0xE0;
}

bool LooksLike(OutputKind kind, std::string_view head, int64_t size) {
    if (size == 0)
        return true;  // nothing to lose
    switch (kind) {
        case OutputKind::kPdf:
            return Starts(head, "%PDF-");
        case OutputKind::kWav:
            return Starts(head, "RIFF") && head.substr(8, 4) == "WAVE";
        case OutputKind::kRawAudio:
            // Our raw tracks are whole sectors of samples, without any header.
            return size % kSectorBytes == 0 && !KnownBinary(head);
        case OutputKind::kProject:
        case OutputKind::kPlaylist:
        case OutputKind::kSongText:
            return head.find('\0') == std::string_view::npos && !KnownBinary(head);
    }
    return false;
}

const char* KindName(OutputKind kind) {
    switch (kind) {
        case OutputKind::kProject:
            return "a project file";
        case OutputKind::kPlaylist:
            return "a playlist";
        case OutputKind::kSongText:
            return "a text file";
        case OutputKind::kWav:
            return "a WAV file";
        case OutputKind::kRawAudio:
            return "a raw audio track";
        case OutputKind::kPdf:
            return "a PDF file";
    }
    return "";
}
}  // namespace

OutputRefusal CheckOutputFile(const std::string& out, OutputKind kind,
                              const std::vector<std::string>& inputs) {
    // Symbolic links are followed: what counts is the file that would be replaced.
    struct stat target {};
    if (::stat(out.c_str(), &target) != 0)
        return OutputRefusal::kNone;
    for (const std::string& input : inputs) {
        struct stat st {};
        if (::stat(input.c_str(), &st) == 0 && st.st_dev == target.st_dev &&
            st.st_ino == target.st_ino)
            return OutputRefusal::kIsInput;
    }
    if (!S_ISREG(target.st_mode))
        return OutputRefusal::kNotAFile;
    CFile file;
    if (!file.OpenForReading(out.c_str()))
        return OutputRefusal::kNone;  // unreadable: writing it fails with the real reason
    std::string head(static_cast<size_t>(std::min<int64_t>(file.Size(), kLook)), '\0');
    int64_t got = file.ReadAt(0, head.data(), head.size());
    head.resize(static_cast<size_t>(std::max<int64_t>(got, 0)));
    return LooksLike(kind, head, file.Size()) ? OutputRefusal::kNone : OutputRefusal::kOtherContent;
}

std::string OutputRefusalText(const std::string& out, OutputKind kind, OutputRefusal refusal) {
    std::string why;
    switch (refusal) {
        case OutputRefusal::kNone:
            return "";
        case OutputRefusal::kIsInput:
            why = "it is one of the files being read";
            break;
        case OutputRefusal::kNotAFile:
            why = "it is not a regular file";
            break;
        case OutputRefusal::kOtherContent:
            why = std::string("the file there is not ") + KindName(kind);
            break;
    }
    return "Cannot write \"" + DisplayText(out) + "\": " + why + ".  Nothing was written.";
}
