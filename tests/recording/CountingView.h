#pragma once
// A run's view that counts the ends of writing the worker posts to it.
#include <atomic>
#include <cstdint>

#include "recording/RecordRunView.h"

class CCountingView : public IRecordRunView {
  public:
    void PostWriteEnded() override { ++posted; }
    std::atomic<int32_t> posted{0};
};
