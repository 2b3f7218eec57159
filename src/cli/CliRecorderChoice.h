#pragma once
// The select-drive question on a terminal.  With --choose N the answer is given in
// advance; otherwise, on an interactive terminal, the lines are listed and a number is
// read; anything else (no terminal, no number) is Cancel.
#include <cstdint>

#include "drivers/ChooseRecorder.h"

class CCliRecorderChoice : public IChooseRecorder {
  public:
    // preset: 1-based answer given in advance, 0 for none; option: how the command line
    // gives it, for the messages.
    explicit CCliRecorderChoice(int32_t preset, const char* option = "--choose")
        : preset_(preset), option_(option) {}
    int32_t ChooseRecorder(const std::vector<std::string>& lines) override;
    // True when the answer given in advance named no line.
    bool BadPreset() const { return badPreset_; }

  private:
    int32_t preset_ = 0;
    const char* option_;
    bool badPreset_ = false;
};
