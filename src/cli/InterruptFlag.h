#pragma once
// Ctrl-C, SIGTERM, SIGHUP and SIGPIPE as Stop: while an object of this class lives,
// these signals only record which came, and the command polls that, so long work ends
// through its own stop path (the drive released and ejected, no half-written file)
// instead of dying half way.  SIGPIPE comes with a write to an output that was closed
// (`tunevarn-cli burn ... | head`): the write fails and the work stops.  One signal is enough:
// later ones change nothing.  A signal the program was started with ignored (nohup) stays ignored.
// Blocking reads are interrupted (no SA_RESTART), but only on the thread the signal
// comes to, and not when it comes just before the read: questions on the terminal are
// read with ReadLine, which looks at the flag while it waits.
#include <signal.h>

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>

class CInterruptFlag {
  public:
    CInterruptFlag();
    ~CInterruptFlag();
    CInterruptFlag(const CInterruptFlag&) = delete;
    CInterruptFlag& operator=(const CInterruptFlag&) = delete;

    bool Raised() const { return Flag().load() != 0; }
    // The first signal that came (SIGINT, SIGTERM, SIGHUP or SIGPIPE), 0 when none.
    int32_t Signal() const { return Flag().load(); }
    // The exit status of a command stopped by that signal: 128 + its number.
    int ExitStatus() const { return 128 + Signal(); }

    // Reads a line typed on standard input, without its end (kept to kMaxLine bytes, the
    // rest read and dropped).  False when a signal came first (while a flag lives), or
    // the input ended before anything was typed.
    static constexpr size_t kMaxLine = 256;
    static bool ReadLine(std::string& line);

  private:
    static constexpr std::array<int, 4> kSignals = {SIGINT, SIGTERM, SIGHUP, SIGPIPE};
    static std::atomic<int32_t>& Flag();
    static void OnSignal(int signal);
    std::array<struct sigaction, kSignals.size()> previous_{};
};
