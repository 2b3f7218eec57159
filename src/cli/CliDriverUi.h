#pragma once
// The driver's messages on a terminal: ReportError prints "trace: TEXT" on stderr,
// which is all the acknowledgement a script can give.
#include "drivers/DriverUi.h"

class CCliDriverUi : public IDriverUi {
  public:
    void ReportError(const std::string& text) override;
};
