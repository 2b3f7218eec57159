#pragma once
// The 16-byte P-Q form: Q channel in bytes 0 to 11 with its CRC as computed (not
// inverted), bytes 12 to 14 zero, byte 15 = 0x80 when the P channel is set.
#include <array>

#include "disc/SubChannel.h"

class CPQSubChannel16 : public CSubChannel {
  public:
    static constexpr int32_t kLength = 16;

    std::unique_ptr<CSubChannel> MakeFromData(std::span<const uint8_t> bytes) const override;
    std::unique_ptr<CSubChannel> MakeOfType(int32_t type) const override;
    int32_t DataLength() const override { return kLength; }
    void SetP(int32_t flag) override;
    void CalcCrc() override;
    int32_t CheckCrc() const override;
    std::span<const uint8_t> Data() const override { return data_; }

  protected:
    uint8_t QByte(int32_t k) const override { return data_[static_cast<size_t>(k)]; }
    void SetQByte(int32_t k, uint8_t value) override { data_[static_cast<size_t>(k)] = value; }

  private:
    std::array<uint8_t, kLength> data_{};
};
