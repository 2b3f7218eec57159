#include "app/DesktopStartFolder.h"

#include <pwd.h>
#include <unistd.h>

#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <optional>
#include <system_error>
#include <vector>

#include "app/FileIo.h"

namespace fs = std::filesystem;

namespace {
constexpr char kManifest[] = ".shipped";

std::optional<std::vector<char>> ReadWhole(const std::string& path) {
    CFile file;
    if (!file.OpenForReading(path.c_str()))
        return std::nullopt;
    std::vector<char> bytes(static_cast<size_t>(file.Size()));
    int64_t got = file.ReadAt(0, bytes.data(), bytes.size());
    if (got < 0)
        return std::nullopt;
    bytes.resize(static_cast<size_t>(got));
    return bytes;
}

// FNV-1a: enough to tell whether a small data file changed, and stable across builds.
uint64_t Fingerprint(const std::vector<char>& bytes) {
    uint64_t h = 14695981039346656037ull;
    for (char c : bytes) {
        h ^= static_cast<unsigned char>(c);
        h *= 1099511628211ull;
    }
    return h;
}

// The manifest: one line per file copied from the shipped data, "<fingerprint> <path>",
// the fingerprint of the shipped file as it was copied, the path relative to the folder.
using Manifest = std::map<std::string, uint64_t>;

Manifest ReadManifest(const std::string& folder) {
    Manifest manifest;
    auto bytes = ReadWhole(folder + "/" + kManifest);
    if (!bytes)
        return manifest;
    std::string text(bytes->begin(), bytes->end());
    size_t at = 0;
    while (at < text.size()) {
        size_t end = text.find('\n', at);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(at, end - at);
        at = end + 1;
        if (line.size() < 18 || line[16] != ' ')
            continue;
        std::string hex = line.substr(0, 16);
        char* stop = nullptr;
        uint64_t value = std::strtoull(hex.c_str(), &stop, 16);
        if (stop != hex.c_str() + hex.size())
            continue;
        manifest[line.substr(17)] = value;
    }
    return manifest;
}

bool WriteManifest(const std::string& folder, const Manifest& manifest) {
    std::string text;
    for (const auto& [path, value] : manifest) {
        char hex[17];
        std::snprintf(hex, sizeof hex, "%016" PRIx64, value);
        text += hex;
        text += ' ';
        text += path;
        text += '\n';
    }
    return WriteFileReplacing(folder + "/" + kManifest, text.data(), text.size());
}

void Note(std::string& problem, const std::string& what) {
    if (problem.empty())
        problem = what;
}
}  // namespace

std::string DesktopStartFolderFor(const char* xdgDataHome, const char* home) {
    // A relative XDG_DATA_HOME is invalid and must be ignored.
    if (xdgDataHome != nullptr && xdgDataHome[0] == '/')
        return (fs::path(xdgDataHome) / "tunevarn").lexically_normal().string();
    if (home != nullptr && home[0] == '/')
        return (fs::path(home) / ".local/share/tunevarn").lexically_normal().string();
    return std::string();
}

std::string DesktopStartFolder() {
    const char* home = std::getenv("HOME");
    if (home == nullptr || home[0] != '/') {
        const passwd* entry = ::getpwuid(::getuid());
        home = entry != nullptr ? entry->pw_dir : nullptr;
    }
    return DesktopStartFolderFor(std::getenv("XDG_DATA_HOME"), home);
}

std::string ShippedDataFolder(const std::string& executable) {
    if (executable.empty())
        return std::string();
    fs::path data = fs::path(executable).parent_path().parent_path() / "share" / "tunevarn";
    std::string folder = data.lexically_normal().string();
    return IsFolder(folder) ? folder : std::string();
}

bool SeedStartFolder(const std::string& shipped, const std::string& folder, std::string& problem) {
    problem.clear();
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (!IsFolder(folder)) {
        Note(problem, "cannot create the folder " + folder);
        return false;
    }
    Manifest manifest = ReadManifest(folder);
    bool manifestChanged = false;

    fs::recursive_directory_iterator walk(shipped, fs::directory_options::skip_permission_denied,
                                          ec);
    if (ec) {
        Note(problem, "cannot read the installed data in " + shipped);
        return false;
    }
    for (auto end = fs::recursive_directory_iterator(); walk != end; walk.increment(ec)) {
        if (ec) {
            Note(problem, "cannot read the installed data in " + shipped);
            break;
        }
        if (!walk->is_regular_file(ec))
            continue;
        std::string rel = walk->path().lexically_relative(shipped).string();
        if (rel.empty() || rel == kManifest || rel.find('\n') != std::string::npos)
            continue;
        auto bytes = ReadWhole(walk->path().string());
        if (!bytes) {
            Note(problem, "cannot read " + walk->path().string());
            continue;
        }
        uint64_t shippedPrint = Fingerprint(*bytes);
        fs::path target = fs::path(folder) / rel;

        bool copy = false;
        fs::file_status status = fs::symlink_status(target, ec);
        if (!fs::exists(status)) {
            copy = true;  // never there, or removed by the user: seed it (again)
        } else if (fs::is_regular_file(status)) {
            auto recorded = manifest.find(rel);
            auto present = ReadWhole(target.string());
            if (present) {
                uint64_t presentPrint = Fingerprint(*present);
                if (recorded == manifest.end()) {
                    // Already there (an older start folder): adopt it if it is ours.
                    if (presentPrint == shippedPrint) {
                        manifest[rel] = shippedPrint;
                        manifestChanged = true;
                    }
                } else if (presentPrint == recorded->second && shippedPrint != recorded->second) {
                    copy = true;  // untouched since copied, and the installed one is newer
                }
            }
        }
        // Anything else there (a folder, a link, a file the user changed) is the user's.
        if (!copy)
            continue;
        fs::create_directories(target.parent_path(), ec);
        if (!WriteFileReplacing(target.string(), bytes->data(), bytes->size())) {
            Note(problem, "cannot write " + target.string());
            continue;
        }
        manifest[rel] = shippedPrint;
        manifestChanged = true;
    }
    if (manifestChanged && !WriteManifest(folder, manifest))
        Note(problem, "cannot write " + folder + "/" + kManifest);
    return problem.empty();
}

bool EnterDesktopStartFolder(std::string& problem) {
    problem.clear();
    std::string folder = DesktopStartFolder();
    if (folder.empty()) {
        problem = "no home folder to keep the settings in";
        return false;
    }
    std::error_code ec;
    fs::path executable = fs::read_symlink("/proc/self/exe", ec);
    std::string shipped = ec ? std::string() : ShippedDataFolder(executable.string());
    if (shipped.empty()) {
        fs::create_directories(folder, ec);
        problem = "no installed data found beside " + executable.string();
    } else {
        SeedStartFolder(shipped, folder, problem);
    }
    if (::chdir(folder.c_str()) != 0) {
        problem = "cannot enter " + folder + ": " + std::strerror(errno);
        return false;
    }
    return true;
}
