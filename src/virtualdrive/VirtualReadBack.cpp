#include "virtualdrive/VirtualReadBack.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "base/BigEndian.h"
#include "disc/DiscTime.h"
#include "scsi/MmcCommands.h"
#include "scsi/ScsiStatus.h"
#include "virtualdrive/VirtualImage.h"

namespace {
constexpr uint8_t kAudioTrack = 0x10;  // ADR 1 (position), control 0 (two-channel audio)
constexpr size_t kMaxCueBytes = 1 << 20;

CVirtualAnswer Illegal(uint8_t asc) {
    return CVirtualAnswer::Check(scsistatus::kSenseIllegalRequest, asc, 0x00);
}

// An address as the reply gives it: a block address, or 0, M, S, F of its time.
void PutAddress(uint8_t* out, int32_t address, bool msf) {
    if (!msf) {
        bigendian::Put32(out, static_cast<uint32_t>(address));
        return;
    }
    const int32_t a = address + kPregapFrames;
    out[0] = 0;
    out[1] = static_cast<uint8_t>(a / 4500);
    out[2] = static_cast<uint8_t>(a / 75 % 60);
    out[3] = static_cast<uint8_t>(a % 75);
}

bool CueTime(const std::string& text, int32_t& address) {
    int m = 0, s = 0, f = 0;
    char end = 0;
    if (std::sscanf(text.c_str(), "%d:%d:%d%c", &m, &s, &f, &end) != 3 || m < 0 || m > 99 ||
        s < 0 || s > 59 || f < 0 || f > 74)
        return false;
    address = (m * 60 + s) * 75 + f;
    return true;
}
}  // namespace

bool ReadVirtualCue(const std::string& cuePath, std::vector<CVirtualDisc::Track>& tracks,
                    int32_t& leadOut, std::string& why) {
    tracks.clear();
    CFile cue;
    if (!cue.OpenForReading(cuePath.c_str()) || cue.Size() > static_cast<int64_t>(kMaxCueBytes)) {
        why = "not a readable cue file";
        return false;
    }
    std::string text(static_cast<size_t>(cue.Size()), '\0');
    if (cue.ReadAt(0, text.data(), text.size()) != cue.Size()) {
        why = "not a readable cue file";
        return false;
    }
    std::string bin;
    std::vector<int32_t> firstIndex;  // of each track
    size_t at = 0;
    while (at < text.size()) {
        size_t end = text.find('\n', at);
        if (end == std::string::npos)
            end = text.size();
        const std::string line = text.substr(at, end - at);
        at = end + 1;
        char word[16] = {};
        char rest[4096] = {};
        if (std::sscanf(line.c_str(), " %15s %4095[^\n]", word, rest) < 1)
            continue;
        const std::string w = word;
        int number = 0;
        char time[16] = {};
        int32_t address = 0;
        if (w == "FILE") {
            const char* open = std::strchr(rest, '"');
            const char* close = open ? std::strchr(open + 1, '"') : nullptr;
            if (close != nullptr)
                bin = std::string(open + 1, close);
        } else if (w == "TRACK") {
            if (std::sscanf(rest, "%d", &number) != 1 ||
                number != static_cast<int>(tracks.size()) + 1 || number > 99) {
                why = "its tracks are not numbered from 1";
                return false;
            }
            tracks.push_back({-1, 0});
            firstIndex.push_back(-1);
        } else if (w == "INDEX" && !tracks.empty()) {
            if (std::sscanf(rest, "%d %15s", &number, time) != 2 || !CueTime(time, address)) {
                why = "an INDEX line without a time";
                return false;
            }
            if (firstIndex.back() < 0)
                firstIndex.back() = address;
            if (number == 1)
                tracks.back().start = address;
        }
    }
    if (bin.empty() || bin.find('/') != std::string::npos || tracks.empty()) {
        why = "no audio file or no tracks in it";
        return false;
    }
    CFile audio;
    const std::string binPath = FolderOf(cuePath) + "/" + bin;
    if (!audio.OpenForReading(binPath.c_str()) || audio.Size() % CVirtualImage::kAudioBlock != 0 ||
        audio.Size() / CVirtualImage::kAudioBlock > 450000) {
        why = "its audio file " + binPath + " is missing or not whole blocks";
        return false;
    }
    leadOut = static_cast<int32_t>(audio.Size() / CVirtualImage::kAudioBlock);
    for (size_t t = 0; t < tracks.size(); ++t) {
        tracks[t].end = t + 1 < tracks.size() ? firstIndex[t + 1] : leadOut;
        if (tracks[t].start < 0 || tracks[t].start >= tracks[t].end) {
            why = "its tracks are not in order within the audio file";
            return false;
        }
    }
    return true;
}

bool CVirtualReadBack::OpenImage() {
    const std::string& cue = drive_.disc.Image();
    if (cue.empty())
        return false;
    const std::string bin = cue.substr(0, cue.size() - 4) + ".bin";
    if (audio_.IsOpen() && audioPath_ == bin)
        return true;
    audio_.Close();
    audioPath_.clear();
    if (!audio_.OpenForReading(bin.c_str()))
        return false;
    audioPath_ = bin;
    return true;
}

CVirtualAnswer CVirtualReadBack::ReadToc(const uint8_t* cdb) {
    CVirtualAnswer answer;
    if (drive_.MediumMissing(answer))
        return answer;
    const std::vector<CVirtualDisc::Track> tracks = drive_.disc.Tracks();
    if (drive_.disc.Kind() != CVirtualDiscKind::kWritten || tracks.empty())
        return Illegal(0x24);  // a blank disc has no table of contents yet
    const auto last = static_cast<int32_t>(tracks.size());
    const int32_t leadOut = drive_.disc.RecordedBlocks();
    const bool msf = (cdb[1] & 0x02) != 0;
    const uint8_t format = cdb[2] & 0x0F;
    std::vector<uint8_t> data(4, 0);
    if (format == mmc::kTocFormat) {
        const int32_t from = cdb[6] == 0 ? 1 : cdb[6];
        if (from > last && from != kLeadOutTrack)
            return Illegal(0x24);
        data[2] = 1;
        data[3] = static_cast<uint8_t>(last);
        auto add = [&](int32_t number, int32_t address) {
            uint8_t d[8] = {0, kAudioTrack, static_cast<uint8_t>(number)};
            PutAddress(&d[4], address, msf);
            data.insert(data.end(), d, d + 8);
        };
        for (int32_t t = std::max(from, 1); t <= last && from != kLeadOutTrack; ++t)
            add(t, tracks[static_cast<size_t>(t - 1)].start);
        add(kLeadOutTrack, leadOut);
    } else if (format == mmc::kFullTocFormat) {
        data[2] = 1;
        data[3] = 1;
        // The points of the lead-in's Q channel, times in binary: first and last track,
        // the lead-out, then each track's start.
        auto add = [&](uint8_t point, int32_t p1, int32_t p2, int32_t p3) {
            const uint8_t d[11] = {1,
                                   kAudioTrack,
                                   0,
                                   point,
                                   0,
                                   0,
                                   0,
                                   0,
                                   static_cast<uint8_t>(p1),
                                   static_cast<uint8_t>(p2),
                                   static_cast<uint8_t>(p3)};
            data.insert(data.end(), d, d + 11);
        };
        auto addTime = [&](uint8_t point, int32_t address) {
            uint8_t t[4];
            PutAddress(t, address, true);
            add(point, t[1], t[2], t[3]);
        };
        add(0xA0, 1, 0, 0);  // first track, disc type CD-DA
        add(0xA1, last, 0, 0);
        addTime(0xA2, leadOut);
        for (int32_t t = 1; t <= last; ++t)
            addTime(static_cast<uint8_t>(t), tracks[static_cast<size_t>(t - 1)].start);
    } else {
        return Illegal(0x24);
    }
    bigendian::Put16(&data[0], static_cast<uint32_t>(data.size() - 2));
    return CVirtualAnswer::Reply(std::move(data), bigendian::Get16(&cdb[7]));
}

CVirtualAnswer CVirtualReadBack::ReadCd(const uint8_t* cdb, uint32_t hostBytes) {
    CVirtualAnswer answer;
    if (drive_.MediumMissing(answer))
        return answer;
    const uint8_t sectorType = (cdb[1] >> 2) & 0x07;
    if (sectorType > 1)
        return Illegal(0x64);  // only audio here: illegal mode for this track
    if (cdb[10] != 0)
        return Illegal(0x24);  // no subchannels offered
    const auto address = static_cast<int32_t>(bigendian::Get32(&cdb[2]));
    const int64_t blocks = bigendian::Get24(&cdb[6]);
    const int32_t leadOut = drive_.disc.RecordedBlocks();
    if (drive_.disc.Kind() != CVirtualDiscKind::kWritten || address < 0 ||
        address + blocks > leadOut)
        return Illegal(0x21);  // logical block address out of range
    if ((cdb[9] & mmc::kUserData) == 0 || blocks == 0)
        return answer;
    // A reply the host cannot take is its adapter's overrun; nothing to read for it.
    if (blocks * CVirtualImage::kAudioBlock > hostBytes)
        return CVirtualAnswer::HostError();
    if (!OpenImage())
        return CVirtualAnswer::Check(scsistatus::kSenseMediumError, 0x11, 0x00);

    // The disc's bytes that the drive delivers for these blocks, given its offset.
    const int64_t first =
        (int64_t{address} * (CVirtualImage::kAudioBlock / kFrameBytes) + drive_.config.readOffset) *
        kFrameBytes;
    const int64_t length = blocks * CVirtualImage::kAudioBlock;
    std::vector<uint8_t> data(static_cast<size_t>(length), 0);
    const int64_t from = std::max<int64_t>(first, 0);
    const int64_t to = std::min<int64_t>(first + length, audio_.Size());
    if (to > from && audio_.ReadAt(from, data.data() + (from - first),
                                   static_cast<size_t>(to - from)) != to - from)
        return CVirtualAnswer::Check(scsistatus::kSenseMediumError, 0x11, 0x00);
    for (const CVirtualDeviceConfig::Damage& damage : drive_.config.damage) {
        const int64_t bad = int64_t{damage.address} * CVirtualImage::kAudioBlock;
        const int64_t a = std::max(first, bad);
        const int64_t b =
            std::min(first + length, bad + int64_t{damage.count} * CVirtualImage::kAudioBlock);
        for (int64_t i = a; i < b; ++i) data[static_cast<size_t>(i - first)] ^= 0x5A;
    }
    lastRead_ = address + static_cast<int32_t>(blocks) - 1;
    answer.data = std::move(data);
    return answer;
}

CVirtualAnswer CVirtualReadBack::ReadSubChannel(const uint8_t* cdb) {
    CVirtualAnswer answer;
    if (drive_.MediumMissing(answer))
        return answer;
    const bool msf = (cdb[1] & 0x02) != 0;
    std::vector<uint8_t> data(4, 0);
    data[1] = 0x15;  // no current audio status to return
    if ((cdb[2] & mmc::kSubQ) != 0) {
        if (cdb[3] != mmc::kCurrentPosition)
            return Illegal(0x24);
        const std::vector<CVirtualDisc::Track> tracks = drive_.disc.Tracks();
        int32_t track = 0;
        int32_t start = 0;
        for (size_t t = 0; t < tracks.size(); ++t) {
            if (lastRead_ >= tracks[t].start) {
                track = static_cast<int32_t>(t) + 1;
                start = tracks[t].start;
            }
        }
        uint8_t q[12] = {mmc::kCurrentPosition, kAudioTrack, static_cast<uint8_t>(track), 1};
        PutAddress(&q[4], lastRead_, msf);
        if (msf) {
            const int32_t relative = lastRead_ - start;
            q[9] = static_cast<uint8_t>(relative / 4500);
            q[10] = static_cast<uint8_t>(relative / 75 % 60);
            q[11] = static_cast<uint8_t>(relative % 75);
        } else {
            bigendian::Put32(&q[8], static_cast<uint32_t>(lastRead_ - start));
        }
        data.insert(data.end(), q, q + 12);
    }
    bigendian::Put16(&data[2], static_cast<uint32_t>(data.size() - 4));
    return CVirtualAnswer::Reply(std::move(data), bigendian::Get16(&cdb[7]));
}
