#pragma once
// The player's feeder: a thread that decodes the current song a quarter of a second
// (44100 bytes) at a time and queues it on the sound device, never more than three
// buffers ahead, so that what is queued is heard within three quarters of a second.
//
// The flags are shared with the window's thread.  While three buffers are queued the
// feeder sleeps on a condition variable until the device says one has been heard or
// until it is asked to stop; it never spins.  At the natural end of a song the queued
// audio is played out; when asked to stop, it is thrown away at once.  Either way the
// feeder closes the device and the decoder, then says that it has ended.  The thread is
// always joined: the destructor stops a feeder that is still going.
#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

class CAudioSource;
class IAudioOutput;

class CPlayerFeeder {
  public:
    static constexpr int32_t kBufferBytes = 44100;  // a quarter of a second of CD audio
    static constexpr int32_t kBuffers = 3;          // queued at most

    CPlayerFeeder(CAudioSource& decoder, IAudioOutput& output)
        : decoder_(decoder), output_(output) {}
    ~CPlayerFeeder();
    CPlayerFeeder(const CPlayerFeeder&) = delete;
    CPlayerFeeder& operator=(const CPlayerFeeder&) = delete;

    // Starts feeding from the opened decoder to the opened device, after stopping a
    // feeder that may still be going.  The feeder closes both when it ends.
    void Start();
    // Asks the feeder to stop and waits until it has ended; nothing happens when none
    // runs.  Returns at once after the queued audio has been thrown away.
    void Stop();
    // True from Start until the feeder has closed the device and the decoder.
    bool Running() const { return feederRunning.load() != 0; }
    // True once for each song that ended by itself, not by Stop.
    bool TakeSongFinished() { return songFinished.exchange(0) != 0; }
    // Forgets that a song ended by itself.
    void ClearSongFinished() { songFinished.store(0); }

    // 1 while the feeder thread exists; cleared by the feeder as its last action.
    std::atomic<int32_t> feederRunning{0};
    // 1 while the feeder should go on; cleared to ask it to stop.
    std::atomic<int32_t> keepPlaying{0};
    // Set by the feeder when the song ended without a request to stop.
    std::atomic<int32_t> songFinished{0};

  private:
    void Run();
    // Waits until fewer than limit buffers are still to be heard; false when asked to
    // stop (or the device gave up) first.
    bool WaitForRoom(int32_t limit);
    void Join();

    CAudioSource& decoder_;
    IAudioOutput& output_;
    std::thread thread_;
    std::mutex wakeLock_;
    std::condition_variable wake_;
    int32_t queued_ = 0;  // buffers queued on the device by this run (feeder thread only)
    std::array<uint8_t, kBufferBytes> buffer_{};
};
