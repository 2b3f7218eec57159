#include "virtualdrive/VirtualRecording.h"

#include <algorithm>

CVirtualRecording::CVirtualRecording(CVirtualCueSheet cue, bool test, int32_t leadInStart,
                                     std::string folder)
    : cue_(std::move(cue)),
      test_(test),
      leadInStart_(leadInStart),
      next_(cue_.cdText ? leadInStart : CVirtualCueSheet::kPregapAddress) {
    if (!test_ && !folder.empty())
        image_ = std::make_unique<CVirtualImage>(std::move(folder));
}

CVirtualRecording::~CVirtualRecording() = default;

int32_t CVirtualRecording::BlockBytes(int32_t address) const {
    if (address >= CVirtualCueSheet::kPregapAddress && address < cue_.leadOut)
        return CVirtualImage::kAudioBlock;
    if (cue_.cdText && address >= leadInStart_ && address < CVirtualCueSheet::kPregapAddress)
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
    if (address < CVirtualCueSheet::kPregapAddress && end > CVirtualCueSheet::kPregapAddress)
        return {0x05, 0x24, 0x00};  // one command, one kind of block
    if (end > cue_.leadOut)
        return {0x05, 0x21, 0x00};  // past the lead-out
    return {};
}

CVirtualRecording::Sense CVirtualRecording::Write(int32_t address, int32_t blocks,
                                                  const uint8_t* data) {
    Sense sense = Check(address, blocks);
    if (!sense.Good() || blocks == 0)
        return sense;
    received_ = true;
    if (address < CVirtualCueSheet::kPregapAddress) {
        for (int32_t b = 0; b < blocks; ++b)
            cdText_.AddBlock(std::span<const uint8_t, CLeadInCdText::kBlockBytes>(
                data + static_cast<size_t>(b) * CLeadInCdText::kBlockBytes,
                CLeadInCdText::kBlockBytes));
    } else {
        // Track 1's pregap is silence by definition; the image starts at 00:02:00.
        const int32_t skip = address < 0 ? std::min(-address, blocks) : 0;
        if (image_ && skip < blocks &&
            !image_->AddAudio(data + static_cast<size_t>(skip) * CVirtualImage::kAudioBlock,
                              static_cast<size_t>(blocks - skip) * CVirtualImage::kAudioBlock)) {
            failed_ = true;
            return {0x03, 0x0C, 0x00};
        }
    }
    next_ = address + blocks;
    return {};
}

std::vector<CVirtualDisc::Track> CVirtualRecording::Extents() const {
    std::vector<CVirtualDisc::Track> extents;
    for (size_t t = 0; t < cue_.tracks.size(); ++t)
        extents.push_back({cue_.tracks[t].Start(), t + 1 < cue_.tracks.size()
                                                       ? cue_.tracks[t + 1].indexes.front().address
                                                       : cue_.leadOut});
    return extents;
}

void CVirtualRecording::Abandon() {
    if (image_)
        image_->Abandon();
}

bool CVirtualRecording::Finish(std::string& cuePath) {
    cuePath.clear();
    if (!AllReceived() || failed_) {
        Abandon();
        return false;
    }
    if (!image_)
        return true;
    return image_->Finish(cue_.tracks, cue_.cdText ? &cdText_ : nullptr, cuePath);
}
