#pragma once
// The "MMCTRACK" driver: track-at-once writing.  Each track goes through the ring on a
// pass of its own: the write parameters page for track-at-once with raw audio blocks,
// the next writable address the drive reports, a filling thread for that track alone,
// WRITE commands with flow control, and a cache flush that ends the track.  No cue
// sheet, no CD-TEXT, no pregap, lead-in or lead-out of the driver's own: the drive
// leaves its gaps between the tracks and writes the lead-in and lead-out when CLOSE
// TRACK/SESSION closes the session at the end.
//
// A drive that offers buffer underrun free recording gets it asked for on every track,
// and then pauses with an empty buffer instead of losing the disc.  Before each track's
// flush the run waits while the drive writes out its buffer, so that progress follows
// the disc.
//
// A WRITE that fails (its message shown by WriteBlocks), a drive that runs dry, or Stop
// ends the track and skips the tracks after it, and the session is left open: closed,
// the tracks so far would look like a finished disc.  The disc counts as completed only
// when every track was written whole, the session closed, and the drive then said it
// was ready (within kClosingSeconds).
#include <atomic>
#include <cstdint>
#include <thread>

#include "drivers/CdrDriver.h"

class CMmcTrackDriver : public CCdrDriver {
  public:
    CMmcTrackDriver(CScsiTransport& transport, CDiscImage& discImage, IDriverUi& ui);
    ~CMmcTrackDriver() override;

    /* 3 */ void WriteDisc(void* context, std::atomic<int32_t>& permille,
                           std::atomic<int32_t>& phase, const std::atomic<int32_t>& stop,
                           std::atomic<int32_t>& track) override;

    // The tracks of the disc being written.
    int32_t trackCount = 0;
    // The track filling thread's own flags: it has not finished yet; it is to end.
    std::atomic<int32_t> trackFillerRunning{0};
    std::atomic<int32_t> stopFilling{0};

  private:
    // The write parameters page for track-at-once, with buffer underrun free recording
    // when underrunFree; failures are shown, not fatal.
    void SetTrackAtOnceParameters(bool underrunFree);
    // Writes track t from the ring: true when the whole track went to the drive.
    bool WriteTrack(int32_t t, bool underrunFree, int32_t& written, std::atomic<int32_t>& permille,
                    std::atomic<int32_t>& phase, const std::atomic<int32_t>& stop,
                    std::atomic<int32_t>& track);
    void TrackFiller();
    void StopFiller();

    std::thread filler_;
};
