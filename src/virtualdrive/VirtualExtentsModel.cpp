#include "virtualdrive/VirtualExtentsModel.h"

#include <algorithm>

#include "audio/CdSamples.h"
#include "base/BigEndian.h"
#include "scsi/ScsiStatus.h"
#include "scsi/SpcCommands.h"
#include "scsi/VendorCommands.h"

using scsistatus::kSenseIllegalRequest;

namespace {
constexpr int32_t kMaxTracks = 99;
}  // namespace

bool CVirtualExtentsModel::Answer(const uint8_t* cdb, const Request& request,
                                  CVirtualAnswer& answer) {
    switch (cdb[0]) {
        case vendorcmd::kReadLeadLengths:
            answer = ReadLeadLengths(cdb, request);
            return true;
        case vendorcmd::kSendTrackExtents:
            answer = SendExtents(cdb, request);
            return true;
        case spc::kWrite10:
            answer = Write(cdb, request);
            return true;
        case spc::kSynchronizeCache:
            answer = FlushDisc();
            return true;
        default:
            return false;
    }
}

int32_t CVirtualExtentsModel::LeadInBlocks() const {
    return std::clamp(CVirtualCueSheet::kPregapAddress - drive_.disc.LeadInStart(), 0, 0xFFFF);
}

CVirtualAnswer CVirtualExtentsModel::ReadLeadLengths(const uint8_t* cdb, const Request& request) {
    CVirtualAnswer answer;
    if (WrongLength(request, 10, answer) || drive_.MediumMissing(answer))
        return answer;
    std::vector<uint8_t> data(4, 0);
    bigendian::Put16(&data[0], static_cast<uint32_t>(LeadInBlocks()));
    bigendian::Put16(&data[2], kLeadOutBlocks);
    return CVirtualAnswer::Reply(std::move(data), cdb[8]);
}

uint8_t CVirtualExtentsModel::ParseExtents(std::span<const uint8_t> bytes, int32_t lastLeadOut,
                                           CVirtualCueSheet& cue) {
    cue = {};
    if (bytes.empty() || bytes.size() % kEntryBytes != 0)
        return scsistatus::kAscParameterLengthError;
    const size_t count = bytes.size() / kEntryBytes;
    if (count > static_cast<size_t>(kMaxTracks))
        return scsistatus::kAscInvalidField;
    int64_t next = 0;  // the tracks lie back to back from block 0
    for (size_t i = 0; i < count; ++i) {
        const uint8_t* e = bytes.data() + i * kEntryBytes;
        const auto first = static_cast<int32_t>(bigendian::Get32(&e[12]));
        const auto last = static_cast<int32_t>(bigendian::Get32(&e[16]));
        if (e[0] != 0 || e[1] != kEntryBytes || e[2] != 0 || first != next || last < first ||
            int64_t{last} + 1 > lastLeadOut)
            return scsistatus::kAscInvalidField;
        const auto number = static_cast<int32_t>(i) + 1;
        CVirtualCueSheet::Track track{number, {}};
        if (number == 1)
            track.indexes.push_back({0, CVirtualCueSheet::kPregapAddress});
        track.indexes.push_back({1, first});
        cue.tracks.push_back(std::move(track));
        next = int64_t{last} + 1;
    }
    cue.leadOut = static_cast<int32_t>(next);
    return 0;
}

CVirtualAnswer CVirtualExtentsModel::SendExtents(const uint8_t* cdb, const Request& request) {
    CVirtualAnswer answer;
    if (WrongLength(request, 10, answer))
        return answer;
    const uint32_t length = bigendian::Get16(&cdb[7]);
    if (cdb[6] != 0)
        return CVirtualAnswer::Check(kSenseIllegalRequest, 0x24, 0x00);
    if (!SendsAtLeast(request, length))
        return CVirtualAnswer::HostError();
    if (LayoutRefused(answer))
        return answer;
    CVirtualCueSheet cue;
    const std::span<const uint8_t> bytes(request.dataOut, length);
    if (const uint8_t asc = ParseExtents(bytes, CVirtualDisc::LastLeadOut(), cue); asc != 0)
        return CVirtualAnswer::Check(kSenseIllegalRequest, asc, 0x00);
    BeginDisc(std::move(cue), LeadInBlocks(), kLeadOutBlocks);
    answer.consumed = length;
    return answer;
}

CVirtualAnswer CVirtualExtentsModel::Write(const uint8_t* cdb, const Request& request) {
    CVirtualAnswer answer;
    if (WrongLength(request, 10, answer) || drive_.MediumMissing(answer))
        return answer;
    if (bigendian::Get32(&cdb[2]) != 0)
        return CVirtualAnswer::Check(kSenseIllegalRequest, 0x24, 0x00);  // the drive counts itself
    if (!write_)  // no layout: nothing to write
        return CVirtualAnswer::Check(kSenseIllegalRequest, 0x2C, 0x00);
    if (drive_.blockLength != CVirtualImage::kAudioBlock)  // illegal mode for this track
        return CVirtualAnswer::Check(kSenseIllegalRequest, 0x64, 0x00);
    const auto blocks = static_cast<int32_t>(bigendian::Get16(&cdb[7]));
    const uint32_t need = static_cast<uint32_t>(blocks) * CVirtualImage::kAudioBlock;
    if (!SendsAtLeast(request, need))
        return CVirtualAnswer::HostError();
    const uint8_t* data = request.dataOut;
    if (SwappedSamples() && need > 0) {
        // The host sends big-endian samples; the image keeps CD audio's little-endian.
        samples_.resize(need);
        cdsamples::SwapPairs(data, samples_.data(), need);
        data = samples_.data();
    }
    return WriteDiscBlocks(write_->NextAddress(), blocks, data, false);
}
