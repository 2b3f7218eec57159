#include "virtualdrive/VirtualVendorWrite.h"

#include <algorithm>

#include "virtualdrive/VirtualImage.h"

CVirtualVendorWrite::CVirtualVendorWrite(CVirtualCueSheet cue, bool test, int32_t leadInBlocks,
                                         int32_t leadOutBlocks, std::string folder)
    : recording_(std::move(cue), test, CVirtualCueSheet::kPregapAddress, std::move(folder)),
      first_(CVirtualCueSheet::kPregapAddress - std::max(leadInBlocks, 0)),
      end_(recording_.LeadOut() + std::max(leadOutBlocks, 0)),
      next_(first_) {}

CVirtualVendorWrite::~CVirtualVendorWrite() = default;

CVirtualSense CVirtualVendorWrite::Write(int32_t address, int32_t blocks, const uint8_t* data) {
    if (blocks == 0)
        return {};
    if (address != next_)
        return {0x05, 0x21, 0x02};  // invalid address for write
    if (int64_t{address} + blocks > end_)
        return {0x05, 0x21, 0x00};  // past the end of the disc
    // The lead-in, the program area, the lead-out: one command may reach into two.
    const int32_t leadIn = std::clamp(CVirtualCueSheet::kPregapAddress - address, 0, blocks);
    const int32_t from = address + leadIn;
    const int32_t program = std::clamp(recording_.LeadOut() - from, 0, blocks - leadIn);
    if (program > 0) {
        const CVirtualSense sense = recording_.Write(
            from, program, data + static_cast<size_t>(leadIn) * CVirtualImage::kAudioBlock);
        if (!sense.Good())
            return sense;
    }
    next_ = address + blocks;
    return {};
}

bool CVirtualVendorWrite::Finish(std::string& cuePath) {
    cuePath.clear();
    if (!Complete()) {
        Abandon();
        return false;
    }
    return recording_.Finish(cuePath);
}
