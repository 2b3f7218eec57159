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
#include <set>
#include <system_error>
#include <vector>

#include "base/FileIo.h"
#include "base/NoFollowFolder.h"

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

Manifest ParseManifest(const std::vector<char>& bytes) {
    Manifest manifest;
    std::string text(bytes.begin(), bytes.end());
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

std::string ManifestText(const Manifest& manifest) {
    std::string text;
    for (const auto& [path, value] : manifest) {
        char hex[17];
        std::snprintf(hex, sizeof hex, "%016" PRIx64, value);
        text += hex;
        text += ' ';
        text += path;
        text += '\n';
    }
    return text;
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

bool SeedStartFolder(const std::string& shipped, const std::string& folder, std::string& problem,
                     std::string& leftAlone) {
    problem.clear();
    leftAlone.clear();
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (!IsFolder(folder)) {
        problem = "cannot create the folder " + folder + ": " +
                  (ec ? ec.message() : std::string("something else is there"));
        return false;
    }
    CNoFollowFolder root(folder);
    if (!root.IsOpen()) {
        problem = "cannot open the folder " + folder + ": " + std::strerror(root.Error());
        return false;
    }
    std::set<std::string> users;  // what is in the way, left alone as the user's
    bool manifestOurs = true;
    Manifest manifest;
    switch (root.Look(kManifest)) {
        case CNoFollowFolder::Entry::kFile:
            if (auto bytes = root.Read(kManifest))
                manifest = ParseManifest(*bytes);
            break;
        case CNoFollowFolder::Entry::kMissing:
            break;
        default:
            manifestOurs = false;  // a link or anything else the user put there
            users.insert(kManifest);
            break;
    }
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

        bool copy = false;
        std::string blocker;
        switch (root.Look(rel, &blocker)) {
            case CNoFollowFolder::Entry::kMissing:
                copy = true;  // never there, or removed by the user: seed it (again)
                break;
            case CNoFollowFolder::Entry::kFile: {
                auto recorded = manifest.find(rel);
                auto present = root.Read(rel);
                if (!present)
                    break;
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
                break;
            }
            case CNoFollowFolder::Entry::kReadOnly:
                users.insert(rel + " (read-only)");
                break;
            case CNoFollowFolder::Entry::kOther:
                users.insert(blocker);  // a link, or a file where a folder is shipped
                break;
            case CNoFollowFolder::Entry::kFailed:
                Note(problem,
                     "cannot look at " + folder + "/" + rel + ": " + std::strerror(root.Error()));
                break;
        }
        if (!copy)
            continue;
        if (!root.Write(rel, bytes->data(), bytes->size(), &blocker)) {
            if (!blocker.empty())
                users.insert(blocker);
            else
                Note(problem, "cannot write in " + (fs::path(folder) / rel).parent_path().string() +
                                  ": " + std::strerror(root.Error()));
            continue;
        }
        manifest[rel] = shippedPrint;
        manifestChanged = true;
    }
    if (manifestChanged && manifestOurs) {
        std::string text = ManifestText(manifest);
        if (!root.Write(kManifest, text.data(), text.size()))
            Note(problem, "cannot write in " + folder + ": " + std::strerror(root.Error()));
    }
    for (const std::string& user : users) leftAlone += (leftAlone.empty() ? "" : ", ") + user;
    if (!leftAlone.empty())
        leftAlone = "left alone in " + folder + " as yours: " + leftAlone;
    return problem.empty();
}

bool EnterDesktopStartFolder(std::string& problem, std::string& leftAlone) {
    problem.clear();
    leftAlone.clear();
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
        problem = IsFolder(folder) ? "no installed data found beside " + executable.string()
                                   : "cannot create the folder " + folder + ": " + ec.message();
    } else {
        SeedStartFolder(shipped, folder, problem, leftAlone);
    }
    // A folder that cannot be made was named with the reason; entering it would only
    // say that it is not there.
    if (!IsFolder(folder))
        return false;
    if (::chdir(folder.c_str()) != 0) {
        problem = "cannot enter " + folder + ": " + std::strerror(errno);
        return false;
    }
    return true;
}
