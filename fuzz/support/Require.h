#pragma once
// The harnesses' checks of what must hold beyond "no crash": a failed one names itself
// and aborts, which libFuzzer reports as a crash with the input that caused it.
#include <cstdio>
#include <cstdlib>

[[noreturn]] inline void RequireFailed(const char* condition, const char* file, int line) {
    std::fprintf(stderr, "%s:%d: required: %s\n", file, line, condition);
    std::abort();
}

#define REQUIRE(condition) \
    ((condition) ? static_cast<void>(0) : RequireFailed(#condition, __FILE__, __LINE__))
