#pragma once
// The virtual recorder's buffer between the host and the disc, which READ BUFFER
// CAPACITY reports and the host's flow control watches.
//
// Unthrottled, the disc takes whatever arrives at once, but the drive keeps the newest
// half buffer of it: the host sees a buffer that is never dry, and nothing waits.
//
// In real time, the disc starts turning with the first block and takes blocks at the
// write speed.  A command whose data does not fit waits (as a drive holds the command)
// until enough has gone to the disc.  A buffer that runs dry before the last block of
// the disc is an underrun: with underrun-free recording the disc stops and starts again
// with the next block; without it the disc is lost.
#include <cstdint>
#include <deque>
#include <functional>

class CVirtualDriveBuffer {
  public:
    using Clock = std::function<int64_t()>;        // microseconds, never going back
    using Sleeper = std::function<void(int64_t)>;  // waits so many microseconds

    CVirtualDriveBuffer(uint32_t capacity, bool realTime, Clock clock = {}, Sleeper sleeper = {});

    // A new disc, to be written at blocksPerSecond (real time only).
    void Begin(double blocksPerSecond, bool underrunFree);
    // Takes blocks of blockBytes each, waiting in real time until they fit.  False when
    // the disc was lost to an earlier underrun.
    bool Accept(int32_t blocks, int32_t blockBytes);
    // The disc's last block has arrived: from now on the buffer may run dry.
    void EndOfDisc();
    uint32_t FreeBytes();
    uint32_t Capacity() const { return capacity_; }
    // Waits (real time) until the disc has taken everything; the buffer is empty after.
    // The disc stops there on purpose (the track or the disc ends): no underrun.
    void Drain();

    int32_t Underruns() const { return underruns_; }
    bool StreamingLost() const { return lost_; }

  private:
    struct Segment {
        int64_t blocks;
        int32_t blockBytes;
    };
    int64_t Now() const;
    void Pause(int64_t micros);
    // How long the disc takes for this many more blocks.
    int64_t MicrosFor(double blocks) const;
    // Lets the disc take what it has taken since the last look.
    void Advance();

    uint32_t capacity_;
    bool realTime_;
    Clock clock_;
    Sleeper sleeper_;
    double blocksPerSecond_ = 75.0;
    bool underrunFree_ = true;
    bool endOfDisc_ = false;
    bool draining_ = false;  // the host asked for everything to be written: no underrun
    bool turning_ = false;
    int64_t lastMicros_ = 0;
    double carry_ = 0.0;  // part of a block the disc has already passed over
    std::deque<Segment> held_;
    int64_t heldBytes_ = 0;
    int32_t underruns_ = 0;
    bool lost_ = false;
};
