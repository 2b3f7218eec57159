#pragma once
// The "MMCRAW" driver: the whole disc written in the MMC raw write type.  Instead of a
// cue sheet the drive gets every block from the lead-in start to the end of the
// lead-out, each 2352 bytes of audio followed by its subchannel data, which the
// raw-block writer derives from the MMC cue sheet: the table of contents in the
// lead-in, track, index and times in the pregap and the tracks, the lead-out codes.
//
// The subchannel form is the first the drive takes of: data block type 1 (16 bytes of
// P-Q), 3 (96 bytes of raw P-W) and 2 (96 bytes of packed P-W).  Each WRITE carries as
// many raw blocks as the path to the drive takes, up to 64 KiB.  The audio still goes
// through the ring of the disc-at-once write in 2352-byte blocks; the lead-in and the
// pregap are written as silence before it, the lead-out after it.  No flow control: a
// drive in raw mode holds the command until it has room; a WRITE it is not ready for
// yet (long write in progress) is sent again.
#include <memory>
#include <vector>

#include "disc/RawBlockWriter.h"
#include "disc/SubChannel.h"
#include "drivers/CdrDriver.h"

class CMmcRawDriver : public CCdrDriver {
  public:
    static constexpr int32_t kInitialBlocksPerCommand = 32768 / kBlockLength;  // 13
    static constexpr uint32_t kMostBytesPerCommand = 65536;
    // Disc address of lead-in time 100:00:00 less the pregap: the lead-in start's block
    // address minus this is its first address.
    static constexpr int32_t kLeadInOrigin = 450150;

    CMmcRawDriver(CScsiTransport& transport, CDiscImage& discImage, IDriverUi& ui);
    ~CMmcRawDriver() override;

    // SetRawWriteParameters: the page could not be read, or the drive refused it.
    static constexpr int32_t kNoPage = 1;
    static constexpr int32_t kPageRefused = 2;

    // The write parameters page for raw writing with this data block type: 0, kNoPage
    // or kPageRefused (no message).
    int32_t SetRawWriteParameters(int32_t blockType);

    /* 5 */ int32_t FinishDisc() override;
    /* 7 */ int32_t StartWrite() override;
    /* 8 */ int32_t InitWrite() override;
    /* 10 */ int32_t WriteBlocks(int32_t& address, const uint8_t* data, int32_t count) override;

    // Bytes of one raw block: 2352 and the subchannels (2368 or 2448); 0 before a write.
    int32_t RawBlockLength() const { return rawBlockLength_; }
    const CSubChannel* Generator() const { return generator_.get(); }

  private:
    CRawBlockWriter rawWriter_;
    std::vector<uint8_t> rawBlockBuffer_;
    std::unique_ptr<CSubChannel> generator_;
    int32_t rawBlockLength_ = 0;
    // A failed WRITE is shown once a run: what follows it fails for the same reason.
    bool writeFailureShown_ = false;
};
