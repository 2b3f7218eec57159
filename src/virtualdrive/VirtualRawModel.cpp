#include "virtualdrive/VirtualRawModel.h"

#include <algorithm>

#include "base/BigEndian.h"
#include "scsi/ScsiStatus.h"
#include "scsi/SpcCommands.h"

using scsistatus::kSenseIllegalRequest;

bool CVirtualRawModel::Answer(const uint8_t* cdb, const Request& request, CVirtualAnswer& answer) {
    switch (cdb[0]) {
        case spc::kWrite10:
            answer = Write10(cdb, request);
            return true;
        case spc::kSynchronizeCache:
            answer = Flush(recording_);
            return true;
        default:
            return false;
    }
}

uint8_t CVirtualRawModel::CheckWriteParameters(std::span<const uint8_t> page) const {
    if (page.size() < 5 || (page[2] & 0x0F) != kRawWriteType)
        return scsistatus::kAscInvalidField;
    const std::vector<int32_t>& types = drive_.config.rawBlockTypes;
    return std::find(types.begin(), types.end(), page[4] & 0x0F) != types.end()
               ? 0
               : scsistatus::kAscInvalidField;
}

void CVirtualRawModel::Abandon() {
    GiveUp(recording_);
}

CVirtualAnswer CVirtualRawModel::Write10(const uint8_t* cdb, const Request& request) {
    CVirtualAnswer answer;
    if (drive_.MediumMissing(answer))
        return answer;
    const auto address = static_cast<int32_t>(bigendian::Get32(&cdb[2]));
    const auto blocks = static_cast<int32_t>(bigendian::Get16(&cdb[7]));
    if (!recording_) {
        if (!drive_.disc.Blank())  // cannot write this medium
            return CVirtualAnswer::Check(kSenseIllegalRequest, 0x30, 0x05);
        if (drive_.WriteType() != kRawWriteType)  // not set up for raw writing
            return CVirtualAnswer::Check(kSenseIllegalRequest, 0x2C, 0x00);
        recording_ = std::make_unique<CVirtualRawRecording>(
            drive_.DataBlockType(), drive_.TestWrite(), drive_.disc.LeadInStart(),
            drive_.config.outputFolder);
        drive_.buffer.Begin(drive_.BlocksPerSecond(), drive_.UnderrunFree());
    }
    const uint32_t need =
        static_cast<uint32_t>(blocks) * static_cast<uint32_t>(recording_->BlockBytes());
    if (!SendsAtLeast(request, need))
        return CVirtualAnswer::HostError();
    if (!drive_.buffer.Accept(blocks, recording_->BlockBytes())) {
        Abandon();
        return CVirtualAnswer::Check(0x03, 0x0C, 0x09);  // write error: loss of streaming
    }
    const CVirtualSense sense = recording_->Write(address, blocks, request.dataOut);
    if (!sense.Good()) {
        Abandon();
        return CVirtualAnswer::Of(sense);
    }
    if (recording_->Complete())
        drive_.buffer.EndOfDisc();
    answer.consumed = need;
    return answer;
}
