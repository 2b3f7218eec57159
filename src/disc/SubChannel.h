#pragma once
// One sector's subchannel data: the P flag and the 12-byte Q channel with its fields,
// checksum and the catalog number and ISRC encodings.  The two forms (16-byte P-Q and
// 96-byte raw P-W) differ only in where the bits sit; a driver keeps one block of the
// form its drive takes and makes every further block from it.
#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <string_view>

class CSubChannel {
  public:
    static constexpr int32_t kQBytes = 12;
    // Q modes: the ADR of the block, with every ADR other than 1 to 3 as 4.
    static constexpr int32_t kModePosition = 1;
    static constexpr int32_t kModeCatalog = 2;
    static constexpr int32_t kModeIsrc = 3;
    static constexpr int32_t kModeOther = 4;

    CSubChannel() = default;
    virtual ~CSubChannel() = default;
    CSubChannel(const CSubChannel&) = delete;
    CSubChannel& operator=(const CSubChannel&) = delete;

    // A new block of the same form with these data bytes (a short span leaves the rest
    // zero); its mode follows the ADR nibble.
    virtual std::unique_ptr<CSubChannel> MakeFromData(std::span<const uint8_t> bytes) const = 0;
    // A new empty block of the same form; Q byte 0 carries the mode's ADR (mode 0 as 1).
    virtual std::unique_ptr<CSubChannel> MakeOfType(int32_t type) const = 0;
    virtual int32_t Type() const { return mode; }
    virtual void SetAdr(int32_t value);
    virtual int32_t DataLength() const = 0;
    virtual void SetP(int32_t flag) = 0;
    virtual int32_t Control() const;
    // value is already in the high nibble.
    virtual void SetControl(int32_t value);
    virtual int32_t TrackNumber() const;
    virtual void SetTrackNumber(int32_t value);
    virtual int32_t Index() const;
    virtual void SetIndex(int32_t value);
    virtual void SetPoint(int32_t value);
    virtual int32_t Minute() const;
    virtual void SetMinute(int32_t value);
    virtual int32_t Second() const;
    virtual void SetSecond(int32_t value);
    virtual int32_t Frame() const;
    virtual void SetFrame(int32_t value);
    virtual int32_t AbsMinute() const;
    virtual void SetAbsMinute(int32_t value);
    virtual int32_t AbsSecond() const;
    virtual void SetAbsSecond(int32_t value);
    virtual int32_t AbsFrame() const;
    virtual void SetAbsFrame(int32_t value);
    virtual void SetPointMinute(int32_t value);
    virtual void SetPointSecond(int32_t value);
    virtual void SetPointFrame(int32_t value);
    // The 13 digits of a catalog block, NUL-terminated.
    virtual std::array<char, 14> CatalogNumber() const;
    // 13 characters; a shorter text counts as ending in zeros.
    virtual void SetCatalogNumber(std::string_view digits);
    // Country, owner, year and serial of an ISRC block: 12 characters, NUL-terminated.
    virtual std::array<char, 13> Isrc() const;
    virtual void SetIsrc(std::string_view text);
    // Diagnostics of the block; nothing reads them.
    virtual void Print() const {}
    virtual void CalcCrc() = 0;
    // 1 when the stored CRC matches the Q channel, or while checkCrc is 0.
    virtual int32_t CheckCrc() const = 0;
    // 1 when the Q fields are valid for the block's mode.
    virtual int32_t CheckConsistency() const;
    virtual std::span<const uint8_t> Data() const = 0;

    // CRC-16, polynomial 0x1021, initial value 0, most significant bit first; also the
    // checksum of CD-TEXT packs.
    static uint16_t Crc16(std::span<const uint8_t> bytes);
    // Mode of an ADR nibble.
    static int32_t ModeOfAdr(int32_t adr);

    int32_t mode = kModePosition;
    int32_t checkCrc = 1;

  protected:
    // The Q channel byte k (0 to 11), wherever the form keeps it.
    virtual uint8_t QByte(int32_t k) const = 0;
    virtual void SetQByte(int32_t k, uint8_t value) = 0;

    // Empty block of the given mode, as MakeOfType leaves it.
    void StartOfType(int32_t type);
    // CRC of Q bytes 0 to 9, and the 16-bit value stored in bytes 10 and 11.
    uint16_t QCrc() const;
    uint16_t StoredQCrc() const;
    void StoreQCrc(uint16_t value);
};
