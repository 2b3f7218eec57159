#include "disc/RawBlockWriter.h"

#include <algorithm>
#include <cstdlib>
#include <string_view>

#include "disc/DiscTime.h"

namespace {
constexpr int32_t kLeadInTrack = 0x00;
constexpr int32_t kMaxCueMinute = 89;
// Blocks before a track change (and before the lead-out) that carry the P flag.
constexpr int32_t kPauseMarkBlocks = 150;
// In the lead-out the P channel alternates 19 blocks on, 19 off.
constexpr int32_t kLeadOutHalfPeriod = 19;
constexpr int32_t kTocRepeats = 3;
}  // namespace

int32_t CRawBlockWriter::InitFromCueSheet(const CSubChannel* prototype, int32_t discType,
                                          const uint8_t* cueSheet, int32_t length,
                                          const CDiscTime& leadInStart) {
    positionBlock_.reset();  // a refused sheet leaves no half-made writer behind
    if (prototype == nullptr || cueSheet == nullptr)
        return 1;
    if (discType != 0x00 && discType != 0x10 && discType != 0x20)
        return 1;
    if (length < kCueEntry || length % kCueEntry != 0 || !leadInStart.IsValid(99))
        return 1;
    prototype_ = prototype;
    discType_ = discType;
    cue_.assign(cueSheet, cueSheet + length);
    catalogBlock_ = prototype_->MakeOfType(CSubChannel::kModeCatalog);
    isrcBlock_ = prototype_->MakeOfType(CSubChannel::kModeIsrc);
    auto position = prototype_->MakeOfType(CSubChannel::kModePosition);
    if (CheckCueSheet() != 0)
        return 1;

    BuildToc();
    address_ = leadInStart.BlockCount() - kLeadInOrigin;
    relativeCounter_ = 0;
    tocIndex_ = 0;
    tocRepeat_ = 0;
    isrcPresent_ = 0;
    currentEntry_ = leadInEntry_;
    nextChange_ = EntryAddress(NextPositionEntry(leadInEntry_));
    trackEnd_ = EntryAddress(IndexOneEntry(firstTrack_));
    positionBlock_ = std::move(position);
    return 0;
}

int32_t CRawBlockWriter::CheckCueSheet() {
    firstTrack_ = 0;
    lastTrack_ = 0;
    leadOutStart_ = {};
    leadInEntry_ = -1;
    catalogPresent_ = 0;
    int32_t previousTime = -1;
    // Of the track being walked: its last index, and whether index 1 was seen.  The
    // table of contents and the pause marks need one index 1 per track.
    int32_t lastIndex = -1;
    bool indexOneSeen = false;
    const int32_t count = EntryCount();
    for (int32_t i = 0; i < count;) {
        const int32_t adr = Adr(i);
        if (adr == 2) {
            if (i != 0 || count < 2 || Adr(1) != 2)
                return 1;
            std::array<char, 13> digits{};
            std::copy_n(Entry(0) + 1, 7, digits.begin());
            std::copy_n(Entry(1) + 1, 6, digits.begin() + 7);
            catalogBlock_->SetCatalogNumber(std::string_view(digits.data(), digits.size()));
            catalogPresent_ = 1;
            i += 2;
            continue;
        }
        if (adr == 3) {
            if (i + 1 >= count || Adr(i + 1) != 3)
                return 1;
            i += 2;
            continue;
        }
        if (adr != 1 || !Time(i).IsValid(kMaxCueMinute))
            return 1;
        const int32_t track = Track(i);
        if (track == kLeadInTrack) {
            if (!(i == 0 || (i == 2 && catalogPresent_ != 0)))
                return 1;
            leadInEntry_ = i;
            ++i;
            continue;
        }
        if (track == kLeadOutTrack) {
            if (i != count - 1 || firstTrack_ == 0 || !indexOneSeen)
                return 1;
            leadOutStart_ = Time(i);
        } else if (track >= 1 && track <= 99) {
            const int32_t index = Index(i);
            if (index > 99)
                return 1;
            if (firstTrack_ == 0 || track == lastTrack_ + 1) {
                // A track begins with its pregap (index 0) or with index 1, and the one
                // before it must have had its index 1.
                if (index > 1 || (firstTrack_ != 0 && !indexOneSeen))
                    return 1;
                if (firstTrack_ == 0)
                    firstTrack_ = track;
                indexOneSeen = false;
            } else if (track != lastTrack_ || index <= lastIndex) {
                return 1;
            }
            indexOneSeen = indexOneSeen || index == 1;
            lastIndex = index;
            lastTrack_ = track;
        } else {
            return 1;
        }
        if (Time(i).BlockCount() <= previousTime)
            return 1;
        previousTime = Time(i).BlockCount();
        ++i;
    }
    if (leadInEntry_ < 0 || leadOutStart_.BlockCount() == 0 || firstTrack_ == 0)
        return 1;
    return 0;
}

void CRawBlockWriter::BuildToc() {
    toc_.clear();
    auto add = [&](int32_t point, const CDiscTime& time, int32_t control) {
        auto block = prototype_->MakeOfType(0);
        block->SetControl(control);
        block->SetPoint(point);
        block->SetPointMinute(time.minute);
        block->SetPointSecond(time.second);
        block->SetPointFrame(time.frame);
        toc_.push_back(std::move(block));
    };
    for (int32_t i = 0; i < EntryCount(); ++i) {
        const int32_t track = Track(i);
        if (Adr(i) == 1 && track >= 1 && track <= 99 && Index(i) == 1)
            add(track, Time(i), Entry(i)[0] & 0xF0);
    }
    // The disc type is a code (0x00, 0x10, 0x20), not a number: it must reach the disc
    // as that byte, and the setters store BCD.
    add(0xA0, {firstTrack_, FromBcd(static_cast<uint8_t>(discType_)), 0}, 0);
    add(0xA1, {lastTrack_, 0, 0}, 0);
    add(0xA2, leadOutStart_, 0);
}

int32_t CRawBlockWriter::NextPositionEntry(int32_t i) const {
    for (int32_t k = i + 1; k < EntryCount(); ++k) {
        if (Adr(k) == 1)
            return k;
    }
    return -1;
}

int32_t CRawBlockWriter::IndexOneEntry(int32_t track) const {
    for (int32_t k = 0; k < EntryCount(); ++k) {
        if (Adr(k) == 1 && Track(k) == track && Index(k) == 1)
            return k;
    }
    return -1;
}

void CRawBlockWriter::AdvanceRegion() {
    const int32_t next = NextPositionEntry(currentEntry_);
    if (next < 0)
        return;
    const int32_t track = Track(next);
    if (track != Track(currentEntry_)) {
        const int32_t follower = currentEntry_ + 1;
        isrcPresent_ = 0;
        if (follower < EntryCount() - 1 && Adr(follower) == 3 && Track(follower) == track) {
            // An ISRC pair: six characters in bytes 2 to 7 of each entry.
            std::array<char, 12> text{};
            std::copy_n(Entry(follower) + 2, 6, text.begin());
            std::copy_n(Entry(follower + 1) + 2, 6, text.begin() + 6);
            isrcBlock_->SetIsrc(std::string_view(text.data(), text.size()));
            isrcPresent_ = 1;
        }
        // A pregap counts down to its track's index 1.
        relativeCounter_ = Index(next) != 0
                               ? 0
                               : Time(next).BlockCount() - Time(IndexOneEntry(track)).BlockCount();
    }
    currentEntry_ = next;
    const int32_t control = Entry(next)[0] & 0xF0;
    positionBlock_->SetControl(control);
    positionBlock_->SetTrackNumber(track);
    positionBlock_->SetIndex(Index(next));
    catalogBlock_->SetControl(control);
    isrcBlock_->SetControl(control);
    if (track == kLeadOutTrack)
        return;
    nextChange_ = EntryAddress(NextPositionEntry(next));
    if (Index(next) == 1) {
        const int32_t successor = IndexOneEntry(track == lastTrack_ ? kLeadOutTrack : track + 1);
        trackEnd_ = EntryAddress(successor);
    }
}

const CSubChannel* CRawBlockWriter::NextBlock(int32_t address) {
    if (!positionBlock_)
        return nullptr;
    if (address == nextChange_)
        AdvanceRegion();
    CSubChannel* block;
    if (currentEntry_ == leadInEntry_) {
        block = toc_[static_cast<size_t>(tocIndex_)].get();
        const CDiscTime running = CDiscTime::FromBlocks(relativeCounter_);
        block->SetMinute(running.minute);
        block->SetSecond(running.second);
        block->SetFrame(running.frame);
        if (++tocRepeat_ == kTocRepeats) {
            tocRepeat_ = 0;
            tocIndex_ = (tocIndex_ + 1) % TocLength();
        }
    } else {
        block = positionBlock_.get();
        const CDiscTime relative = CDiscTime::FromBlocks(std::abs(relativeCounter_));
        const CDiscTime absolute = CDiscTime::FromBlocks(address_ + kPregapFrames);
        block->SetMinute(relative.minute);
        block->SetSecond(relative.second);
        block->SetFrame(relative.frame);
        block->SetAbsMinute(absolute.minute);
        block->SetAbsSecond(absolute.second);
        block->SetAbsFrame(absolute.frame);
        int32_t p;
        if (relativeCounter_ < 1 ||
            (trackEnd_ - kPauseMarkBlocks <= address_ && address_ <= trackEnd_)) {
            p = 1;
        } else if (address_ < leadOutStart_.BlockCount()) {
            p = 0;  // up to the 150th block of the lead-out
        } else {
            p = (relativeCounter_ - kPauseMarkBlocks) % (2 * kLeadOutHalfPeriod) <
                        kLeadOutHalfPeriod
                    ? 1
                    : 0;
        }
        block->SetP(p);
    }
    ++address_;
    ++relativeCounter_;
    block->CalcCrc();
    return block;
}

int32_t CRawBlockWriter::EncodeBlocks(int32_t address, std::span<const uint8_t> audio, int32_t n,
                                      std::span<uint8_t> out) {
    if (!positionBlock_ || n <= 0)
        return 0;
    const size_t subLength = static_cast<size_t>(positionBlock_->DataLength());
    const size_t stride = kBlockBytes + subLength;
    const size_t count =
        std::min({static_cast<size_t>(n), audio.size() / kBlockBytes, out.size() / stride});
    for (size_t k = 0; k < count; ++k) {
        const CSubChannel* block = NextBlock(address + static_cast<int32_t>(k));
        auto target = out.subspan(k * stride, stride);
        std::copy_n(audio.begin() + static_cast<std::ptrdiff_t>(k * kBlockBytes), kBlockBytes,
                    target.begin());
        std::copy_n(block->Data().begin(), subLength, target.begin() + kBlockBytes);
    }
    return static_cast<int32_t>(count);
}
