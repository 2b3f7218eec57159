#include "cli/CliSupport.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "app/DiscFilling.h"
#include "audio/Mp3Source.h"
#include "base/DisplayText.h"
#include "disc/DiscImage.h"
#include "songlist/Song.h"
#include "songlist/SongList.h"

std::string AbsolutePath(const std::string& path) {
    std::error_code ec;
    std::filesystem::path abs = std::filesystem::absolute(path, ec);
    if (ec)
        return path;
    std::string out = abs.lexically_normal().string();
    while (out.size() > 1 && out.back() == '/') out.pop_back();
    return out;
}

namespace {
// Bytes from files (tags, names, language files, driver.lst) may hold control
// characters that would move the cursor or change the terminal's state.
std::string Sanitized(const std::string& bytes, bool keepLineBreaks) {
    std::string decoded = DisplayText(bytes);
    std::string text;
    text.reserve(decoded.size());
    for (size_t i = 0; i < decoded.size(); ++i) {
        auto c = static_cast<unsigned char>(decoded[i]);
        if ((c < 0x20 || c == 0x7F) && !(keepLineBreaks && c == '\n')) {
            text += '?';
        } else if (c == 0xC2 && i + 1 < decoded.size() &&
                   static_cast<unsigned char>(decoded[i + 1]) < 0xA0) {
            text += '?';  // U+0080 to U+009F: the C1 controls, CSI among them
            ++i;
        } else {
            text += static_cast<char>(c);
        }
    }
    return text;
}
}  // namespace

std::string TerminalText(const std::string& bytes) {
    return Sanitized(bytes, false);
}

std::string TerminalLines(const std::string& bytes) {
    return Sanitized(bytes, true);
}

size_t DisplayWidth(const std::string& utf8) {
    size_t n = 0;
    for (char c : utf8)
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80)
            ++n;
    return n;
}

namespace {
// Why the disc filling just left the song out, for a message.
const char* TrackRefusal(const CDiscImage& disc, const CSong& song) {
    const std::string& path = song.fullPath;
    if (song.duration <= 0)
        return "it plays nothing";
    if (disc.trackCount >= CDiscImage::kMaxTracks)
        return "the disc holds 99 tracks at most";
    if (path.size() >= static_cast<size_t>(CDiscImage::kSlotSize))
        return "its path is longer than 255 bytes";
    CMp3Source source;
    int32_t opened = source.Open(path.c_str());
    if (opened == -1)
        return "cannot be opened";
    if (opened != 0)
        return "not an MP3 file we can record";
    return "does not fit on the disc (82 minutes at most)";
}
}  // namespace

int32_t FillDiscTelling(const CSongList& songs, CDiscImage& disc) {
    return FillDiscImage(
        songs, disc,
        [&](int32_t row) {
            std::fprintf(stderr, "tunevarn-cli: left out %s: %s\n",
                         TerminalText(songs.FullPath(row)).c_str(),
                         TrackRefusal(disc, songs.Row(row)));
        },
        [&](int32_t row) {
            const int32_t seconds = songs.SongDuration(row);
            std::fprintf(stderr,
                         "tunevarn-cli: %s lasts %d second%s: its track is padded with silence "
                         "to %d seconds, the shortest a CD allows\n",
                         TerminalText(songs.FullPath(row)).c_str(), seconds,
                         seconds == 1 ? "" : "s", CDiscImage::kMinTrackSeconds);
        });
}

bool OutputAllowed(const char* command, const std::string& out, OutputKind kind,
                   const std::vector<std::string>& operands, const CSongList& songs) {
    std::vector<std::string> inputs = songs.FullPaths();
    inputs.insert(inputs.end(), operands.begin(), operands.end());
    OutputRefusal refusal = CheckOutputFile(out, kind, inputs);
    if (refusal == OutputRefusal::kNone)
        return true;
    std::fprintf(stderr, "tunevarn-cli: %s: %s\n", command,
                 TerminalText(OutputRefusalText(out, kind, refusal)).c_str());
    return false;
}
