#include "cli/CliRecorderChoice.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "cli/CliSupport.h"
#include "cli/InterruptFlag.h"
#include "ui/LanguageTable.h"

int32_t CCliRecorderChoice::ChooseRecorder(const std::vector<std::string>& lines) {
    int32_t count = static_cast<int32_t>(lines.size());
    if (preset_ > 0) {
        if (preset_ <= count)
            return preset_ - 1;
        badPreset_ = true;
        if (count == 1)
            std::fprintf(stderr, "tunevarn-cli: %s %d: there is one recorder\n", option_, preset_);
        else
            std::fprintf(stderr, "tunevarn-cli: %s %d: there are %d recorders\n", option_, preset_,
                         count);
        return -1;
    }
    if (!::isatty(STDIN_FILENO)) {
        std::fprintf(stderr, "tunevarn-cli: %s: %d recorders; choose one with %s N\n",
                     TerminalText(Text(960)).c_str(), count, option_);
        return -1;
    }
    std::fprintf(stderr, "%s\n%s\n", TerminalText(Text(960)).c_str(),
                 TerminalText(Text(961)).c_str());
    for (int32_t i = 0; i < count; ++i)
        std::fprintf(stderr, "  %d  %s\n", i + 1,
                     TerminalText(lines[static_cast<size_t>(i)]).c_str());
    std::fprintf(stderr, "[1-%d, empty to cancel]: ", count);
    std::fflush(stderr);
    std::string answer;
    if (!CInterruptFlag::ReadLine(answer))
        return -1;
    char* end = nullptr;
    long n = std::strtol(answer.c_str(), &end, 10);
    if (end == answer.c_str() || n < 1 || n > count)
        return -1;
    return static_cast<int32_t>(n - 1);
}
