#include "virtualdrive/VirtualRawRecording.h"

#include <cstring>

#include "disc/DiscTime.h"
#include "virtualdrive/VirtualBcd.h"
#include "virtualdrive/VirtualCrc.h"

namespace {
constexpr CVirtualSense kBadCrc{0x05, 0x26, 0x02};
constexpr CVirtualSense kOutOfSequence{0x05, 0x21, 0x02};
constexpr CVirtualSense kBadLayout{0x05, 0x26, 0x00};
constexpr CVirtualSense kPastTheEnd{0x05, 0x21, 0x00};

constexpr uint8_t kAdrPosition = 0x01;
constexpr uint8_t kLeadInTrack = 0x00;
constexpr uint8_t kPointFirstTrack = 0xA0;
constexpr uint8_t kPointLastTrack = 0xA1;
constexpr uint8_t kPointLeadOut = 0xA2;

}  // namespace

CVirtualRawRecording::CVirtualRawRecording(int32_t blockType, bool test, int32_t leadInStart,
                                           std::string folder)
    : blockType_(blockType),
      subchannelBytes_(blockType == 1 ? 16 : 96),
      test_(test),
      leadInStart_(leadInStart),
      next_(leadInStart) {
    if (!test_ && !folder.empty())
        image_ = std::make_unique<CVirtualImage>(std::move(folder));
}

CVirtualRawRecording::~CVirtualRawRecording() = default;

void CVirtualRawRecording::TakeApart(const uint8_t* subchannels, uint8_t* channels) {
    // Symbol j of the 96 carries bit j of every channel, P in bit 7 to W in bit 0: eight
    // symbols are an 8 x 8 matrix of bits that, turned over its diagonal, gives one byte
    // of each channel.
    for (int32_t k = 0; k < kChannelBytes; ++k) {
        uint64_t x = 0;
        for (int32_t j = 0; j < 8; ++j) x = (x << 8) | subchannels[8 * k + j];
        uint64_t t = (x ^ (x >> 7)) & 0x00AA00AA00AA00AAull;
        x ^= t ^ (t << 7);
        t = (x ^ (x >> 14)) & 0x0000CCCC0000CCCCull;
        x ^= t ^ (t << 14);
        t = (x ^ (x >> 28)) & 0x00000000F0F0F0F0ull;
        x ^= t ^ (t << 28);
        for (int32_t c = 0; c < kChannels; ++c)
            channels[c * kChannelBytes + k] = static_cast<uint8_t>(x >> (8 * (7 - c)));
    }
}

bool CVirtualRawRecording::CrcMatches(const QBytes& q) const {
    uint16_t crc = VirtualDriveCrc16(q.data(), 10);
    // The 16-byte form carries the CRC as computed, the 96-byte forms as on the disc.
    if (blockType_ != 1)
        crc = static_cast<uint16_t>(~crc);
    return q[10] == (crc >> 8) && q[11] == (crc & 0xFF);
}

void CVirtualRawRecording::Channels(const uint8_t* subchannels, uint8_t* out) const {
    if (blockType_ != 1) {
        TakeApart(subchannels, out);
        return;
    }
    std::memset(out, 0, kChannels * kChannelBytes);
    std::memset(out, subchannels[15] & 0x80 ? 0xFF : 0x00, kChannelBytes);
    std::memcpy(out + kChannelBytes, subchannels, kChannelBytes);
}

CVirtualSense CVirtualRawRecording::Write(int32_t address, int32_t blocks, const uint8_t* data) {
    if (address != next_)
        return kOutOfSequence;
    audio_.clear();
    subFile_.clear();
    for (int32_t b = 0; b < blocks; ++b) {
        const uint8_t* block = data + static_cast<size_t>(b) * static_cast<size_t>(BlockBytes());
        const CVirtualSense sense = TakeBlock(address + b, block);
        if (!sense.Good())
            return sense;
        next_ = address + b + 1;
    }
    if (image_ && !audio_.empty() &&
        (!image_->AddAudio(audio_.data(), audio_.size()) ||
         !image_->AddSubchannels(subFile_.data(), subFile_.size())))
        return {0x03, 0x0C, 0x00};  // write error: the image cannot be kept
    return {};
}

CVirtualSense CVirtualRawRecording::TakeBlock(int32_t address, const uint8_t* block) {
    std::array<uint8_t, kChannels * kChannelBytes> channels;
    Channels(block + kAudioBytes, channels.data());
    QBytes q;
    std::memcpy(q.data(), &channels[kChannelBytes], q.size());
    if (!CrcMatches(q))
        return kBadCrc;
    if ((q[0] & 0x0F) != kAdrPosition)
        return kBadLayout;  // this drive lays the disc out from position blocks only
    if (address < kPregapStart)
        return q[1] == kLeadInTrack ? LeadInBlock(address, q) : kBadLayout;
    if (q[1] == kLeadInTrack)
        return kBadLayout;  // the lead-in runs into the program area
    if (!tocClosed_) {
        if (const CVirtualSense sense = CloseToc(); !sense.Good())
            return sense;
    }
    int32_t absolute = 0;
    if (!virtualbcd::Time(&q[7], absolute) || absolute != address + kPregapFrames)
        return kOutOfSequence;
    int32_t relative = 0;
    if (!virtualbcd::Time(&q[3], relative))
        return kOutOfSequence;
    if (q[1] == kLeadOutTrack)
        return LeadOutBlock(address, q, relative);
    if (const CVirtualSense sense = ProgramBlock(address, q, relative); !sense.Good())
        return sense;
    if (address >= 0 && image_) {
        audio_.insert(audio_.end(), block, block + kAudioBytes);
        if (blockType_ == 1) {
            // The disc has Q's CRC inverted; the 16-byte form carries it as computed.
            channels[kChannelBytes + 10] = static_cast<uint8_t>(~channels[kChannelBytes + 10]);
            channels[kChannelBytes + 11] = static_cast<uint8_t>(~channels[kChannelBytes + 11]);
        }
        subFile_.insert(subFile_.end(), channels.begin(), channels.end());
    }
    return {};
}

CVirtualSense CVirtualRawRecording::LeadInBlock(int32_t address, const QBytes& q) {
    int32_t running = 0;
    if (!virtualbcd::Time(&q[3], running) || running != address - leadInStart_)
        return kOutOfSequence;
    const uint8_t point = q[2];
    int32_t track = 0;
    const bool trackPoint = virtualbcd::Decode(point, track) && track >= 1 && track <= 99;
    if (!trackPoint && point != kPointFirstTrack && point != kPointLastTrack &&
        point != kPointLeadOut)
        return kBadLayout;  // nothing else belongs in the table of a one-session audio disc
    const std::array<uint8_t, 4> bytes = {static_cast<uint8_t>(q[0] & 0xF0), q[7], q[8], q[9]};
    TocPoint& entry = toc_[point];
    if (entry.present && entry.bytes != bytes)
        return kBadLayout;  // the table says two things about one point
    entry.present = true;
    entry.bytes = bytes;
    return {};
}

CVirtualSense CVirtualRawRecording::CloseToc() {
    const TocPoint& a0 = toc_[kPointFirstTrack];
    const TocPoint& a1 = toc_[kPointLastTrack];
    const TocPoint& a2 = toc_[kPointLeadOut];
    if (!a0.present || !a1.present || !a2.present ||
        !virtualbcd::Decode(a0.bytes[1], firstTrack_) ||
        !virtualbcd::Decode(a1.bytes[1], lastTrack_) || firstTrack_ < 1 || lastTrack_ < firstTrack_)
        return kBadLayout;
    const uint8_t discType = a0.bytes[2];
    if (discType != 0x00 && discType != 0x10 && discType != 0x20)
        return kBadLayout;
    int32_t previous = -1;
    for (int32_t t = firstTrack_; t <= lastTrack_; ++t) {
        const TocPoint& point = toc_[static_cast<size_t>((t / 10) * 16 + t % 10)];
        int32_t start = 0;
        if (!point.present || !virtualbcd::Time(&point.bytes[1], start) ||
            start - kPregapFrames <= previous)
            return kBadLayout;
        previous = tocStart_[static_cast<size_t>(t)] = start - kPregapFrames;
    }
    for (size_t p = 0; p < toc_.size(); ++p) {
        int32_t track = 0;
        if (toc_[p].present && virtualbcd::Decode(static_cast<uint8_t>(p), track) &&
            (track < firstTrack_ || track > lastTrack_))
            return kBadLayout;  // a track the table does not count
    }
    int32_t leadOut = 0;
    if (!virtualbcd::Time(&a2.bytes[1], leadOut) || leadOut - kPregapFrames <= previous ||
        leadOut - kPregapFrames > CVirtualDisc::LastLeadOut())
        return kBadLayout;
    tocLeadOut_ = leadOut - kPregapFrames;
    tocClosed_ = true;
    return {};
}

CVirtualSense CVirtualRawRecording::ProgramBlock(int32_t address, const QBytes& q, int32_t time) {
    int32_t track = 0, index = 0;
    if (!virtualbcd::Decode(q[1], track) || !virtualbcd::Decode(q[2], index) || track < 1 ||
        leadOut_ >= 0)
        return kBadLayout;
    // Counting down to index 1 in a pregap, up from it after.
    const int32_t relative = index == 0 ? -time : time;
    const int32_t current = tracks_.empty() ? 0 : tracks_.back().number;
    bool indexOneBegins = false;
    if (track != current) {
        const bool inOrder = current == 0 ? track == firstTrack_ : track == current + 1;
        if (!inOrder || track > lastTrack_ || index > 1 ||
            (current != 0 && tracks_.back().indexes.back().number == 0))
            return kBadLayout;
        if ((index == 1 && relative != 0) || (index == 0 && relative >= 0))
            return kOutOfSequence;
        tracks_.push_back({track, {{index, address}}});
        indexOneBegins = index == 1;
    } else {
        const int32_t last = tracks_.back().indexes.back().number;
        if (index != last) {
            if (index != last + 1)
                return kBadLayout;
            tracks_.back().indexes.push_back({index, address});
            indexOneBegins = index == 1;
        }
        if (relative != relative_ + 1)
            return kOutOfSequence;
    }
    if (indexOneBegins && address != tocStart_[static_cast<size_t>(track)])
        return kBadLayout;  // the track starts elsewhere than the table says
    relative_ = relative;
    return {};
}

CVirtualSense CVirtualRawRecording::LeadOutBlock(int32_t address, const QBytes& q,
                                                 int32_t relative) {
    if (q[2] != 0x01)
        return kBadLayout;
    if (leadOut_ < 0) {
        // Every track of the table was there, each with its index 1, and the lead-out
        // comes where A2 puts it.
        if (tracks_.empty() || tracks_.back().number != lastTrack_ ||
            tracks_.back().indexes.back().number == 0 || address != tocLeadOut_)
            return kBadLayout;
        if (relative != 0)
            return kOutOfSequence;
        leadOut_ = address;
    } else if (relative != relative_ + 1) {
        return kOutOfSequence;
    }
    if (leadOutBlocks_ >= kLeadOutBlocks)
        return kPastTheEnd;
    ++leadOutBlocks_;
    relative_ = relative;
    return {};
}

std::vector<CVirtualDisc::Track> CVirtualRawRecording::Extents() const {
    std::vector<CVirtualDisc::Track> extents;
    for (size_t t = 0; t < tracks_.size(); ++t)
        extents.push_back({tracks_[t].Start(), t + 1 < tracks_.size()
                                                   ? tracks_[t + 1].indexes.front().address
                                                   : leadOut_});
    return extents;
}

bool CVirtualRawRecording::Finish(std::string& cuePath) {
    cuePath.clear();
    if (!Complete()) {
        Abandon();
        return false;
    }
    if (!image_)
        return true;
    if (image_->AudioBlocks() != leadOut_) {
        Abandon();
        return false;
    }
    return image_->Finish(tracks_, nullptr, cuePath);
}

void CVirtualRawRecording::Abandon() {
    if (image_)
        image_->Abandon();
}
