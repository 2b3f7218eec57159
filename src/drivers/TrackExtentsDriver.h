#pragma once
// What the "2600" and "RIC" drivers share.  Their drives take the disc as track extents
// (vendor command ED, 20 bytes a track), say how long their lead-in and lead-out are
// (vendor command EE), and count the blocks themselves: the host writes the lead-in and
// the track 1 pregap as silence, then the audio, then the lead-out as silence, in WRITEs
// whose address field is 0.  No flow control: such a drive holds a WRITE until it has
// room.  The address the driver keeps counts from -150 - lead-in length, so that the
// audio starts at 0 as on every other drive (progress is computed from it).
//
// A failed WRITE is shown once a run: what follows it (the lead-out) fails for the same
// reason.  A WRITE the drive is not ready for yet (long write in progress) is sent
// again.  Stop ends the write at the next command, and no lead-out is written: the disc
// cannot be finished from there anyway.  After the flush the run waits until the drive
// says it has closed the disc.
#include <vector>

#include "drivers/CdrDriver.h"

class CTrackExtentsDriver : public CCdrDriver {
  public:
    CTrackExtentsDriver(CScsiTransport& transport, CDiscImage& discImage, IDriverUi& ui);
    ~CTrackExtentsDriver() override;

    /* 5 */ int32_t FinishDisc() override;
    /* 7 */ int32_t StartWrite() override;

    // The disc as track extents, with vendor command ED: 0, or 1 with its message shown.
    int32_t SendTrackExtents();

  protected:
    // ReadLeadLengths, with a message when the drive does not answer: 0 or 1.
    int32_t AskLeadLengths();
    // WRITE(10) without an address, count blocks from data in commands of at most blocks
    // per command; with swapBytes the two bytes of every 16-bit sample are exchanged on
    // the way (the drive takes big-endian samples).  0, or 1 on a failure or a stop.
    int32_t WriteWithoutAddress(int32_t& address, const uint8_t* data, int32_t count,
                                bool swapBytes);
    // Forgets what the last run showed; called by InitWrite.
    void BeginRun();

  private:
    bool writeFailureShown_ = false;
    std::vector<uint8_t> swapped_;  // one command's blocks, byte-swapped
};
