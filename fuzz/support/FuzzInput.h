#pragma once
// The fuzzer's bytes read front to back as the harnesses' small records: single bytes,
// big-endian numbers, runs of bytes.  Past the end everything reads as zero, so a record
// cut short is still a record and no harness needs a length check before each field.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

class CFuzzInput {
  public:
    CFuzzInput(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    bool Empty() const { return at_ >= size_; }
    size_t Remaining() const { return at_ < size_ ? size_ - at_ : 0; }

    uint8_t Byte() { return at_ < size_ ? data_[at_++] : 0; }
    bool Bit() { return (Byte() & 1) != 0; }
    uint32_t Be16() {
        uint32_t high = Byte();
        return (high << 8) | Byte();
    }
    uint32_t Be32() {
        uint32_t high = Be16();
        return (high << 16) | Be16();
    }
    // Up to n bytes (fewer at the end).
    std::span<const uint8_t> Bytes(size_t n) {
        size_t take = n < Remaining() ? n : Remaining();
        std::span<const uint8_t> out(data_ + at_, take);
        at_ += take;
        return out;
    }
    // A length byte and that many bytes, as text.
    std::string ShortText() {
        auto bytes = Bytes(Byte());
        return std::string(bytes.begin(), bytes.end());
    }
    // Everything up to the next NUL (which is skipped), or to the end.
    std::string_view UntilNul() {
        size_t start = at_;
        while (at_ < size_ && data_[at_] != 0) ++at_;
        std::string_view out(reinterpret_cast<const char*>(data_ + start), at_ - start);
        if (at_ < size_)
            ++at_;
        return out;
    }
    std::span<const uint8_t> Rest() { return Bytes(Remaining()); }

  private:
    const uint8_t* data_;
    size_t size_;
    size_t at_ = 0;
};
