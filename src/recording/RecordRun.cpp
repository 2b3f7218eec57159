#include "recording/RecordRun.h"

#include "recording/RecordSession.h"
#include "recording/RecordWorker.h"

CRecordRun::~CRecordRun() {
    Stop();
}

bool CRecordRun::Start(CRecordSession& state) {
    if (Active())
        return false;
    Join();  // the previous run's thread has ended; collect it
    state_ = &state;
    active_ = 1;
    worker_ = std::thread([this, &state] {
        RecordWorker(state);
        active_ = 0;
        messages_.Notify();
    });
    return true;
}

void CRecordRun::Stop() {
    if (Active() && state_ != nullptr)
        state_->stopRequested = 1;
    Wait(-1);
}

bool CRecordRun::Wait(int32_t milliseconds) {
    if (!messages_.WaitUntil([this] { return !Active(); }, milliseconds))
        return false;
    Join();
    return true;
}

void CRecordRun::Join() {
    if (worker_.joinable())
        worker_.join();
}
