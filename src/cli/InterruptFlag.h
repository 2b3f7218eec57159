#pragma once
// Ctrl-C as Stop: while an object of this class lives, SIGINT only sets a flag that the
// command polls, so long work ends through its own stop path instead of dying half way.
// Blocking reads are interrupted (no SA_RESTART), so a prompt does not hold a stop up.
#include <signal.h>

#include <atomic>
#include <cstdint>

class CInterruptFlag {
  public:
    CInterruptFlag();
    ~CInterruptFlag();
    CInterruptFlag(const CInterruptFlag&) = delete;
    CInterruptFlag& operator=(const CInterruptFlag&) = delete;

    bool Raised() const { return Flag().load() != 0; }

  private:
    static std::atomic<int32_t>& Flag();
    static void OnInterrupt(int);
    struct sigaction previous_ {};
};
