#include "cli/CliDriverUi.h"

#include <cstdio>

#include "cli/CliSupport.h"

void CCliDriverUi::ReportError(const std::string& text) {
    std::fprintf(stderr, "trace: %s\n", TerminalLines(text).c_str());
    std::fflush(stderr);
}
