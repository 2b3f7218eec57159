#include "virtualdrive/VirtualCueSheet.h"

#include "disc/DiscTime.h"
#include "scsi/ScsiStatus.h"

namespace {
constexpr uint8_t kAdrPosition = 0x01;
constexpr uint8_t kControlDataTrack = 0x40;  // control nibble bit 2, in byte 0
constexpr int32_t kMaxTrack = 99;

// The address of an entry's time, or false when the time is no time.
bool EntryAddress(const uint8_t* e, int32_t& address) {
    if (e[5] > 99 || e[6] > 59 || e[7] > 74)
        return false;
    address = (e[5] * 60 + e[6]) * 75 + e[7] - 150;
    return true;
}
}  // namespace

uint8_t CVirtualCueSheet::Parse(std::span<const uint8_t> bytes, bool cdTextCapable,
                                int32_t lastLeadOut) {
    cdText = false;
    leadOut = 0;
    tracks.clear();
    if (bytes.empty() || bytes.size() % kEntryBytes != 0)
        return scsistatus::kAscParameterLengthError;
    const size_t count = bytes.size() / kEntryBytes;
    if (count < 3)
        return scsistatus::kAscInvalidField;  // a lead-in, at least one track, a lead-out
    auto entry = [&](size_t i) { return bytes.data() + i * kEntryBytes; };

    // The lead-in: the drive makes it, with the host's CD-TEXT when announced.
    const uint8_t* e = entry(0);
    bool textForm = e[3] == 0x41 && cdTextCapable;
    if (e[0] != kAdrPosition || e[1] != 0 || e[2] != 0 || (e[3] != 0x01 && !textForm) ||
        e[4] != 0 || e[5] != 0 || e[6] != 0 || e[7] != 0)
        return scsistatus::kAscInvalidField;
    cdText = textForm;

    int32_t previous = 0;
    for (size_t i = 1; i + 1 < count; ++i) {
        e = entry(i);
        int32_t address = 0;
        // Audio from the host only: position entries, no data tracks, data form 0x00.
        if ((e[0] & 0x0F) != kAdrPosition || (e[0] & kControlDataTrack) != 0 || e[3] != 0x00 ||
            (e[4] & 0x7F) != 0 || !EntryAddress(e, address))
            return scsistatus::kAscInvalidField;
        const int32_t track = e[1];
        const int32_t index = e[2];
        if (i == 1) {
            // The program area opens with track 1's pregap right after the lead-in.
            if (track != 1 || index != 0 || address != kPregapAddress)
                return scsistatus::kAscInvalidField;
            tracks.push_back({1, {{0, address}}});
        } else {
            if (address <= previous)
                return scsistatus::kAscInvalidField;
            Track& last = tracks.back();
            if (track == last.number) {
                if (index != last.indexes.back().number + 1 || index > 99)
                    return scsistatus::kAscInvalidField;
                last.indexes.push_back({index, address});
            } else {
                if (track != last.number + 1 || track > kMaxTrack || (index != 0 && index != 1) ||
                    last.indexes.back().number == 0)
                    return scsistatus::kAscInvalidField;
                tracks.push_back({track, {{index, address}}});
            }
        }
        previous = address;
    }
    if (tracks.back().indexes.back().number == 0 || tracks.front().Start() < 0)
        return scsistatus::kAscInvalidField;

    e = entry(count - 1);
    int32_t address = 0;
    if (e[0] != kAdrPosition || e[1] != kLeadOutTrack || e[2] != 0x01 || e[3] != 0x01 ||
        e[4] != 0 || !EntryAddress(e, address) || address <= previous || address > lastLeadOut)
        return scsistatus::kAscInvalidField;
    leadOut = address;
    return 0;
}
