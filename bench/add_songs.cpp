// Listing songs: AddSong over a folder of 1000 MP3 files tagged as taggers tag them
// today (an ID3 version 2 tag with title, artist and a 300 KB cover picture), against
// the raw cost of opening each file and reading its tags' bytes (the version 2 tag by the
// size its header gives, and the last 128 bytes), measured in the same run; and the
// peak memory of `tunevarn-cli list` over the same folder.
//
// usage: bench_add_songs [TEMPLATE.mp3]   (default: an 8-second test fixture that lame
//                                          encoded with its Info frame)
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
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
constexpr size_t kPictureBytes = 300 * 1024;

void Put(std::vector<char>& out, const std::string& bytes) {
    out.insert(out.end(), bytes.begin(), bytes.end());
}

// An ID3 version 2.3 frame: name, 32-bit size, two flag bytes, the body.
void Frame(std::vector<char>& out, const char* name, const std::string& body) {
    Put(out, name);
    for (int shift : {24, 16, 8, 0}) out.push_back(static_cast<char>(body.size() >> shift));
    out.push_back(0);
    out.push_back(0);
    Put(out, body);
}

// Title "Song n", artist, and a picture of noise with a frame header every 997 bytes.
std::vector<char> Tag(int n) {
    static const std::string picture = [] {
        std::string p(kPictureBytes, '\0');
        uint32_t seed = 2026;
        for (char& c : p) c = static_cast<char>((seed = seed * 1103515245u + 12345u) >> 16);
        for (size_t at = 0; at + 4 < p.size(); at += 997) p.replace(at, 4, "\xFF\xFB\x90\x64");
        return p;
    }();
    std::vector<char> frames;
    Frame(frames, "TIT2", std::string(1, '\0') + "Song " + std::to_string(n));
    Frame(frames, "TPE1", std::string(1, '\0') + "Bench Band");
    Frame(frames, "APIC", std::string("\0image/jpeg\0\x03\0", 14) + picture);
    std::vector<char> tag = {'I', 'D', '3', 3, 0, 0};
    for (int shift : {21, 14, 7, 0})
        tag.push_back(static_cast<char>(frames.size() >> shift & 0x7F));
    tag.insert(tag.end(), frames.begin(), frames.end());
    return tag;
}

double Seconds(Clock::time_point a, Clock::time_point b) {
    return std::chrono::duration<double>(b - a).count();
}

// The floor under any song listing: open, read the version 2 tag by its header's size
// and the last 128 bytes, close.
int RawPass(const std::vector<std::string>& paths) {
    int tags = 0;
    std::vector<unsigned char> tag(2 * kPictureBytes);
    for (const auto& p : paths) {
        int fd = ::open(p.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            continue;
        unsigned char header[10];
        if (::pread(fd, header, sizeof header, 0) == 10 && header[0] == 'I') {
            size_t size =
                static_cast<size_t>(header[6] << 21 | header[7] << 14 | header[8] << 7 | header[9]);
            tag.resize(std::max(tag.size(), size));
            tags += ::pread(fd, tag.data(), size, 10) == static_cast<ssize_t>(size);
        }
        off_t end = ::lseek(fd, 0, SEEK_END);
        if (end >= 128 && ::pread(fd, tag.data(), 128, end - 128) != 128)
            --tags;
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
        argc > 1 ? argv[1] : std::string(TUNEVARN_FIXTURE_DIR) + "/exact_cbr_8s.mp3";
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
        auto tag = Tag(i);
        out.write(tag.data(), static_cast<std::streamsize>(tag.size()));
        out.write(audio.data(), static_cast<std::streamsize>(audio.size()));
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
    std::printf(
        "files: %d (%zu bytes each, ID3 version 2 tag with a %zu KB picture), rounds: %d, "
        "medians:\n",
        kFiles, audio.size() + Tag(0).size(), kPictureBytes / 1024, kRounds);
    std::printf("  raw open + tags' bytes:    %10.0f files/s  (%d tags)\n", rawMedian, tags);
    std::printf("  CSongList::AddSong:        %10.0f files/s  (%d added)\n", listMedian, added);
    std::printf("  ratio AddSong / raw:       %10.2f  (target >= 0.50)\n", listMedian / rawMedian);
    CSongList one;
    one.AddSong(paths.front());
    std::printf("  title listed:              %s\n",
                one.RowCount() == 1 ? one.Title(0).c_str() : "-");
    long peak = PeakKiBOfCliList(dir.string());
    std::printf("  tunevarn-cli list peak RSS: %ld KiB  (target < 16384 KiB)\n", peak);
    std::error_code ec;
    fs::remove_all(dir, ec);
    return 0;
}
