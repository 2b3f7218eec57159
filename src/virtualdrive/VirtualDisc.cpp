#include "virtualdrive/VirtualDisc.h"

#include <algorithm>

#include "disc/DiscTime.h"
#include "disc/TimePosition.h"
#include "virtualdrive/VirtualReadBack.h"

namespace {
// Lead-in times (90:00:00 and later) lie before the program area: MMC's negative addresses.
constexpr int32_t kLeadInOrigin = 450150;
}  // namespace

CVirtualDisc::CVirtualDisc(const CVirtualDeviceConfig& config)
    : config_(config), kind_(config.disc), recordedBlocks_(config.recordedBlocks) {
    Reload();
}

void CVirtualDisc::Reload() {
    kind_ = config_.disc;
    recordedBlocks_ = config_.recordedBlocks;
    tracks_.clear();
    trackOpen_ = false;
    image_.clear();
    int32_t leadOut = 0;
    std::string why;
    // The description was checked when it was read; an image gone since is a disc
    // that reads as one unreadable track.
    if (!config_.image.empty() && ReadVirtualCue(config_.image, tracks_, leadOut, why)) {
        kind_ = CVirtualDiscKind::kWritten;
        recordedBlocks_ = std::max(leadOut, 1);
        image_ = config_.image;
    }
}

int32_t CVirtualDisc::LeadInStart() const {
    const int32_t msf =
        CTimePosition::FromMsf(config_.leadInMinute, config_.leadInSecond, config_.leadInFrame)
            .address;
    return config_.leadInMinute >= 90 ? msf - kLeadInOrigin : msf - kPregapFrames;
}

int32_t CVirtualDisc::LastLeadOut() {
    return CTimePosition::FromMsf(kLastLeadOutMinute, kLastLeadOutSecond, kLastLeadOutFrame)
               .address -
           kPregapFrames;
}

int32_t CVirtualDisc::NextWritable() const {
    if (tracks_.empty())
        return 0;
    return trackOpen_ ? tracks_.back().end : tracks_.back().end + kTrackGap;
}

void CVirtualDisc::OpenTrack(int32_t start) {
    tracks_.push_back({start, start});
    trackOpen_ = true;
}

void CVirtualDisc::GrowTrack(int32_t blocks) {
    if (trackOpen_ && !tracks_.empty())
        tracks_.back().end += blocks;
}

void CVirtualDisc::CloseTrack() {
    trackOpen_ = false;
}

void CVirtualDisc::ForgetSession() {
    tracks_.clear();
    trackOpen_ = false;
}

void CVirtualDisc::Finish(std::vector<Track> tracks, int32_t leadOut, std::string image) {
    kind_ = CVirtualDiscKind::kWritten;
    image_ = std::move(image);
    tracks_ = std::move(tracks);
    trackOpen_ = false;
    recordedBlocks_ = std::max(leadOut, 1);
}

void CVirtualDisc::Spoil(int32_t recorded) {
    kind_ = CVirtualDiscKind::kWritten;
    image_.clear();
    trackOpen_ = false;
    recordedBlocks_ = std::max(recorded, 1);
}

std::vector<CVirtualDisc::Track> CVirtualDisc::Tracks() const {
    if (kind_ == CVirtualDiscKind::kWritten && tracks_.empty())
        return {{0, recordedBlocks_}};
    return tracks_;
}
