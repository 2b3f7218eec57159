#include "virtualdrive/VirtualImage.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "base/FileIo.h"
#include "base/StartFolder.h"
#include "virtualdrive/LeadInCdText.h"

namespace {
constexpr int32_t kMaxImageNumber = 100000;

bool Exists(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

// "mm:ss:ff" of an address counted from 00:02:00.
std::string CueTime(int32_t address) {
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", address / 4500, (address % 4500) / 75,
                  address % 75);
    return text;
}

// A title as a cue file can hold it: one line between double quotes, so control
// characters become "?" and double quotes single ones.  The bytes stay ISO 8859-1.
std::string CueQuoted(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
        const auto b = static_cast<uint8_t>(c);
        if (b < 0x20 || b == 0x7F)
            out += '?';
        else if (c == '"')
            out += '\'';
        else
            out += c;
    }
    return out + "\"";
}
}  // namespace

int32_t CVirtualImage::Track::Start() const {
    for (const Index& index : indexes)
        if (index.number == 1)
            return index.address;
    return 0;
}

CVirtualImage::CVirtualImage(std::string folder) : folder_(std::move(folder)) {}

CVirtualImage::~CVirtualImage() {
    Abandon();
}

bool CVirtualImage::Store(PartFile& file, const char* kind, const uint8_t* data, size_t n) {
    if (file.fd < 0) {
        static std::atomic<unsigned> counter{0};
        for (int attempt = 0; attempt < 100 && file.fd < 0; ++attempt) {
            file.path =
                InFolder(folder_, std::string("disc.") + kind + ".part-" +
                                      std::to_string(::getpid()) + "-" + std::to_string(counter++));
            file.fd = ::open(file.path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            if (file.fd < 0 && errno != EEXIST)
                break;
        }
        if (file.fd < 0) {
            file.path.clear();
            return false;
        }
    }
    while (n > 0) {
        ssize_t put = ::write(file.fd, data, n);
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0)
            return false;
        data += put;
        n -= static_cast<size_t>(put);
    }
    return true;
}

bool CVirtualImage::Close(PartFile& file) {
    if (file.fd < 0)
        return true;
    // The flush of the drive's cache: every block on the disc.
    bool ok = ::fsync(file.fd) == 0;
    ok = ::close(file.fd) == 0 && ok;
    file.fd = -1;
    return ok;
}

void CVirtualImage::Remove(PartFile& file) {
    if (file.fd >= 0) {
        ::close(file.fd);
        file.fd = -1;
    }
    if (!file.path.empty()) {
        ::unlink(file.path.c_str());
        file.path.clear();
    }
}

bool CVirtualImage::AddAudio(const uint8_t* data, size_t bytes) {
    if (!Store(audio_, "bin", data, bytes))
        return false;
    audioBytes_ += static_cast<int64_t>(bytes);
    return true;
}

bool CVirtualImage::AddSubchannels(const uint8_t* data, size_t bytes) {
    if (!Store(subchannels_, "sub", data, bytes))
        return false;
    subchannelBytes_ += static_cast<int64_t>(bytes);
    return true;
}

bool CVirtualImage::PadTo(int64_t blocks) {
    static const std::vector<uint8_t> silence(static_cast<size_t>(kAudioBlock) * 75, 0);
    const bool withSubchannels = subchannelBytes_ > 0;
    while (AudioBlocks() < blocks) {
        const int64_t n = std::min<int64_t>(blocks - AudioBlocks(), 75);
        if (!AddAudio(silence.data(), static_cast<size_t>(n) * kAudioBlock) ||
            (withSubchannels &&
             !AddSubchannels(silence.data(), static_cast<size_t>(n) * kSubchannelBlock)))
            return false;
    }
    return true;
}

std::string CVirtualImage::FolderProblem(const std::string& folder) {
    // Permissions alone do not tell (a read-only file system, a full one, root): a file
    // is made as the image's part files are.
    static std::atomic<unsigned> counter{0};
    const std::string probe = InFolder(
        folder, ".tunevarn-probe-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
    const int fd = ::open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0)
        return std::strerror(errno);
    ::close(fd);
    ::unlink(probe.c_str());
    return "";
}

void CVirtualImage::Abandon() {
    Remove(audio_);
    Remove(subchannels_);
    audioBytes_ = 0;
    subchannelBytes_ = 0;
}

std::string CVirtualImage::CueText(const std::string& name, const std::vector<Track>& tracks,
                                   const std::vector<std::string>& titles) {
    auto title = [&](int32_t track) -> std::string {
        if (track < 0 || track >= static_cast<int32_t>(titles.size()) ||
            titles[static_cast<size_t>(track)].empty())
            return "";
        return CueQuoted(titles[static_cast<size_t>(track)]);
    };
    std::string text = "REM Recorded by the Tunevarn virtual recorder\n";
    if (!title(0).empty())
        text += "TITLE " + title(0) + "\n";
    text += "FILE \"" + name + ".bin\" BINARY\n";
    for (const Track& track : tracks) {
        char line[32];
        std::snprintf(line, sizeof line, "  TRACK %02d AUDIO\n", track.number);
        text += line;
        if (!title(track.number).empty())
            text += "    TITLE " + title(track.number) + "\n";
        for (const Index& index : track.indexes) {
            if (index.address < 0)
                continue;  // track 1's pregap lies before the image
            std::snprintf(line, sizeof line, "    INDEX %02d ", index.number);
            text += line + CueTime(index.address) + "\n";
        }
    }
    return text;
}

bool CVirtualImage::Finish(const std::vector<Track>& tracks, const CLeadInCdText* cdText,
                           std::string& cuePath) {
    cuePath.clear();
    if (audio_.fd < 0 && !Store(audio_, "bin", nullptr, 0)) {
        Abandon();
        return false;
    }
    const bool withSubchannels = subchannels_.fd >= 0;
    if (!Close(audio_) || !Close(subchannels_) ||
        (withSubchannels && subchannelBytes_ / kSubchannelBlock != AudioBlocks())) {
        Abandon();
        return false;
    }

    // The audio file takes the first free number without ever replacing a file: link
    // fails when the name exists, even if another recorder is finishing right now.
    std::string base;
    for (int32_t number = 1; number < kMaxImageNumber && base.empty(); ++number) {
        std::string candidate = InFolder(folder_, "disc-" + std::to_string(number));
        if (Exists(candidate + ".cue") || Exists(candidate + ".cdt") || Exists(candidate + ".sub"))
            continue;
        if (::link(audio_.path.c_str(), (candidate + ".bin").c_str()) == 0) {
            ::unlink(audio_.path.c_str());
            base = candidate;
        } else if (errno == EEXIST) {
            continue;
        } else if (!Exists(candidate + ".bin") &&
                   ::rename(audio_.path.c_str(), (candidate + ".bin").c_str()) == 0) {
            base = candidate;  // a file system without hard links
        } else {
            break;
        }
    }
    if (base.empty()) {
        Abandon();
        return false;
    }
    audio_.path.clear();

    const std::string name = base.substr(base.find_last_of('/') + 1);
    bool written = true;
    if (withSubchannels) {
        written = ::rename(subchannels_.path.c_str(), (base + ".sub").c_str()) == 0;
        if (written)
            subchannels_.path.clear();
    }
    std::vector<std::string> titles;
    if (written && cdText != nullptr) {
        const std::vector<CLeadInCdText::Pack> packs = cdText->Packs();
        if (!packs.empty()) {
            // The bare packs, 18 bytes each, as they repeat in the lead-in.
            std::vector<uint8_t> cdt;
            for (const auto& pack : packs) cdt.insert(cdt.end(), pack.begin(), pack.end());
            written = WriteFileReplacing(base + ".cdt", cdt.data(), cdt.size());
            titles = cdText->Titles(tracks.empty() ? 0 : tracks.back().number);
        }
    }
    const std::string cue = CueText(name, tracks, titles);
    if (written && WriteFileReplacing(base + ".cue", cue.data(), cue.size())) {
        cuePath = base + ".cue";
        audioBytes_ = subchannelBytes_ = 0;
        return true;
    }
    ::unlink((base + ".cdt").c_str());
    ::unlink((base + ".sub").c_str());
    ::unlink((base + ".bin").c_str());
    Abandon();
    return false;
}
