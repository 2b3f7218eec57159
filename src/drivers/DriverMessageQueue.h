#pragma once
// The drivers' messages when the write runs on a worker thread.  ReportError must hold
// the writing thread until the user has acknowledged the message, but the message box
// belongs to the user-interface thread, and that thread may itself be waiting for the
// worker (Stop waits for the run to end).  So a message from another thread is queued
// and its sender waits; the user-interface thread shows queued messages whenever it
// waits for the run (WaitUntil) and whenever the front end's wake-up call asks it to
// (ShowPending).  A wait for the worker therefore always serves the worker's messages,
// and the two threads can never wait for each other.
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "drivers/DriverUi.h"

class CDriverMessageQueue : public IDriverUi {
  public:
    // shown: the front end's message box and trace channel, only ever called on the
    // owner thread, the one that creates the queue.
    explicit CDriverMessageQueue(IDriverUi& shown);
    CDriverMessageQueue(const CDriverMessageQueue&) = delete;
    CDriverMessageQueue& operator=(const CDriverMessageQueue&) = delete;

    // On the owner thread: shown at once.  On any other: queued, and returns once the
    // owner thread has shown it and the user has acknowledged it.
    void ReportError(const std::string& text) override;
    // Queued like a message, but its sender does not wait.
    void TraceLine(const std::string& line) override;

    // Called on the sending thread when something was queued: a windowed front end posts
    // a call of ShowPending to its own thread.  Set before any other thread reports.
    void SetWakeUp(std::function<void()> wakeUp) { wakeUp_ = std::move(wakeUp); }

    // Owner thread: shows what is queued, each message until acknowledged.  Returns how
    // many messages (not trace lines) were shown.
    int32_t ShowPending();
    // Owner thread: waits up to milliseconds (negative: for ever) until done() holds,
    // showing messages as they come.  True when done() held.
    bool WaitUntil(const std::function<bool()>& done, int32_t milliseconds);
    // Any thread: what done() looks at may have changed.
    void Notify();

  private:
    struct Item {
        std::string text;
        bool trace = false;
        uint64_t number = 0;
    };
    uint64_t Enqueue(const std::string& text, bool trace);

    IDriverUi& shown_;
    std::thread::id owner_;
    std::function<void()> wakeUp_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Item> queue_;
    uint64_t lastQueued_ = 0;
    uint64_t lastShown_ = 0;
    uint64_t notifications_ = 0;
};
