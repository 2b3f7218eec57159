#include "drivers/DriverMessageQueue.h"

#include <chrono>

CDriverMessageQueue::CDriverMessageQueue(IDriverUi& shown)
    : shown_(shown), owner_(std::this_thread::get_id()) {}

uint64_t CDriverMessageQueue::Enqueue(const std::string& text, bool trace) {
    uint64_t number = 0;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        number = ++lastQueued_;
        queue_.push_back({text, trace, number});
    }
    changed_.notify_all();
    if (wakeUp_)
        wakeUp_();
    return number;
}

void CDriverMessageQueue::ReportError(const std::string& text) {
    if (std::this_thread::get_id() == owner_) {
        ShowPending();  // in order: what came earlier first
        shown_.ReportError(text);
        return;
    }
    const uint64_t number = Enqueue(text, false);
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [&] { return lastShown_ >= number; });
}

void CDriverMessageQueue::TraceLine(const std::string& line) {
    if (std::this_thread::get_id() == owner_) {
        ShowPending();
        shown_.TraceLine(line);
        return;
    }
    Enqueue(line, true);
}

int32_t CDriverMessageQueue::ShowPending() {
    int32_t messages = 0;
    for (;;) {
        Item item;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (queue_.empty())
                break;
            item = std::move(queue_.front());
            queue_.pop_front();
        }
        // Shown without the lock: the box may stay up for as long as the user likes.
        if (item.trace) {
            shown_.TraceLine(item.text);
        } else {
            shown_.ReportError(item.text);
            ++messages;
        }
        {
            std::lock_guard<std::mutex> lock(mutex_);
            lastShown_ = item.number;
        }
        changed_.notify_all();
    }
    return messages;
}

void CDriverMessageQueue::Notify() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        ++notifications_;
    }
    changed_.notify_all();
}

bool CDriverMessageQueue::WaitUntil(const std::function<bool()>& done, int32_t milliseconds) {
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    for (;;) {
        uint64_t seen = 0;
        {
            // Taken before looking at done(): a notification after it wakes the wait.
            std::lock_guard<std::mutex> lock(mutex_);
            seen = notifications_;
        }
        ShowPending();
        if (done())
            return true;
        std::unique_lock<std::mutex> lock(mutex_);
        auto woken = [&] { return !queue_.empty() || notifications_ != seen; };
        if (milliseconds < 0) {
            changed_.wait(lock, woken);
        } else if (!changed_.wait_until(lock, deadline, woken)) {
            lock.unlock();
            ShowPending();
            return done();
        }
    }
}
