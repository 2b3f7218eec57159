#include "player/PlayerFeeder.h"

#include <algorithm>
#include <chrono>

#include "audio/AudioSource.h"
#include "player/AudioOutput.h"

CPlayerFeeder::~CPlayerFeeder() {
    Stop();
}

void CPlayerFeeder::Start() {
    Stop();
    // The flags are set before the thread exists, so that a Stop or Play that comes
    // before the thread has been scheduled already sees a running feeder.
    songFinished.store(0);
    keepPlaying.store(1);
    feederRunning.store(1);
    thread_ = std::thread([this] { Run(); });
}

void CPlayerFeeder::Stop() {
    {
        // Under the lock, so the feeder cannot miss the wake-up between its test of
        // the flag and its wait.
        std::lock_guard<std::mutex> lock(wakeLock_);
        keepPlaying.store(0);
    }
    wake_.notify_all();
    Join();
}

void CPlayerFeeder::Join() {
    if (thread_.joinable())
        thread_.join();
}

bool CPlayerFeeder::WaitForRoom(int32_t limit) {
    for (;;) {
        std::chrono::milliseconds recheckIn{0};
        int32_t played = output_.PlayedBuffers(recheckIn);
        if (queued_ - played < limit)
            return true;
        std::unique_lock<std::mutex> lock(wakeLock_);
        if (wake_.wait_for(lock, std::max(recheckIn, std::chrono::milliseconds(1)),
                           [this] { return keepPlaying.load() == 0; }))
            return false;
    }
}

void CPlayerFeeder::Run() {
    queued_ = 0;
    bool deviceFailed = false;
    while (keepPlaying.load() != 0) {
        if (!WaitForRoom(kBuffers))
            break;
        int32_t n = decoder_.Read(buffer_.data(), kBufferBytes);
        if (n > 0) {
            if (!output_.Queue(buffer_.data(), n)) {
                deviceFailed = true;
                break;
            }
            ++queued_;
        }
        // A short read, none at all included, is the end of the song.
        if (n < kBufferBytes)
            break;
    }
    // The end of a song is heard to its last frame; a stop is not kept waiting.
    if (!deviceFailed && keepPlaying.load() != 0)
        WaitForRoom(1);
    output_.Stop();
    output_.Close();
    decoder_.Close();
    // A device that failed is not a song that ended: moving on would only fail again.
    if (!deviceFailed && keepPlaying.load() != 0)
        songFinished.store(1);
    feederRunning.store(0);
}
