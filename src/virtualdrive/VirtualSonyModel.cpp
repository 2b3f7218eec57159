#include "virtualdrive/VirtualSonyModel.h"

#include "disc/DiscTime.h"
#include "disc/TimePosition.h"
#include "scsi/ScsiStatus.h"
#include "scsi/SpcCommands.h"
#include "scsi/VendorCommands.h"
#include "virtualdrive/VirtualBcd.h"

using scsistatus::kSenseIllegalRequest;

namespace {
// The settings the disc page reports and the host clears.
constexpr uint8_t kLastSession = 0x01;
}  // namespace

CVirtualSonyModel::CVirtualSonyModel(CVirtualDriveState& drive) : CVirtualVendorModel(drive, {}) {}

bool CVirtualSonyModel::Answer(const uint8_t* cdb, const Request& request, CVirtualAnswer& answer) {
    switch (cdb[0]) {
        case vendorcmd::kSonyCueSheet:
            answer = SendCueSheet(cdb, request);
            return true;
        case vendorcmd::kSonyWrite:
            answer = Write(cdb, request);
            return true;
        case spc::kStartStopUnit:
            // A caddy drive: with the caddy out, START UNIT stands for the user putting
            // it back in with the next disc.
            if (!drive_.trayOpen || cdb[4] != 0x01)
                return false;
            drive_.disc.Reload();
            drive_.trayOpen = false;
            answer = {};
            return true;
        default:
            return false;
    }
}

bool CVirtualSonyModel::ModePage(uint8_t code, int32_t /*pageControl*/,
                                 std::vector<uint8_t>& page) const {
    if (code != vendorcmd::kSonyDiscPage)
        return false;
    page.assign(kDiscPageLength, 0);
    page[0] = vendorcmd::kSonyDiscPage;
    page[1] = kDiscPageLength - 2;
    page[2] = kLastSession;
    page[3] = kLastSession;
    page[19] = kLastSession;
    if (drive_.disc.Blank()) {
        const CTimePosition start = CTimePosition::FromMsf(
            drive_.config.leadInMinute, drive_.config.leadInSecond, drive_.config.leadInFrame);
        page[25] = static_cast<uint8_t>(start.minute);
        page[26] = static_cast<uint8_t>(start.second);
        page[27] = static_cast<uint8_t>(start.frame);
    }
    return true;
}

uint8_t CVirtualSonyModel::SelectModePage(std::span<const uint8_t> page) {
    switch (page[0] & 0x3F) {
        case vendorcmd::kSonyWriteModePage:
            if (page.size() != 8 || (page[3] != 0 && page[3] != 2))
                return scsistatus::kAscInvalidField;
            test_ = page[3] == 2;
            writeModeSet_ = true;
            return 0;
        case vendorcmd::kSonyDiscPage:
            if (page.size() != kDiscPageLength || page[2] != 0 || page[3] != 0 || page[19] != 0)
                return scsistatus::kAscInvalidField;
            discPageSet_ = true;
            return 0;
        case vendorcmd::kSonySpeedPage:
            if (page.size() != 4)
                return scsistatus::kAscInvalidField;
            switch (page[2]) {
                case 0x00:
                    SetSpeedFactor(1);
                    return 0;
                case 0x01:
                    SetSpeedFactor(2);
                    return 0;
                case 0x02:
                    SetSpeedFactor(4);
                    return 0;
                case 0xFF:
                    SetSpeedFactor(0);
                    return 0;
                default:
                    return scsistatus::kAscInvalidField;
            }
        default:
            return scsistatus::kAscInvalidField;
    }
}

uint8_t CVirtualSonyModel::ParseCueSheet(std::span<const uint8_t> bytes, int32_t lastLeadOut,
                                         CVirtualCueSheet& cue) {
    if (bytes.empty() || bytes.size() % CVirtualCueSheet::kEntryBytes != 0)
        return scsistatus::kAscParameterLengthError;
    // The same disc as an MMC cue sheet: plain numbers, and the data forms the other way
    // round (the lead-in and lead-out 0 here, 1 there; the audio 1 here, 0 there).
    std::vector<uint8_t> mmc(bytes.begin(), bytes.end());
    const size_t count = mmc.size() / CVirtualCueSheet::kEntryBytes;
    for (size_t i = 0; i < count; ++i) {
        uint8_t* e = &mmc[i * CVirtualCueSheet::kEntryBytes];
        const bool madeByDrive = i == 0 || i + 1 == count;
        if (e[3] != (madeByDrive ? 0x00 : 0x01))
            return scsistatus::kAscInvalidField;
        e[3] = madeByDrive ? 0x01 : 0x00;
        for (size_t k : {1, 2, 5, 6, 7}) {
            if (k == 1 && e[1] == kLeadOutTrack)
                continue;
            int32_t value = 0;
            if (!virtualbcd::Decode(e[k], value))
                return scsistatus::kAscInvalidField;
            e[k] = static_cast<uint8_t>(value);
        }
    }
    return cue.Parse(mmc, false, lastLeadOut);
}

CVirtualAnswer CVirtualSonyModel::SendCueSheet(const uint8_t* cdb, const Request& request) {
    CVirtualAnswer answer;
    if (WrongLength(request, 10, answer))
        return answer;
    const uint32_t length = (uint32_t{cdb[1] & 0x0Fu} << 16) | (uint32_t{cdb[2]} << 8) | cdb[3];
    if (length > kMaxCueSheet)
        return CVirtualAnswer::Check(kSenseIllegalRequest, scsistatus::kAscParameterLengthError,
                                     0x00);
    if (!SendsAtLeast(request, length))
        return CVirtualAnswer::HostError();
    if (LayoutRefused(answer))
        return answer;
    if (!writeModeSet_ || !discPageSet_)
        return CVirtualAnswer::Check(kSenseIllegalRequest, 0x2C, 0x00);  // not set up to write
    CVirtualCueSheet cue;
    const std::span<const uint8_t> bytes(request.dataOut, length);
    if (const uint8_t asc = ParseCueSheet(bytes, CVirtualDisc::LastLeadOut(), cue); asc != 0)
        return CVirtualAnswer::Check(kSenseIllegalRequest, asc, 0x00);
    BeginDisc(std::move(cue), 0, 0);
    writeModeSet_ = false;
    discPageSet_ = false;
    answer.consumed = length;
    return answer;
}

CVirtualAnswer CVirtualSonyModel::Write(const uint8_t* cdb, const Request& request) {
    CVirtualAnswer answer;
    if (WrongLength(request, 10, answer) || drive_.MediumMissing(answer))
        return answer;
    const uint32_t bytes = (uint32_t{cdb[1] & 0x1Fu} << 16) | (uint32_t{cdb[2]} << 8) | cdb[3];
    if (bytes % CVirtualImage::kAudioBlock != 0)
        return CVirtualAnswer::Check(kSenseIllegalRequest, 0x24, 0x00);  // whole blocks only
    if (!SendsAtLeast(request, bytes))
        return CVirtualAnswer::HostError();
    const auto blocks = static_cast<int32_t>(bytes / CVirtualImage::kAudioBlock);
    return WriteDiscBlocks(write_ ? write_->NextAddress() : 0, blocks, request.dataOut, true);
}
