#pragma once
// One disc being written by the virtual recorder, from the cue sheet it accepted to the
// cache flush that finishes it: it checks every WRITE as a strict drive does (blocks in
// sequence from the first the cue sheet asks for, the block size of each area, nothing
// past the lead-out), keeps the CD-TEXT the lead-in carries, and records the program
// area.
//
// A finished real write leaves an image in the output folder, derived only from what
// arrived: "disc-N.bin" (the audio from 00:02:00 to the lead-out, 2352-byte blocks of
// little-endian samples), "disc-N.cdt" (the CD-TEXT packs, 18 bytes each, without a
// header, when the lead-in carried any) and "disc-N.cue" (tracks and indexes from the cue sheet,
// TITLE lines from the CD-TEXT), written last, so that a cue file means a complete image.  N is the
// lowest number no earlier image uses.  A test write, and a write that is abandoned, leaves nothing
// behind.
#include <cstdint>
#include <string>

#include "virtualdrive/LeadInCdText.h"
#include "virtualdrive/VirtualCueSheet.h"

class CVirtualRecording {
  public:
    struct Sense {
        uint8_t key = 0;  // 0: good
        uint8_t asc = 0;
        uint8_t ascq = 0;
    };

    // leadInStart: the lead-in's first address, where CD-TEXT starts; folder: where the
    // image goes ("" for none).
    CVirtualRecording(CVirtualCueSheet cue, bool test, int32_t leadInStart, std::string folder);
    ~CVirtualRecording();
    CVirtualRecording(const CVirtualRecording&) = delete;
    CVirtualRecording& operator=(const CVirtualRecording&) = delete;

    // Bytes per block that the host sends at address: 96 in a lead-in with CD-TEXT, 2352
    // in the program area, 0 where it may send nothing.
    int32_t BlockBytes(int32_t address) const;
    // Whether a WRITE of blocks at address may come now; good or the drive's refusal.
    Sense Check(int32_t address, int32_t blocks) const;
    // Takes a checked WRITE's data (blocks × BlockBytes(address) bytes).
    Sense Write(int32_t address, int32_t blocks, const uint8_t* data);

    int32_t NextAddress() const { return next_; }
    bool AllReceived() const { return next_ >= cue_.leadOut; }
    bool AnyReceived() const { return received_; }
    bool Test() const { return test_; }
    const CVirtualCueSheet& CueSheet() const { return cue_; }
    const CLeadInCdText& CdText() const { return cdText_; }

    // Finishes a disc whose blocks have all arrived: writes the image (not for a test
    // write).  False, with nothing left behind, when the files cannot be written.
    // cuePath is the image's cue file, "" when none was made.
    bool Finish(std::string& cuePath);
    // Drops the write: no image, the partial audio removed.
    void Abandon();

    // The cue file text for an image of base name `name` ("disc-1").
    std::string CueText(const std::string& name) const;

  private:
    bool StoreAudio(const uint8_t* data, size_t n);
    void CloseAudio();

    CVirtualCueSheet cue_;
    bool test_;
    int32_t leadInStart_;
    std::string folder_;
    int32_t next_;
    bool received_ = false;
    bool failed_ = false;
    CLeadInCdText cdText_;
    int audioFd_ = -1;
    std::string audioTemp_;
};
