#include "virtualdrive/VirtualRecording.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <vector>

#include "app/FileIo.h"
#include "app/StartFolder.h"

namespace {
constexpr int32_t kAudioBlock = 2352;
constexpr int32_t kPregap = CVirtualCueSheet::kPregapAddress;
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

CVirtualRecording::CVirtualRecording(CVirtualCueSheet cue, bool test, int32_t leadInStart,
                                     std::string folder)
    : cue_(std::move(cue)),
      test_(test),
      leadInStart_(leadInStart),
      folder_(std::move(folder)),
      next_(cue_.cdText ? leadInStart : kPregap) {}

CVirtualRecording::~CVirtualRecording() {
    Abandon();
}

int32_t CVirtualRecording::BlockBytes(int32_t address) const {
    if (address >= kPregap && address < cue_.leadOut)
        return kAudioBlock;
    if (cue_.cdText && address >= leadInStart_ && address < kPregap)
        return CLeadInCdText::kBlockBytes;
    return 0;
}

CVirtualRecording::Sense CVirtualRecording::Check(int32_t address, int32_t blocks) const {
    if (failed_)
        return {0x03, 0x0C, 0x00};  // write error: the disc is spoilt
    if (blocks == 0)
        return {};
    if (address != next_ || BlockBytes(address) == 0)
        return {0x05, 0x21, 0x02};  // invalid address for write
    const int64_t end = int64_t{address} + blocks;
    if (address < kPregap && end > kPregap)
        return {0x05, 0x24, 0x00};  // one command, one kind of block
    if (end > cue_.leadOut)
        return {0x05, 0x21, 0x00};  // past the lead-out
    return {};
}

CVirtualRecording::Sense CVirtualRecording::Write(int32_t address, int32_t blocks,
                                                  const uint8_t* data) {
    Sense sense = Check(address, blocks);
    if (sense.key != 0 || blocks == 0)
        return sense;
    received_ = true;
    if (address < kPregap) {
        for (int32_t b = 0; b < blocks; ++b)
            cdText_.AddBlock(std::span<const uint8_t, CLeadInCdText::kBlockBytes>(
                data + static_cast<size_t>(b) * CLeadInCdText::kBlockBytes,
                CLeadInCdText::kBlockBytes));
    } else {
        // Track 1's pregap is silence by definition; the image starts at 00:02:00.
        const int32_t skip = address < 0 ? std::min(-address, blocks) : 0;
        if (!test_ && !folder_.empty() && skip < blocks &&
            !StoreAudio(data + static_cast<size_t>(skip) * kAudioBlock,
                        static_cast<size_t>(blocks - skip) * kAudioBlock)) {
            failed_ = true;
            return {0x03, 0x0C, 0x00};
        }
    }
    next_ = address + blocks;
    return {};
}

bool CVirtualRecording::StoreAudio(const uint8_t* data, size_t n) {
    if (audioFd_ < 0) {
        static std::atomic<unsigned> counter{0};
        for (int attempt = 0; attempt < 100 && audioFd_ < 0; ++attempt) {
            audioTemp_ = InFolder(folder_, "disc.bin.part-" + std::to_string(::getpid()) + "-" +
                                               std::to_string(counter++));
            audioFd_ = ::open(audioTemp_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            if (audioFd_ < 0 && errno != EEXIST)
                break;
        }
        if (audioFd_ < 0) {
            audioTemp_.clear();
            return false;
        }
    }
    while (n > 0) {
        ssize_t put = ::write(audioFd_, data, n);
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0)
            return false;
        data += put;
        n -= static_cast<size_t>(put);
    }
    return true;
}

void CVirtualRecording::CloseAudio() {
    if (audioFd_ >= 0) {
        ::close(audioFd_);
        audioFd_ = -1;
    }
}

void CVirtualRecording::Abandon() {
    CloseAudio();
    if (!audioTemp_.empty()) {
        ::unlink(audioTemp_.c_str());
        audioTemp_.clear();
    }
}

std::string CVirtualRecording::CueText(const std::string& name) const {
    const int32_t lastTrack = cue_.tracks.empty() ? 0 : cue_.tracks.back().number;
    std::vector<std::string> titles;
    if (cue_.cdText && !cdText_.Packs().empty())
        titles = cdText_.Titles(lastTrack);
    auto title = [&](int32_t track) -> std::string {
        if (track >= static_cast<int32_t>(titles.size()) ||
            titles[static_cast<size_t>(track)].empty())
            return "";
        return CueQuoted(titles[static_cast<size_t>(track)]);
    };

    std::string text = "REM Recorded by the Tunevarn virtual recorder\n";
    if (!title(0).empty())
        text += "TITLE " + title(0) + "\n";
    text += "FILE \"" + name + ".bin\" BINARY\n";
    for (const CVirtualCueSheet::Track& track : cue_.tracks) {
        char line[32];
        std::snprintf(line, sizeof line, "  TRACK %02d AUDIO\n", track.number);
        text += line;
        if (!title(track.number).empty())
            text += "    TITLE " + title(track.number) + "\n";
        for (const CVirtualCueSheet::Index& index : track.indexes) {
            if (index.address < 0)
                continue;  // track 1's pregap lies before the image
            std::snprintf(line, sizeof line, "    INDEX %02d ", index.number);
            text += line + CueTime(index.address) + "\n";
        }
    }
    return text;
}

bool CVirtualRecording::Finish(std::string& cuePath) {
    cuePath.clear();
    if (!AllReceived() || failed_) {
        Abandon();
        return false;
    }
    if (test_ || folder_.empty())
        return true;
    if (audioFd_ < 0 && !StoreAudio(nullptr, 0)) {
        Abandon();
        return false;
    }
    // The flush of the drive's cache: every block on the disc.
    bool ok = ::fsync(audioFd_) == 0;
    ok = ::close(audioFd_) == 0 && ok;
    audioFd_ = -1;
    if (!ok) {
        Abandon();
        return false;
    }

    // The audio file takes the first free number without ever replacing a file: link
    // fails when the name exists, even if another recorder is finishing right now.
    std::string base;
    for (int32_t number = 1; number < kMaxImageNumber && base.empty(); ++number) {
        std::string candidate = InFolder(folder_, "disc-" + std::to_string(number));
        if (Exists(candidate + ".cue") || Exists(candidate + ".cdt"))
            continue;
        if (::link(audioTemp_.c_str(), (candidate + ".bin").c_str()) == 0) {
            ::unlink(audioTemp_.c_str());
            base = candidate;
        } else if (errno == EEXIST) {
            continue;
        } else if (!Exists(candidate + ".bin") &&
                   ::rename(audioTemp_.c_str(), (candidate + ".bin").c_str()) == 0) {
            base = candidate;  // a file system without hard links
        } else {
            break;
        }
    }
    if (base.empty()) {
        Abandon();
        return false;
    }
    audioTemp_.clear();

    const std::string name = base.substr(base.find_last_of('/') + 1);
    std::vector<CLeadInCdText::Pack> packs = cdText_.Packs();
    bool written = true;
    if (cue_.cdText && !packs.empty()) {
        // The bare packs, 18 bytes each, as they repeat in the lead-in.
        std::vector<uint8_t> cdt;
        for (const auto& pack : packs) cdt.insert(cdt.end(), pack.begin(), pack.end());
        written = WriteFileReplacing(base + ".cdt", cdt.data(), cdt.size());
    }
    const std::string cue = CueText(name);
    if (written && WriteFileReplacing(base + ".cue", cue.data(), cue.size())) {
        cuePath = base + ".cue";
        return true;
    }
    ::unlink((base + ".cdt").c_str());
    ::unlink((base + ".bin").c_str());
    return false;
}
