#include "cli/ProgressBar.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>

#include "cli/CliSupport.h"

namespace {
constexpr int32_t kBarCells = 30;
}

CProgressBar::CProgressBar() : enabled_(::isatty(STDERR_FILENO) == 1) {}

std::string CProgressBar::Line(int32_t perMille, const std::string& label) {
    perMille = std::clamp(perMille, 0, 1000);
    int32_t cells = perMille * kBarCells / 1000;
    std::string line = TerminalText(label);
    line += line.empty() ? "[" : " [";
    line.append(static_cast<size_t>(cells), '#');
    line.append(static_cast<size_t>(kBarCells - cells), '.');
    char percent[16];
    std::snprintf(percent, sizeof percent, "] %3d%%", perMille / 10);
    return line + percent;
}

void CProgressBar::Show(int32_t perMille, const std::string& label) {
    if (!enabled_)
        return;
    int32_t percent = std::clamp(perMille, 0, 1000) / 10;
    if (drawn_ && percent == shownPercent_ && label == shownLabel_)
        return;
    std::string line = Line(perMille, label);
    // Blanks over whatever a longer line before left on the terminal.
    size_t width = DisplayWidth(line);
    if (width < width_)
        line.append(width_ - width, ' ');
    width_ = std::max(width_, width);
    std::fprintf(stderr, "\r%s", line.c_str());
    std::fflush(stderr);
    drawn_ = true;
    shownPercent_ = percent;
    shownLabel_ = label;
}

void CProgressBar::Clear() {
    if (!drawn_)
        return;
    std::fprintf(stderr, "\r%*s\r", static_cast<int>(width_), "");
    std::fflush(stderr);
    drawn_ = false;
    width_ = 0;
}
