#pragma once
// Starting and stopping a recording run: the worker thread of the Record dialog's Test
// and Record buttons and the wait of its Stop.  Every wait here serves the drivers'
// messages (see CDriverMessageQueue), so a Stop that waits for a worker which is showing
// a message cannot hang.  The thread is always joined: a run that is still going when
// the object ends is stopped first.
#include <atomic>
#include <cstdint>
#include <thread>

#include "drivers/DriverMessageQueue.h"

struct CRecordSession;

class CRecordRun {
  public:
    // messages: the queue through which the run's driver reports; its owner thread is
    // the one that starts, waits for and stops the run.
    explicit CRecordRun(CDriverMessageQueue& messages) : messages_(messages) {}
    ~CRecordRun();
    CRecordRun(const CRecordRun&) = delete;
    CRecordRun& operator=(const CRecordRun&) = delete;

    // Starts RecordWorker (state) on a new thread; false when a run is still going.
    // state must outlive the run.
    bool Start(CRecordSession& state);
    // True from Start until the worker has returned.
    bool Active() const { return active_.load() != 0; }
    // Asks the run to stop and waits until the worker has ended (the Record dialog's
    // Stop); nothing happens when no run is going.
    void Stop();
    // Waits up to milliseconds (negative: for ever) for the worker to end, without asking
    // it to stop.  True when no run is going any more.
    bool Wait(int32_t milliseconds = -1);

  private:
    void Join();

    CDriverMessageQueue& messages_;
    CRecordSession* state_ = nullptr;
    std::thread worker_;
    std::atomic<int32_t> active_{0};
};
