#pragma once
// One disc written raw by a virtual drive: every block from the lead-in start to the
// end of the lead-out, each 2352 bytes of audio followed by its subchannels in the data
// block type of the write parameters: 16 bytes of P-Q (type 1: the Q channel, its CRC
// as computed, then 0x80 in byte 15 when P is set) or 96 bytes of P-W (types 2 and 3:
// one bit of each channel P to W per byte, which the drive takes apart channel by
// channel).
//
// There is no cue sheet: the drive learns the disc's layout from the Q channel alone,
// and checks it as it goes, as a drive that writes what it is given must:
//   - every Q block's CRC (inverted in the 96-byte forms, as on the disc);
//   - that the times run on without a gap: in the lead-in the running time counts up
//     from 0 at the lead-in start; from the pregap on the absolute time is the block's
//     address + 00:02:00, and the relative time counts down through a pregap to 0 at
//     index 1 and up from there, in every track and in the lead-out;
//   - the table of contents the lead-in repeats (points 1 to 99 with the track starts,
//     A0 with the first track and the disc type, A1 with the last track, A2 with the
//     lead-out start): the same each time round, and complete when the lead-in ends at
//     the track 1 pregap (-150);
//   - that the program area agrees with it: tracks in order from the first to the last,
//     indexes in order, every index 1 where the table puts its track, the lead-out
//     where A2 puts it;
//   - a lead-out of 6750 blocks (90 seconds), no more, before the disc is complete.
// A WRITE that breaks a rule is refused with CHECK CONDITION, ILLEGAL REQUEST and
//   5/26/02  (parameter value invalid)        a Q block whose CRC does not match,
//   5/21/02  (invalid address for write)      a WRITE or a Q time out of sequence,
//   5/26/00  (invalid field in parameter list) a table of contents that is incomplete,
//            inconsistent or disagrees with the program area, or Q that is no
//            position block where one belongs,
//   5/21/00  (address out of range)           blocks beyond the lead-out,
// and the drive gives the disc up (see CVirtualRawModel).
//
// A real write that completes leaves the image (see CVirtualImage): the audio from
// 00:02:00 to the lead-out, the subchannels of those blocks as "disc-N.sub", and a cue
// file whose tracks and indexes are the ones the Q channel gave.
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "virtualdrive/VirtualAnswer.h"
#include "virtualdrive/VirtualDisc.h"
#include "virtualdrive/VirtualDiscWrite.h"
#include "virtualdrive/VirtualImage.h"

class CVirtualRawRecording : public CVirtualDiscWrite {
  public:
    static constexpr int32_t kLeadOutBlocks = 6750;
    static constexpr int32_t kPregapStart = -150;

    // blockType: 1, 2 or 3; leadInStart: the address of the lead-in's first block;
    // folder: where the image goes ("" for none).
    CVirtualRawRecording(int32_t blockType, bool test, int32_t leadInStart, std::string folder);
    ~CVirtualRawRecording() override;
    CVirtualRawRecording(const CVirtualRawRecording&) = delete;
    CVirtualRawRecording& operator=(const CVirtualRawRecording&) = delete;

    // Bytes of one block the host sends: 2368 or 2448.
    int32_t BlockBytes() const { return kAudioBytes + subchannelBytes_; }
    // Takes a WRITE of blocks × BlockBytes() bytes at address; good or the refusal.
    CVirtualSense Write(int32_t address, int32_t blocks, const uint8_t* data);

    int32_t NextAddress() const override { return next_; }
    bool AnyReceived() const override { return next_ != leadInStart_; }
    // The whole lead-out has arrived.
    bool Complete() const override { return leadOutBlocks_ == kLeadOutBlocks; }
    bool Test() const override { return test_; }
    // What the Q channel said: the tracks with their indexes, and where the lead-out
    // began (-1 until it has).
    const std::vector<CVirtualImage::Track>& Tracks() const { return tracks_; }
    int32_t LeadOut() const override { return leadOut_; }
    std::vector<CVirtualDisc::Track> Extents() const override;

    bool Finish(std::string& cuePath) override;
    void Abandon() override;

  private:
    static constexpr int32_t kAudioBytes = 2352;
    static constexpr int32_t kChannels = 8;
    static constexpr int32_t kChannelBytes = 12;
    using QBytes = std::array<uint8_t, 12>;
    struct TocPoint {
        bool present = false;
        std::array<uint8_t, 4> bytes{};  // control nibble, point minute, second, frame
    };

    CVirtualSense TakeBlock(int32_t address, const uint8_t* block);
    CVirtualSense LeadInBlock(int32_t address, const QBytes& q);
    // The lead-in is over: the table of contents must be whole.
    CVirtualSense CloseToc();
    // relative: the block's relative time as a block count.
    CVirtualSense ProgramBlock(int32_t address, const QBytes& q, int32_t relative);
    CVirtualSense LeadOutBlock(int32_t address, const QBytes& q, int32_t relative);
    bool CrcMatches(const QBytes& q) const;
    // The block's subchannels as eight channels of 12 bytes, P first (96 bytes at out),
    // the CRC of Q as the form carries it.
    void Channels(const uint8_t* subchannels, uint8_t* out) const;
    // The 96 symbols of the P-W forms into their eight channels.
    static void TakeApart(const uint8_t* subchannels, uint8_t* channels);

    int32_t blockType_;
    int32_t subchannelBytes_;
    bool test_;
    int32_t leadInStart_;
    int32_t next_;
    std::unique_ptr<CVirtualImage> image_;  // null for a test write or without a folder
    std::vector<uint8_t> audio_;            // one WRITE's program-area blocks
    std::vector<uint8_t> subFile_;

    std::array<TocPoint, 256> toc_{};
    bool tocClosed_ = false;
    int32_t firstTrack_ = 0;
    int32_t lastTrack_ = 0;
    std::array<int32_t, 100> tocStart_{};  // address of each track's index 1
    int32_t tocLeadOut_ = 0;

    std::vector<CVirtualImage::Track> tracks_;
    int32_t relative_ = 0;  // signed relative time of the last block: negative in a pregap
    int32_t leadOut_ = -1;
    int32_t leadOutBlocks_ = 0;
};
