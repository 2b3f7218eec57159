#include "disc/SubChannel.h"

#include "disc/DiscTime.h"

namespace {
// Q channel bytes.
constexpr int32_t kQControlAdr = 0;
constexpr int32_t kQTrack = 1;
constexpr int32_t kQIndex = 2;
constexpr int32_t kQMinute = 3;
constexpr int32_t kQSecond = 4;
constexpr int32_t kQFrame = 5;
constexpr int32_t kQZero = 6;
constexpr int32_t kQAbsMinute = 7;
constexpr int32_t kQAbsSecond = 8;
constexpr int32_t kQAbsFrame = 9;
constexpr int32_t kQCrcHigh = 10;
constexpr int32_t kQCrcLow = 11;
constexpr int32_t kCatalogDigits = 13;

constexpr std::array<uint16_t, 256> MakeCrcTable() {
    std::array<uint16_t, 256> table{};
    for (uint32_t i = 0; i < 256; ++i) {
        uint32_t crc = i << 8;
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 0x8000) != 0 ? (crc << 1) ^ 0x1021 : crc << 1;
        table[i] = static_cast<uint16_t>(crc);
    }
    return table;
}
constexpr std::array<uint16_t, 256> kCrcTable = MakeCrcTable();

// A character of a text that may end early: the missing ones count as digit 0.
uint8_t DigitAt(std::string_view text, size_t i) {
    return static_cast<uint8_t>(i < text.size() ? text[i] - '0' : 0);
}

// The 6-bit ISRC code of a country or owner character.
uint8_t IsrcCode(char c) {
    if (c >= '0' && c <= '9')
        return static_cast<uint8_t>(c - '0');
    if (c >= 'A' && c <= 'Z')
        return static_cast<uint8_t>(c - '0');  // A = 17
    if (c >= 'a' && c <= 'z')
        return static_cast<uint8_t>(c - 'P');  // a = 17 as well
    return 0;
}

bool IsBcd(uint8_t b) {
    return (b >> 4) <= 9 && (b & 0x0F) <= 9;
}

bool IsBcdTime(uint8_t minute, uint8_t second, uint8_t frame) {
    return IsBcd(minute) && IsBcd(second) && IsBcd(frame) && FromBcd(second) <= 59 &&
           FromBcd(frame) <= 74;
}
}  // namespace

uint16_t CSubChannel::Crc16(std::span<const uint8_t> bytes) {
    uint16_t crc = 0;
    for (uint8_t b : bytes)
        crc = static_cast<uint16_t>(kCrcTable[((crc >> 8) ^ b) & 0xFF] ^ (crc << 8));
    return crc;
}

int32_t CSubChannel::ModeOfAdr(int32_t adr) {
    return adr >= kModePosition && adr <= kModeIsrc ? adr : kModeOther;
}

void CSubChannel::StartOfType(int32_t type) {
    mode = type;
    uint8_t adr = 0x00;
    if (type == 0 || type == kModePosition)
        adr = 0x01;
    else if (type == kModeCatalog || type == kModeIsrc)
        adr = static_cast<uint8_t>(type);
    SetQByte(kQControlAdr, adr);
}

void CSubChannel::SetAdr(int32_t value) {
    const int32_t adr = value & 0x0F;
    SetQByte(kQControlAdr, static_cast<uint8_t>((QByte(kQControlAdr) & 0xF0) | adr));
    mode = ModeOfAdr(adr);
}

int32_t CSubChannel::Control() const {
    return QByte(kQControlAdr) >> 4;
}

void CSubChannel::SetControl(int32_t value) {
    SetQByte(kQControlAdr, static_cast<uint8_t>((QByte(kQControlAdr) & 0x0F) | (value & 0xF0)));
}

int32_t CSubChannel::TrackNumber() const {
    return FromBcd(QByte(kQTrack));
}
void CSubChannel::SetTrackNumber(int32_t value) {
    SetQByte(kQTrack, ToBcd(value));
}
int32_t CSubChannel::Index() const {
    return FromBcd(QByte(kQIndex));
}
void CSubChannel::SetIndex(int32_t value) {
    SetQByte(kQIndex, ToBcd(value));
}
void CSubChannel::SetPoint(int32_t value) {
    SetQByte(kQIndex, ToBcd(value));
}
int32_t CSubChannel::Minute() const {
    return FromBcd(QByte(kQMinute));
}
void CSubChannel::SetMinute(int32_t value) {
    SetQByte(kQMinute, ToBcd(value));
}
int32_t CSubChannel::Second() const {
    return FromBcd(QByte(kQSecond));
}
void CSubChannel::SetSecond(int32_t value) {
    SetQByte(kQSecond, ToBcd(value));
}
int32_t CSubChannel::Frame() const {
    return FromBcd(QByte(kQFrame));
}
void CSubChannel::SetFrame(int32_t value) {
    SetQByte(kQFrame, ToBcd(value));
}
int32_t CSubChannel::AbsMinute() const {
    return FromBcd(QByte(kQAbsMinute));
}
void CSubChannel::SetAbsMinute(int32_t value) {
    SetQByte(kQAbsMinute, ToBcd(value));
}
int32_t CSubChannel::AbsSecond() const {
    return FromBcd(QByte(kQAbsSecond));
}
void CSubChannel::SetAbsSecond(int32_t value) {
    SetQByte(kQAbsSecond, ToBcd(value));
}
int32_t CSubChannel::AbsFrame() const {
    return FromBcd(QByte(kQAbsFrame));
}
void CSubChannel::SetAbsFrame(int32_t value) {
    SetQByte(kQAbsFrame, ToBcd(value));
}
void CSubChannel::SetPointMinute(int32_t value) {
    SetQByte(kQAbsMinute, ToBcd(value));
}
void CSubChannel::SetPointSecond(int32_t value) {
    SetQByte(kQAbsSecond, ToBcd(value));
}
void CSubChannel::SetPointFrame(int32_t value) {
    SetQByte(kQAbsFrame, ToBcd(value));
}

std::array<char, 14> CSubChannel::CatalogNumber() const {
    std::array<char, 14> text{};
    for (int32_t i = 0; i < kCatalogDigits; ++i) {
        const uint8_t b = QByte(1 + i / 2);
        text[static_cast<size_t>(i)] = static_cast<char>('0' + (i % 2 == 0 ? b >> 4 : b & 0x0F));
    }
    return text;
}

void CSubChannel::SetCatalogNumber(std::string_view digits) {
    for (int32_t k = 0; k < 7; ++k) {
        const auto high = static_cast<uint8_t>(DigitAt(digits, 2 * k) << 4);
        // The 13th digit stands alone in the high nibble of byte 7.
        const uint8_t low = k < 6 ? DigitAt(digits, 2 * k + 1) & 0x0F : 0;
        SetQByte(1 + k, static_cast<uint8_t>(high | low));
    }
    SetQByte(8, 0);
}

std::array<char, 13> CSubChannel::Isrc() const {
    const uint8_t b1 = QByte(1), b2 = QByte(2), b3 = QByte(3), b4 = QByte(4);
    const std::array<uint8_t, 5> codes = {
        static_cast<uint8_t>(b1 >> 2),
        static_cast<uint8_t>(((b1 & 0x03) << 4) | (b2 >> 4)),
        static_cast<uint8_t>(((b2 & 0x0F) << 2) | (b3 >> 6)),
        static_cast<uint8_t>(b3 & 0x3F),
        static_cast<uint8_t>(b4 >> 2),
    };
    std::array<char, 13> text{};
    for (size_t i = 0; i < codes.size(); ++i) text[i] = static_cast<char>('0' + codes[i]);
    for (int32_t i = 0; i < 7; ++i) {
        const uint8_t b = QByte(5 + i / 2);
        text[5 + static_cast<size_t>(i)] =
            static_cast<char>('0' + (i % 2 == 0 ? b >> 4 : b & 0x0F));
    }
    return text;
}

void CSubChannel::SetIsrc(std::string_view text) {
    std::array<uint8_t, 5> c{};
    for (size_t i = 0; i < c.size(); ++i) c[i] = i < text.size() ? IsrcCode(text[i]) : 0;
    SetQByte(1, static_cast<uint8_t>((c[0] << 2) | (c[1] >> 4)));
    SetQByte(2, static_cast<uint8_t>((c[1] << 4) | (c[2] >> 2)));
    SetQByte(3, static_cast<uint8_t>((c[2] << 6) | c[3]));
    SetQByte(4, static_cast<uint8_t>(c[4] << 2));
    for (int32_t k = 0; k < 4; ++k) {
        const auto high = static_cast<uint8_t>(DigitAt(text, 5 + 2 * k) << 4);
        // The 7th digit stands alone in the high nibble of byte 8.
        const uint8_t low = k < 3 ? DigitAt(text, 6 + 2 * k) & 0x0F : 0;
        SetQByte(5 + k, static_cast<uint8_t>(high | low));
    }
}

int32_t CSubChannel::CheckConsistency() const {
    switch (mode) {
        case 0:
        case kModePosition: {
            const uint8_t track = QByte(kQTrack);
            const uint8_t point = QByte(kQIndex);
            if (!(IsBcd(track) || track == 0xAA) || QByte(kQZero) != 0)
                return 0;
            if (!IsBcdTime(QByte(kQMinute), QByte(kQSecond), QByte(kQFrame)))
                return 0;
            // In the lead-in, A0 and A1 carry track numbers and the disc type in their
            // point time; every other point time and every absolute time is a time.
            if (track == 0 && (point == 0xA0 || point == 0xA1))
                return IsBcd(QByte(kQAbsMinute)) ? 1 : 0;
            if (!(IsBcd(point) || (track == 0 && point == 0xA2)))
                return 0;
            return IsBcdTime(QByte(kQAbsMinute), QByte(kQAbsSecond), QByte(kQAbsFrame)) ? 1 : 0;
        }
        case kModeCatalog:
            for (int32_t k = 1; k <= 7; ++k) {
                if (!IsBcd(QByte(k)))
                    return 0;
            }
            return (QByte(7) & 0x0F) == 0 && QByte(8) == 0 ? 1 : 0;
        case kModeIsrc: {
            const std::array<char, 13> text = Isrc();
            for (size_t i = 0; i < 5; ++i) {
                const char c = text[i];
                if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z')))
                    return 0;
            }
            for (int32_t k = 5; k <= 8; ++k) {
                if (!IsBcd(QByte(k)))
                    return 0;
            }
            return (QByte(8) & 0x0F) == 0 ? 1 : 0;
        }
        default:
            return 1;  // an ADR this program does not write: nothing to judge
    }
}

uint16_t CSubChannel::QCrc() const {
    std::array<uint8_t, 10> q{};
    for (int32_t k = 0; k < 10; ++k) q[static_cast<size_t>(k)] = QByte(k);
    return Crc16(q);
}

uint16_t CSubChannel::StoredQCrc() const {
    return static_cast<uint16_t>((QByte(kQCrcHigh) << 8) | QByte(kQCrcLow));
}

void CSubChannel::StoreQCrc(uint16_t value) {
    SetQByte(kQCrcHigh, static_cast<uint8_t>(value >> 8));
    SetQByte(kQCrcLow, static_cast<uint8_t>(value & 0xFF));
}
