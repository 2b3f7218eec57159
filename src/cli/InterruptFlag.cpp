#include "cli/InterruptFlag.h"

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
