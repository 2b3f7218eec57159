#pragma once
// What a recorder driver asks of the user interface.  ReportError shows the text in a
// message box with the caption "trace" and an OK button, and returns only once the user
// has closed it: the writing thread must not go on meanwhile.  It may be called from the
// recording worker thread, so a windowed front end hands the box to its own thread and
// waits there.  TraceLine is the diagnostic channel; it shows nothing by default.
#include <string>

class IDriverUi {
  public:
    virtual ~IDriverUi() = default;
    virtual void ReportError(const std::string& text) = 0;
    virtual void TraceLine(const std::string& /*line*/) {}
};
