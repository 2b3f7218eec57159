#pragma once
// The 96-byte raw P-W form: byte j holds symbol j of all eight channels, bit 7 = P,
// bit 6 = Q, bits 5 to 0 = R to W.  A channel's 12 bytes run most significant bit
// first across the 96 symbols; the Q CRC is stored inverted, as on the disc.
#include <array>

#include "disc/SubChannel.h"

class CPWSubChannel96 : public CSubChannel {
  public:
    static constexpr int32_t kLength = 96;
    static constexpr int32_t kRwBytes = 72;

    std::unique_ptr<CSubChannel> MakeFromData(std::span<const uint8_t> bytes) const override;
    std::unique_ptr<CSubChannel> MakeOfType(int32_t type) const override;
    int32_t DataLength() const override { return kLength; }
    void SetP(int32_t flag) override;
    void CalcCrc() override;
    int32_t CheckCrc() const override;
    std::span<const uint8_t> Data() const override { return data_; }

    // ORs 72 bytes of packed 6-bit symbols into the R to W channels; P and Q untouched.
    void AddRwData(std::span<const uint8_t, kRwBytes> rw);

  protected:
    uint8_t QByte(int32_t k) const override;
    void SetQByte(int32_t k, uint8_t value) override;

  private:
    std::array<uint8_t, kLength> data_{};
};
