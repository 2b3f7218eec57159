#include "disc/PWSubChannel96.h"

#include <algorithm>

namespace {
constexpr uint8_t kPBit = 0x80;
constexpr uint8_t kQBit = 0x40;
}  // namespace

std::unique_ptr<CSubChannel> CPWSubChannel96::MakeFromData(std::span<const uint8_t> bytes) const {
    auto block = std::make_unique<CPWSubChannel96>();
    std::copy_n(bytes.begin(), std::min(bytes.size(), block->data_.size()), block->data_.begin());
    block->mode = ModeOfAdr(block->QByte(0) & 0x0F);
    return block;
}

std::unique_ptr<CSubChannel> CPWSubChannel96::MakeOfType(int32_t type) const {
    auto block = std::make_unique<CPWSubChannel96>();
    block->StartOfType(type);
    return block;
}

void CPWSubChannel96::SetP(int32_t flag) {
    for (uint8_t& symbol : data_)
        symbol = flag != 0 ? static_cast<uint8_t>(symbol | kPBit)
                           : static_cast<uint8_t>(symbol & ~kPBit);
}

// Inverted, as the Q checksum stands on the disc.
void CPWSubChannel96::CalcCrc() {
    StoreQCrc(static_cast<uint16_t>(~QCrc()));
}

int32_t CPWSubChannel96::CheckCrc() const {
    return checkCrc == 0 || StoredQCrc() == static_cast<uint16_t>(~QCrc()) ? 1 : 0;
}

void CPWSubChannel96::AddRwData(std::span<const uint8_t, kRwBytes> rw) {
    for (size_t g = 0; g < 24; ++g) {
        const uint8_t a = rw[3 * g], b = rw[3 * g + 1], c = rw[3 * g + 2];
        data_[4 * g] |= static_cast<uint8_t>(a >> 2);
        data_[4 * g + 1] |= static_cast<uint8_t>(((a << 4) & 0x30) | (b >> 4));
        data_[4 * g + 2] |= static_cast<uint8_t>(((b << 2) & 0x3C) | (c >> 6));
        data_[4 * g + 3] |= static_cast<uint8_t>(c & 0x3F);
    }
}

// Bit b of Q byte k (7 = most significant) is the Q bit of symbol 8k + 7 - b.
uint8_t CPWSubChannel96::QByte(int32_t k) const {
    uint8_t value = 0;
    for (size_t j = 0; j < 8; ++j)
        value = static_cast<uint8_t>((value << 1) |
                                     ((data_[8 * static_cast<size_t>(k) + j] & kQBit) >> 6));
    return value;
}

void CPWSubChannel96::SetQByte(int32_t k, uint8_t value) {
    for (size_t j = 0; j < 8; ++j) {
        uint8_t& symbol = data_[8 * static_cast<size_t>(k) + j];
        const bool bit = ((value >> (7 - j)) & 1) != 0;
        symbol = bit ? static_cast<uint8_t>(symbol | kQBit) : static_cast<uint8_t>(symbol & ~kQBit);
    }
}
