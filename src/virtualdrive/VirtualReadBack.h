#pragma once
// Reading a written disc back, as a drive does for a program that checks what it wrote:
// READ TOC/PMA/ATIP (the table of contents, format 0, and the full table, format 2),
// READ CD of audio blocks, and READ SUB-CHANNEL for the position last read.  The audio
// comes from the image the drive left of the disc (see CVirtualImage), shifted by the
// configured read offset and altered in the configured damaged blocks; what lies outside
// the image (the pregap before it, the lead-out after it) reads as silence.
#include <cstdint>
#include <string>
#include <vector>

#include "base/FileIo.h"
#include "virtualdrive/VirtualAnswer.h"
#include "virtualdrive/VirtualDisc.h"
#include "virtualdrive/VirtualDriveState.h"

class CVirtualReadBack {
  public:
    explicit CVirtualReadBack(const CVirtualDriveState& drive) : drive_(drive) {}

    CVirtualAnswer ReadToc(const uint8_t* cdb);
    CVirtualAnswer ReadCd(const uint8_t* cdb, uint32_t hostBytes);
    CVirtualAnswer ReadSubChannel(const uint8_t* cdb);

  private:
    // The disc's image file open for reading; false when the disc has none.
    bool OpenImage();

    const CVirtualDriveState& drive_;
    CFile audio_;
    std::string audioPath_;
    int32_t lastRead_ = 0;  // the block of the current position
};

// The tracks of a cue file this drive wrote (from each INDEX 01 to the next track's first
// index) and its lead-out (the blocks of the audio file beside it); false with why not.
bool ReadVirtualCue(const std::string& cuePath, std::vector<CVirtualDisc::Track>& tracks,
                    int32_t& leadOut, std::string& why);
