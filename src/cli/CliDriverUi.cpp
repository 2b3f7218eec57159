#include "cli/CliDriverUi.h"

#include <cstdio>

void CCliDriverUi::ReportError(const std::string& text) {
    std::fprintf(stderr, "trace: %s\n", text.c_str());
    std::fflush(stderr);
}
