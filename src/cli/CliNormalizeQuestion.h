#pragma once
// The "Normalizing info" question on a terminal: answered from the command line's
// --normalize-default option, "on" when it is not given, and said on stderr, since the
// answer is stored (nml.log in the current folder) for every later run.
#include <cstdint>
#include <cstdio>

#include "recording/NormalizeQuestion.h"

class CCliNormalizeQuestion : public INormalizeQuestion {
  public:
    explicit CCliNormalizeQuestion(bool on) : on_(on) {}
    int32_t AskNormalizeDefault() override {
        std::fprintf(stderr,
                     "tunevarn-cli: Normalizing info: normalizing %s by default from now on "
                     "(nml.log)\n",
                     on_ ? "ON" : "OFF");
        return on_ ? 0 : 1;
    }

  private:
    bool on_;
};
