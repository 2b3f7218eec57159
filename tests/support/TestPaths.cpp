#include "support/TestPaths.h"

#include <unistd.h>
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <sstream>
#include <thread>
#include <vector>

namespace fs = std::filesystem;

namespace testpaths {
std::string Fixture(const std::string& name) {
    return std::string(TUNEVARN_FIXTURE_DIR) + "/" + name;
}
std::string SourceDir() {
    return TUNEVARN_SOURCE_DIR;
}
std::string Cli() {
    const char* env = std::getenv("TUNEVARN_CLI");
    return env ? env : std::string(TUNEVARN_BINARY_DIR) + "/src/tunevarn-cli";
}

namespace {
struct Cleanup {
    std::mutex m;
    std::vector<fs::path> dirs;
    ~Cleanup() {
        std::error_code ec;
        for (auto& d : dirs) fs::remove_all(d, ec);
    }
};
Cleanup& cleanup() {
    static Cleanup c;
    return c;
}
}  // namespace

std::string TempDir(const std::string& tag) {
    static int counter = 0;
    std::lock_guard<std::mutex> lock(cleanup().m);
    fs::path dir =
        fs::temp_directory_path() /
        ("tunevarn-" + tag + "-" + std::to_string(::getpid()) + "-" + std::to_string(++counter));
    std::error_code ec;
    fs::remove_all(dir, ec);
    fs::create_directories(dir);
    cleanup().dirs.push_back(dir);
    return dir.string();
}

std::string ReadText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void WriteText(const fs::path& path, const std::string& text) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

std::vector<std::string> FilesIn(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(folder)) names.push_back(e.path().filename());
    std::sort(names.begin(), names.end());
    return names;
}

bool WaitUntil(const std::function<bool()>& ready, int limitMs) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs);
    while (!ready()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}
}  // namespace testpaths
