#include "cli/InterruptFlag.h"

std::atomic<int32_t>& CInterruptFlag::Flag() {
    static std::atomic<int32_t> raised{0};  // lock-free: the handler may set it
    return raised;
}

void CInterruptFlag::OnInterrupt(int) {
    Flag().store(1);
}

CInterruptFlag::CInterruptFlag() {
    Flag().store(0);
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGINT, &action, &previous_);
}

CInterruptFlag::~CInterruptFlag() {
    ::sigaction(SIGINT, &previous_, nullptr);
}
