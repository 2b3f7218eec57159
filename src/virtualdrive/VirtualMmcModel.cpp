#include "virtualdrive/VirtualMmcModel.h"

#include <algorithm>

#include "base/BigEndian.h"
#include "scsi/MmcCommands.h"
#include "scsi/ScsiStatus.h"
#include "scsi/SpcCommands.h"

using scsistatus::kSenseIllegalRequest;

bool CVirtualMmcModel::Answer(const uint8_t* cdb, const Request& request, CVirtualAnswer& answer) {
    switch (cdb[0]) {
        case mmc::kSendCueSheet:
            answer = SendCueSheet(cdb, request);
            return true;
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

uint8_t CVirtualMmcModel::CheckWriteParameters(std::span<const uint8_t> page) const {
    if (page.size() < 5 || (page[2] & 0x0F) == mmc::kRawWrite)
        return scsistatus::kAscInvalidField;
    return 0;
}

void CVirtualMmcModel::Abandon() {
    GiveUp(recording_);
}

CVirtualAnswer CVirtualMmcModel::SendCueSheet(const uint8_t* cdb, const Request& request) {
    CVirtualAnswer answer;
    if (drive_.MediumMissing(answer))
        return answer;
    const uint32_t length = bigendian::Get24(&cdb[6]);
    if (!SendsAtLeast(request, length))
        return CVirtualAnswer::HostError();
    if (recording_)
        return CVirtualAnswer::Check(kSenseIllegalRequest, 0x2C, 0x00);  // a disc is being written
    if (!drive_.disc.Blank())
        return CVirtualAnswer::Check(kSenseIllegalRequest, 0x30, 0x05);  // cannot write this medium
    if (drive_.WriteType() != mmc::kSessionAtOnce)
        return CVirtualAnswer::Check(kSenseIllegalRequest, 0x2C, 0x00);  // a cue sheet needs it
    CVirtualCueSheet cue;
    std::span<const uint8_t> bytes(request.dataOut, length);
    if (uint8_t asc = cue.Parse(bytes, drive_.config.cdText, CVirtualDisc::LastLeadOut()); asc != 0)
        return CVirtualAnswer::Check(kSenseIllegalRequest, asc, 0x00);
    recording_ = std::make_unique<CVirtualRecording>(
        std::move(cue), drive_.TestWrite(), drive_.disc.LeadInStart(), drive_.config.outputFolder);
    drive_.buffer.Begin(drive_.BlocksPerSecond(), drive_.UnderrunFree());
    answer.consumed = length;
    return answer;
}

CVirtualAnswer CVirtualMmcModel::Write10(const uint8_t* cdb, const Request& request) {
    CVirtualAnswer answer;
    if (drive_.MediumMissing(answer))
        return answer;
    if (!recording_)  // no cue sheet: nothing to write into
        return CVirtualAnswer::Check(kSenseIllegalRequest, 0x2C, 0x00);
    auto address = static_cast<int32_t>(bigendian::Get32(&cdb[2]));
    auto blocks = static_cast<int32_t>(bigendian::Get16(&cdb[7]));
    CVirtualSense sense = recording_->Check(address, blocks);
    if (!sense.Good())
        return CVirtualAnswer::Of(sense);
    const int32_t blockBytes = blocks > 0 ? recording_->BlockBytes(address) : 0;
    const uint32_t need = static_cast<uint32_t>(blocks) * static_cast<uint32_t>(blockBytes);
    if (!SendsAtLeast(request, need))
        return CVirtualAnswer::HostError();
    if (!drive_.buffer.Accept(blocks, blockBytes)) {
        Abandon();
        return CVirtualAnswer::Check(0x03, 0x0C, 0x09);  // write error: loss of streaming
    }
    sense = recording_->Write(address, blocks, request.dataOut);
    if (!sense.Good())
        return CVirtualAnswer::Of(sense);
    if (recording_->AllReceived())
        drive_.buffer.EndOfDisc();
    answer.consumed = need;
    return answer;
}
