#pragma once
// The "MMCTRACK" driver: track-at-once writing.  Each track goes through the ring on a
// pass of its own: the write parameters page for track-at-once with raw audio blocks,
// the next writable address the drive reports, a filling thread for that track alone,
// WRITE commands with flow control, and a cache flush that ends the track.  No cue
// sheet, no CD-TEXT, no pregap, lead-in or lead-out of the driver's own: the drive
// leaves its gaps between the tracks and writes the lead-in and lead-out when CLOSE
// TRACK/SESSION closes the session at the end.
//
// A WRITE that fails (its message shown by WriteBlocks), a drive that runs dry, or Stop
// ends the track and skips the tracks after it; the session is closed in every case,
// and the disc counts as completed only when every track was written whole.  The wait
// after closing the session ends as soon as the drive is ready again.
#include <atomic>
#include <cstdint>
#include <thread>

#include "drivers/CdrDriver.h"

class CMmcTrackDriver : public CCdrDriver {
  public:
    // How long closing the session may keep the drive busy, in seconds.
    static constexpr int32_t kCloseSessionSeconds = 180;

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
    // The write parameters page for track-at-once; failures are shown, not fatal.
    void SetTrackAtOnceParameters();
    // Writes track t from the ring: true when the whole track went to the drive.
    bool WriteTrack(int32_t t, int32_t& written, std::atomic<int32_t>& permille,
                    std::atomic<int32_t>& phase, const std::atomic<int32_t>& stop,
                    std::atomic<int32_t>& track);
    void TrackFiller();
    void StopFiller();

    std::thread filler_;
};
