#pragma once
// What the player asks of its window.  The texts come ready to show (UTF-8).  The two
// timers call back into CPlayer on the window's thread: the clock's OnClockTick, and
// the delayed start's OnDelayedStart.
#include <cstdint>
#include <string>

class IPlayerView {
  public:
    virtual ~IPlayerView() = default;

    // The song's number and title (control 1014).
    virtual void SetNameLine(const std::string& text) = 0;
    // Elapsed and total time (control 1013).
    virtual void SetTimeLine(const std::string& text) = 0;
    virtual void SetWindowTitle(const std::string& text) = 0;

    // Timer 9999: CPlayer::OnClockTick every milliseconds until StopClock.  Starting a
    // running clock starts it afresh.
    virtual void StartClock(int32_t milliseconds) = 0;
    virtual void StopClock() = 0;

    // A single-shot timer: CPlayer::OnDelayedStart once, milliseconds from now.  Asking
    // again before it fires replaces the earlier request.
    virtual void StartDelayedStart(int32_t milliseconds) = 0;
    virtual void CancelDelayedStart() = 0;
};
