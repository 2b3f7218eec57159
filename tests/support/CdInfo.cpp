#include "support/CdInfo.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <regex>
#include <sstream>

#include "support/RunCommand.h"

namespace testpaths {
namespace {
std::string Which(const std::string& program) {
    std::stringstream path(std::getenv("PATH") ? std::getenv("PATH") : "/usr/bin:/bin");
    std::string folder;
    while (std::getline(path, folder, ':'))
        if (::access((folder + "/" + program).c_str(), X_OK) == 0)
            return folder + "/" + program;
    return "";
}
}  // namespace

CdInfo ReadWithCdInfo(const std::string& cue) {
    const std::string cdInfo = Which("cd-info");
    EXPECT_NE(cdInfo, "") << "libcdio-utils is not installed";
    auto r = RunProgram({cdInfo, "--no-device-info", "--cue-file", cue});
    EXPECT_EQ(r.status, 0) << r.err;
    CdInfo info;
    std::regex track(R"(^\s*(\d+): (\d\d:\d\d:\d\d)\s+(\d+) (audio|leadout))");
    std::regex title(R"(^\s+TITLE: (.*)$)");
    std::stringstream lines(r.out);
    std::string line;
    std::smatch m;
    while (std::getline(lines, line)) {
        if (std::regex_search(line, m, track)) {
            if (m[4] == "leadout") {
                info.leadOut = std::stoi(m[3]);
            } else {
                info.lsn.push_back(std::stoi(m[3]));
            }
        } else if (std::regex_search(line, m, title)) {
            info.titles.push_back(m[1]);
        }
    }
    return info;
}
}  // namespace testpaths
