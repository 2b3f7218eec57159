#include "disc/PQSubChannel16.h"

#include <algorithm>

std::unique_ptr<CSubChannel> CPQSubChannel16::MakeFromData(std::span<const uint8_t> bytes) const {
    auto block = std::make_unique<CPQSubChannel16>();
    std::copy_n(bytes.begin(), std::min(bytes.size(), block->data_.size()), block->data_.begin());
    block->mode = ModeOfAdr(block->data_[0] & 0x0F);
    return block;
}

std::unique_ptr<CSubChannel> CPQSubChannel16::MakeOfType(int32_t type) const {
    auto block = std::make_unique<CPQSubChannel16>();
    block->StartOfType(type);
    return block;
}

void CPQSubChannel16::SetP(int32_t flag) {
    data_[15] = flag != 0 ? 0x80 : 0x00;
}

// The P-Q form carries the CRC as computed: drives taking this form invert it themselves.
void CPQSubChannel16::CalcCrc() {
    StoreQCrc(QCrc());
}

int32_t CPQSubChannel16::CheckCrc() const {
    return checkCrc == 0 || StoredQCrc() == QCrc() ? 1 : 0;
}
