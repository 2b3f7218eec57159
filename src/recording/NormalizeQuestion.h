#pragma once
// The "Normalizing info" question: whether normalization starts switched on in the
// Record dialog.  Asked once per installation, when "nml.log" does not exist yet; the
// Qt dialog, the command line (from an option, else "on") and the tests answer it.
#include <cstdint>

class INormalizeQuestion {
  public:
    virtual ~INormalizeQuestion() = default;
    // Shows the question and returns the chosen radio index once it is closed: 0 for
    // "Yes, I'd like the normalizing ON by default", 1 for "No, ... OFF by default".
    // Closing it without OK keeps the previous choice, 0 at first.
    virtual int32_t AskNormalizeDefault() = 0;
};
