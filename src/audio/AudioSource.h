#pragma once
// Abstract source of CD audio: 44100 Hz, 16-bit little-endian, stereo.  The virtual
// operations keep a fixed order; slots 5 to 8 are reserved and keep the base behaviour.
#include <cstdint>

class CAudioSource {
  public:
    virtual ~CAudioSource() = default;
    // 0 on success, a negative code on failure.
    virtual int32_t Open(const char* path) {
        (void)path;
        return 0;
    }
    // Bytes written to buffer; fewer than n only at the end of the stream.
    virtual int32_t Read(void* buffer, int32_t n) {
        (void)buffer;
        return n;
    }
    virtual void Close() {}
    // Whole seconds.
    virtual int32_t Duration() { return 0; }
    virtual int32_t Reserved5() { return 0; }
    virtual int32_t Reserved6() { return 0; }
    virtual void Reserved7(int32_t) {}
    virtual void Reserved8() {}
};
