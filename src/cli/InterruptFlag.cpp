#include "cli/InterruptFlag.h"

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

std::atomic<int32_t>& CInterruptFlag::Flag() {
    static std::atomic<int32_t> raised{0};  // lock-free: the handler may set it
    return raised;
}

void CInterruptFlag::OnSignal(int signal) {
    int32_t none = 0;
    Flag().compare_exchange_strong(none, signal);
}

CInterruptFlag::CInterruptFlag() {
    Flag().store(0);
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    for (size_t i = 0; i < kSignals.size(); ++i) {
        ::sigaction(kSignals[i], nullptr, &previous_[i]);
        if (previous_[i].sa_handler != SIG_IGN)
            ::sigaction(kSignals[i], &action, nullptr);
    }
}

CInterruptFlag::~CInterruptFlag() {
    for (size_t i = 0; i < kSignals.size(); ++i) ::sigaction(kSignals[i], &previous_[i], nullptr);
}

bool CInterruptFlag::ReadLine(std::string& line) {
    line.clear();
    // The flag is looked at every tenth of a second rather than trusted to break a
    // blocking read.
    while (Flag().load() == 0) {
        pollfd input{STDIN_FILENO, POLLIN, 0};
        const int ready = ::poll(&input, 1, 100);
        if (ready < 0 && errno != EINTR)
            return false;
        if (ready <= 0)
            continue;
        char chunk[64];
        const ssize_t n = ::read(STDIN_FILENO, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return n == 0 && !line.empty();
        const auto got = static_cast<size_t>(n);
        const bool ended = chunk[got - 1] == '\n';
        line.append(chunk, std::min(got - (ended ? 1 : 0), kMaxLine - line.size()));
        if (ended)
            return true;
    }
    return false;
}
