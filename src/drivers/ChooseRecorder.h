#pragma once
// The question discovery asks when it finds more than one recorder: the select-drive
// dialog (title text 960 "Select CDR Drive", prompt text 961), a list of lines in
// candidate order with the first one selected, OK or Cancel.
#include <cstdint>
#include <string>
#include <vector>

class IChooseRecorder {
  public:
    virtual ~IChooseRecorder() = default;
    // The index of the chosen line, or -1 for Cancel.
    virtual int32_t ChooseRecorder(const std::vector<std::string>& lines) = 0;
};
