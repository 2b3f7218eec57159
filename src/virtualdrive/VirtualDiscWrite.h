#pragma once
// A whole disc that a virtual drive writes in one pass, from the first block the host
// must send to the last: from a cue sheet (CVirtualRecording) or as raw blocks
// (CVirtualRawRecording).  What its model needs to finish it or to give it up.
#include <cstdint>
#include <string>
#include <vector>

#include "virtualdrive/VirtualDisc.h"

class CVirtualDiscWrite {
  public:
    virtual ~CVirtualDiscWrite() = default;

    virtual bool Test() const = 0;
    virtual bool AnyReceived() const = 0;
    // Every block of the disc has arrived.
    virtual bool Complete() const = 0;
    virtual int32_t NextAddress() const = 0;
    // The tracks as the disc will have them, and where its lead-out starts.
    virtual std::vector<CVirtualDisc::Track> Extents() const = 0;
    virtual int32_t LeadOut() const = 0;
    // Finishes a complete disc: writes the image (not for a test write).  False, with
    // nothing left behind, when the files cannot be written.
    virtual bool Finish(std::string& cuePath) = 0;
    // Drops the write: no image, what was kept so far removed.
    virtual void Abandon() = 0;
};
