#include "virtualdrive/VirtualVendorModel.h"

#include <algorithm>

#include "scsi/MmcCommands.h"
#include "scsi/ScsiStatus.h"
#include "scsi/SpcCommands.h"

using scsistatus::kSenseIllegalRequest;

namespace {

// What an MMC drive writes with and a drive of a vendor's set does not know, unless
// the set has it.
bool MmcWriting(uint8_t operationCode) {
    switch (operationCode) {
        case spc::kSynchronizeCache:
        case mmc::kReadDiscInformation:
        case mmc::kReadTrackInformation:
        case mmc::kReserveTrack:
        case mmc::kSendOpcInformation:
        case mmc::kCloseTrackSession:
        case mmc::kReadBufferCapacity:
        case mmc::kSendCueSheet:
        case mmc::kSetCdSpeed:
            return true;
        default:
            return false;
    }
}
}  // namespace

CVirtualVendorModel::CVirtualVendorModel(CVirtualDriveState& drive,
                                         std::initializer_list<uint8_t> mmcKnown)
    : CVirtualCommandSet(drive) {
    for (uint8_t code : mmcKnown) mmcKnown_[code >> 5] |= 1u << (code & 31);
}

bool CVirtualVendorModel::Knows(uint8_t operationCode) const {
    return !MmcWriting(operationCode) ||
           (mmcKnown_[operationCode >> 5] & (1u << (operationCode & 31))) != 0;
}

void CVirtualVendorModel::Abandon() {
    GiveUp(write_);
}

bool CVirtualVendorModel::LayoutRefused(CVirtualAnswer& answer) const {
    if (drive_.MediumMissing(answer))
        return true;
    if (write_) {
        // a disc is being written
        answer = CVirtualAnswer::Check(kSenseIllegalRequest, 0x2C, 0x00);
        return true;
    }
    if (!drive_.disc.Blank()) {
        // cannot write this medium
        answer = CVirtualAnswer::Check(kSenseIllegalRequest, 0x30, 0x05);
        return true;
    }
    return false;
}

void CVirtualVendorModel::BeginDisc(CVirtualCueSheet cue, int32_t leadInBlocks,
                                    int32_t leadOutBlocks) {
    write_ = std::make_unique<CVirtualVendorWrite>(std::move(cue), TestWrite(), leadInBlocks,
                                                   leadOutBlocks, drive_.config.outputFolder);
    drive_.buffer.Begin(drive_.BlocksPerSecond(), drive_.UnderrunFree());
}

CVirtualAnswer CVirtualVendorModel::WriteDiscBlocks(int32_t address, int32_t blocks,
                                                    const uint8_t* data, bool finishAtEnd) {
    if (!write_)  // no layout: nothing to write
        return CVirtualAnswer::Check(kSenseIllegalRequest, 0x2C, 0x00);
    if (!drive_.buffer.Accept(blocks, CVirtualImage::kAudioBlock)) {
        Abandon();
        return CVirtualAnswer::Check(0x03, 0x0C, 0x09);  // write error: loss of streaming
    }
    const CVirtualSense sense = write_->Write(address, blocks, data);
    if (!sense.Good()) {
        // A drive that counts the blocks itself cannot go on after a refused one.
        Abandon();
        return CVirtualAnswer::Of(sense);
    }
    CVirtualAnswer answer;
    answer.consumed = static_cast<uint32_t>(blocks) * CVirtualImage::kAudioBlock;
    if (write_->Complete()) {
        drive_.buffer.EndOfDisc();
        if (finishAtEnd) {
            const uint32_t consumed = answer.consumed;
            answer = Flush(write_);
            answer.consumed = consumed;
        }
    }
    return answer;
}

void CVirtualVendorModel::SetSpeedFactor(int32_t factor) {
    const int32_t most = std::max(drive_.config.maxSpeed, 1);
    const int32_t speed = factor <= 0 ? most : std::min(factor, most);
    drive_.writeSpeed = static_cast<uint32_t>(speed) * CVirtualDriveState::kKilobytesPerSpeed;
}

bool CVirtualVendorModel::WrongLength(const Request& request, int32_t length,
                                      CVirtualAnswer& answer) {
    if (request.cdbLength == length)
        return false;
    answer = CVirtualAnswer::Check(kSenseIllegalRequest, 0x24, 0x00);  // invalid field in CDB
    return true;
}
