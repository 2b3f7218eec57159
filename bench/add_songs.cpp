// Listing songs: AddSong over a folder of 1000 tagged MP3 files, against the raw cost
// of opening each file and reading its last 128 bytes, measured in the same run; and
// the peak memory of `tunevarn-cli list` over the same folder.
//
// usage: bench_add_songs [TEMPLATE.mp3]   (default: the 5-second test fixture)
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "songlist/SongList.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {
constexpr int kFiles = 1000;
constexpr int kRounds = 7;

std::vector<char> Tag(int n) {
    std::vector<char> tag(128, 0);
    std::snprintf(tag.data(), tag.size(), "TAGSong %d", n);
    std::snprintf(tag.data() + 33, 30, "Bench Band");
    return tag;
}

double Seconds(Clock::time_point a, Clock::time_point b) {
    return std::chrono::duration<double>(b - a).count();
}

// The floor under any song listing: open, read the last 128 bytes, close.
int RawPass(const std::vector<std::string>& paths) {
    int tags = 0;
    char tail[128];
    for (const auto& p : paths) {
        int fd = ::open(p.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            continue;
        off_t size = ::lseek(fd, 0, SEEK_END);
        if (size >= 128 && ::pread(fd, tail, sizeof tail, size - 128) == 128 && tail[0] == 'T')
            ++tags;
        ::close(fd);
    }
    return tags;
}

int ListPass(const std::vector<std::string>& paths) {
    CSongList list;
    int added = 0;
    for (const auto& p : paths) {
        if (list.TotalSeconds() > 4000)
            list.ClearSongs();  // stay inside the disc budget so every song is really added
        added += list.AddSong(p) == AddSongResult::kAdded;
    }
    return added;
}

long PeakKiBOfCliList(const std::string& folder) {
    pid_t pid = ::fork();
    if (pid == 0) {
        int devnull = ::open("/dev/null", O_WRONLY);
        ::dup2(devnull, 1);
        ::dup2(devnull, 2);
        ::execl(TUNEVARN_CLI_PATH, TUNEVARN_CLI_PATH, "list", folder.c_str(),
                static_cast<char*>(nullptr));
        ::_exit(127);
    }
    int status = 0;
    rusage usage{};
    if (pid < 0 || ::wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) ||
        WEXITSTATUS(status) != 0)
        return -1;
    return usage.ru_maxrss;
}
}  // namespace

int main(int argc, char** argv) {
    std::string templatePath =
        argc > 1 ? argv[1] : std::string(TUNEVARN_FIXTURE_DIR) + "/m1_44100_stereo.mp3";
    std::ifstream in(templatePath, std::ios::binary);
    std::vector<char> audio((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (audio.empty()) {
        std::fprintf(stderr,
                     "bench_add_songs: cannot read %s (run the tests once to make the fixtures)\n",
                     templatePath.c_str());
        return 1;
    }
    fs::path dir = fs::temp_directory_path() / ("tunevarn-bench-add-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    std::vector<std::string> paths;
    for (int i = 0; i < kFiles; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "song%04d.mp3", i);
        paths.push_back((dir / name).string());
        std::ofstream out(paths.back(), std::ios::binary);
        out.write(audio.data(), static_cast<std::streamsize>(audio.size()));
        auto tag = Tag(i);
        out.write(tag.data(), static_cast<std::streamsize>(tag.size()));
    }

    // Warm the cache, then alternate the two passes so both see the same conditions.
    RawPass(paths);
    ListPass(paths);
    std::vector<double> raw, list;
    int tags = 0, added = 0;
    for (int r = 0; r < kRounds; ++r) {
        auto t0 = Clock::now();
        tags = RawPass(paths);
        auto t1 = Clock::now();
        added = ListPass(paths);
        auto t2 = Clock::now();
        raw.push_back(kFiles / Seconds(t0, t1));
        list.push_back(kFiles / Seconds(t1, t2));
    }
    std::sort(raw.begin(), raw.end());
    std::sort(list.begin(), list.end());
    double rawMedian = raw[kRounds / 2], listMedian = list[kRounds / 2];
    std::printf("files: %d (%zu bytes each, ID3 version 1 tagged), rounds: %d, medians:\n", kFiles,
                audio.size() + 128, kRounds);
    std::printf("  raw open + last 128 bytes: %10.0f files/s  (%d tags)\n", rawMedian, tags);
    std::printf("  CSongList::AddSong:        %10.0f files/s  (%d added)\n", listMedian, added);
    std::printf("  ratio AddSong / raw:       %10.2f  (target >= 0.50)\n", listMedian / rawMedian);
    long peak = PeakKiBOfCliList(dir.string());
    std::printf("  tunevarn-cli list peak RSS: %ld KiB  (target < 16384 KiB)\n", peak);
    std::error_code ec;
    fs::remove_all(dir, ec);
    return 0;
}
