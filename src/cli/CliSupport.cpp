#include "cli/CliSupport.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "audio/Mp3Source.h"
#include "disc/DiscImage.h"
#include "songlist/FolderScan.h"
#include "ui/DisplayText.h"

bool OperandsOnly(const std::vector<std::string>& args, std::vector<std::string>& operands) {
    bool options = true;
    for (const std::string& arg : args) {
        if (options && arg == "--") {
            options = false;
        } else if (options && arg.size() > 1 && arg[0] == '-') {
            std::fprintf(stderr, "tunevarn-cli: unknown option '%s'\n", arg.c_str());
            return false;
        } else {
            operands.push_back(arg);
        }
    }
    return true;
}

std::string AbsolutePath(const std::string& path) {
    std::error_code ec;
    std::filesystem::path abs = std::filesystem::absolute(path, ec);
    if (ec)
        return path;
    std::string out = abs.lexically_normal().string();
    while (out.size() > 1 && out.back() == '/') out.pop_back();
    return out;
}

std::vector<std::string> ExpandSongPaths(const std::vector<std::string>& given) {
    std::vector<std::string> songs;
    for (const std::string& arg : given) {
        std::string path = AbsolutePath(arg);
        struct stat st {};
        if (::stat(path.c_str(), &st) != 0) {
            std::fprintf(stderr, "tunevarn-cli: %s: %s\n", TerminalText(arg).c_str(),
                         std::strerror(errno));
            continue;
        }
        if (S_ISDIR(st.st_mode))
            CollectMp3Files(path, songs);
        else
            songs.push_back(path);
    }
    return songs;
}

std::string TerminalText(const std::string& bytes) {
    std::string text = DisplayText(bytes);
    for (char& c : text)
        if ((static_cast<unsigned char>(c) < 0x20) || c == 0x7F)
            c = '?';
    return text;
}

size_t DisplayWidth(const std::string& utf8) {
    size_t n = 0;
    for (char c : utf8)
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80)
            ++n;
    return n;
}

const char* TrackRefusal(const CDiscImage& disc, const std::string& path) {
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
