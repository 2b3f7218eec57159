#include "virtualdrive/VirtualTeacModel.h"

#include <algorithm>

#include "base/BigEndian.h"
#include "scsi/ScsiStatus.h"
#include "scsi/SpcCommands.h"
#include "scsi/VendorCommands.h"
#include "virtualdrive/VirtualBcd.h"

using scsistatus::kSenseIllegalRequest;

namespace {
constexpr size_t kTocHeader = 3;
constexpr size_t kTocEntry = 5;
constexpr int32_t kMaxTracks = 99;

// A BCD minute, second and frame as the block address of that absolute time.
bool TocTime(const uint8_t* msf, int32_t& address) {
    int32_t minute = 0, second = 0, frame = 0;
    if (!virtualbcd::Decode(msf[0], minute) || !virtualbcd::Decode(msf[1], second) ||
        !virtualbcd::Decode(msf[2], frame) || second > 59 || frame > 74)
        return false;
    address = (minute * 60 + second) * 75 + frame + CVirtualCueSheet::kPregapAddress;
    return true;
}
}  // namespace

CVirtualTeacModel::CVirtualTeacModel(CVirtualDriveState& drive) : CVirtualVendorModel(drive, {}) {}

bool CVirtualTeacModel::Answer(const uint8_t* cdb, const Request& request, CVirtualAnswer& answer) {
    switch (cdb[0]) {
        case vendorcmd::kTeacCalibrate:
            answer = Calibrate(request);
            return true;
        case vendorcmd::kTeacCueExtent:
            answer = CueExtent(cdb, request);
            return true;
        case vendorcmd::kTeacSendTable:
            answer = SendTable(cdb, request);
            return true;
        case spc::kWrite10:
            answer = Write(cdb, request);
            return true;
        default:
            return false;
    }
}

bool CVirtualTeacModel::ModePage(uint8_t code, int32_t /*pageControl*/,
                                 std::vector<uint8_t>& page) const {
    page.clear();
    return code == 0x00;
}

uint8_t CVirtualTeacModel::SelectModePage(std::span<const uint8_t> page) {
    switch (page[0] & 0x3F) {
        case vendorcmd::kTeacSimulationPage:
            if (page.size() != 3 || (page[2] != 0 && page[2] != 3))
                return scsistatus::kAscInvalidField;
            test_ = page[2] == 3;
            return 0;
        case vendorcmd::kTeacWriteModePage:
            if (page.size() != 9)
                return scsistatus::kAscInvalidField;
            writeModeSet_ = true;
            return 0;
        case vendorcmd::kTeacSpeedPage:
            if (page.size() != 4 || page[2] > 2)
                return scsistatus::kAscInvalidField;
            SetSpeedFactor(1 << page[2]);
            return 0;
        default:
            return scsistatus::kAscInvalidField;
    }
}

CVirtualAnswer CVirtualTeacModel::Calibrate(const Request& request) {
    CVirtualAnswer answer;
    if (!WrongLength(request, 12, answer))
        drive_.MediumMissing(answer);
    return answer;
}

bool CVirtualTeacModel::EntryFits(const std::vector<CueEntry>& entries, const CueEntry& entry) {
    if (entries.empty())
        return entry.start == CVirtualCueSheet::kPregapAddress &&
               entry.count == -CVirtualCueSheet::kPregapAddress &&
               entry.subcode == std::array<uint8_t, 4>{0x01, 0x01, 0x01, 0x00};
    const auto track = static_cast<int32_t>(entries.size());
    const CueEntry& last = entries.back();
    int32_t number = 0;
    return track <= kMaxTracks && entry.start == last.start + last.count && entry.count > 0 &&
           entry.subcode[0] == 0x00 && entry.subcode[1] == 0x01 &&
           virtualbcd::Decode(entry.subcode[2], number) && number == track &&
           entry.subcode[3] == 0x01;
}

CVirtualAnswer CVirtualTeacModel::CueExtent(const uint8_t* cdb, const Request& request) {
    CVirtualAnswer answer;
    if (WrongLength(request, 12, answer) || LayoutRefused(answer))
        return answer;
    if (pending_)  // the last one has no subcode
        return CVirtualAnswer::Check(kSenseIllegalRequest, 0x2C, 0x00);
    pending_ = CueEntry{static_cast<int32_t>(bigendian::Get32(&cdb[2])),
                        static_cast<int32_t>(bigendian::Get32(&cdb[6])),
                        {}};
    if (pending_->start == CVirtualCueSheet::kPregapAddress)
        entries_.clear();  // the pregap's entry begins a new table
    return answer;
}

uint8_t CVirtualTeacModel::ParseTableOfContents(std::span<const uint8_t> bytes,
                                                const std::vector<CueEntry>& entries,
                                                int32_t lastLeadOut, CVirtualCueSheet& cue) {
    cue = {};
    if (bytes.size() < kTocHeader || (bytes.size() - kTocHeader) % kTocEntry != 0)
        return scsistatus::kAscParameterLengthError;
    if (entries.size() < 2)
        return scsistatus::kAscInvalidField;  // a pregap and at least one track
    const auto tracks = static_cast<int32_t>(entries.size()) - 1;
    if ((bytes.size() - kTocHeader) / kTocEntry != static_cast<size_t>(tracks) + 3 ||
        bytes[0] != 0 || bytes[1] != 0 || bytes[2] != 0)
        return scsistatus::kAscInvalidField;
    auto entry = [&](int32_t i) { return bytes.data() + kTocHeader + kTocEntry * i; };
    for (int32_t t = 1; t <= tracks; ++t) {
        const uint8_t* e = entry(t - 1);
        int32_t number = 0, start = 0;
        const int32_t cueStart = entries[static_cast<size_t>(t)].start;
        if (e[0] != 0x01 || !virtualbcd::Decode(e[1], number) || number != t ||
            !TocTime(&e[2], start) || start != cueStart)
            return scsistatus::kAscInvalidField;
        CVirtualCueSheet::Track track{t, {}};
        if (t == 1)
            track.indexes.push_back({0, CVirtualCueSheet::kPregapAddress});
        track.indexes.push_back({1, cueStart});
        cue.tracks.push_back(std::move(track));
    }
    const CueEntry& last = entries.back();
    const int32_t leadOut = last.start + last.count;
    const uint8_t* a0 = entry(tracks);
    const uint8_t* a1 = entry(tracks + 1);
    const uint8_t* a2 = entry(tracks + 2);
    int32_t lastTrack = 0, tocLeadOut = 0;
    if (a0[0] != 0x01 || a0[1] != 0xA0 || a0[2] != 0x01 || a0[3] != 0 || a0[4] != 0 ||
        a1[0] != 0x01 || a1[1] != 0xA1 || !virtualbcd::Decode(a1[2], lastTrack) ||
        lastTrack != tracks || a1[3] != 0 || a1[4] != 0 || a2[0] != 0x01 || a2[1] != 0xA2 ||
        !TocTime(&a2[2], tocLeadOut) || tocLeadOut != leadOut || leadOut > lastLeadOut)
        return scsistatus::kAscInvalidField;
    cue.leadOut = leadOut;
    return 0;
}

CVirtualAnswer CVirtualTeacModel::SendTable(const uint8_t* cdb, const Request& request) {
    CVirtualAnswer answer;
    if (WrongLength(request, 10, answer))
        return answer;
    const uint32_t length = bigendian::Get16(&cdb[7]);
    if (!SendsAtLeast(request, length))
        return CVirtualAnswer::HostError();
    if (LayoutRefused(answer))
        return answer;
    const std::span<const uint8_t> bytes(request.dataOut, length);
    if (pending_) {
        // The subcode of the extent just sent.
        CueEntry entry = *pending_;
        pending_.reset();
        if (length != entry.subcode.size())
            return CVirtualAnswer::Check(kSenseIllegalRequest, scsistatus::kAscParameterLengthError,
                                         0x00);
        std::copy(bytes.begin(), bytes.end(), entry.subcode.begin());
        if (!EntryFits(entries_, entry)) {
            entries_.clear();
            return CVirtualAnswer::Check(kSenseIllegalRequest, scsistatus::kAscInvalidField, 0x00);
        }
        entries_.push_back(entry);
        answer.consumed = length;
        return answer;
    }
    if (!writeModeSet_)
        return CVirtualAnswer::Check(kSenseIllegalRequest, 0x2C, 0x00);  // not set up to write
    CVirtualCueSheet cue;
    const uint8_t asc = ParseTableOfContents(bytes, entries_, CVirtualDisc::LastLeadOut(), cue);
    entries_.clear();
    if (asc != 0)
        return CVirtualAnswer::Check(kSenseIllegalRequest, asc, 0x00);
    BeginDisc(std::move(cue), 0, 0);
    writeModeSet_ = false;
    answer.consumed = length;
    return answer;
}

CVirtualAnswer CVirtualTeacModel::Write(const uint8_t* cdb, const Request& request) {
    CVirtualAnswer answer;
    if (WrongLength(request, 10, answer) || drive_.MediumMissing(answer))
        return answer;
    // illegal mode for this track
    if (drive_.blockLength != CVirtualImage::kAudioBlock || drive_.densityCode != kAudioDensity)
        return CVirtualAnswer::Check(kSenseIllegalRequest, 0x64, 0x00);
    const auto address = static_cast<int32_t>(bigendian::Get32(&cdb[2]));
    const auto blocks = static_cast<int32_t>(bigendian::Get16(&cdb[7]));
    if (write_) {
        // Whether more follows: exactly until the command that reaches the lead-out.
        const uint8_t expected =
            int64_t{address} + blocks < write_->End() ? kMoreFollows : uint8_t{0x00};
        if (cdb[9] != expected)
            return CVirtualAnswer::Check(kSenseIllegalRequest, 0x24, 0x00);
    }
    const uint32_t need = static_cast<uint32_t>(blocks) * CVirtualImage::kAudioBlock;
    if (!SendsAtLeast(request, need))
        return CVirtualAnswer::HostError();
    return WriteDiscBlocks(address, blocks, request.dataOut, true);
}
