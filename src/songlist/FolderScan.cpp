#include "songlist/FolderScan.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <set>
#include <utility>

#include "base/AsciiText.h"

namespace {
bool NameBefore(const std::string& a, const std::string& b) {
    size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        char x = AsciiLower(a[i]), y = AsciiLower(b[i]);
        if (x != y)
            return static_cast<unsigned char>(x) < static_cast<unsigned char>(y);
    }
    if (a.size() != b.size())
        return a.size() < b.size();
    return a < b;
}

using FolderId = std::pair<dev_t, ino_t>;

struct ScanState {
    std::vector<std::string>& out;
    std::vector<std::string>* tooDeep;
    std::set<FolderId> seen;
};

void Walk(const std::string& folder, ScanState& scan, int depth) {
    if (depth > kMaxScanDepth) {
        if (scan.tooDeep != nullptr)
            scan.tooDeep->push_back(folder);
        return;
    }
    struct stat st {};
    if (::stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
        return;
    std::set<FolderId>& seen = scan.seen;
    if (!seen.insert({st.st_dev, st.st_ino}).second)
        return;
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr)
        return;
    std::vector<std::string> names;
    while (dirent* entry = ::readdir(dir)) {
        if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0)
            names.emplace_back(entry->d_name);
    }
    ::closedir(dir);
    std::sort(names.begin(), names.end(), NameBefore);

    std::string base = folder;
    if (base.empty() || base.back() != '/')
        base += '/';
    for (const std::string& name : names) {
        std::string path = base + name;
        struct stat entry {};
        if (::stat(path.c_str(), &entry) != 0)
            continue;
        if (S_ISDIR(entry.st_mode)) {
            if (name[0] != '.')
                Walk(path, scan, depth + 1);
        } else if (HasMp3Extension(name)) {
            scan.out.push_back(std::move(path));
        }
    }
}
}  // namespace

bool HasMp3Extension(const std::string& name) {
    return HasExtension(name, ".mp3");
}

void CollectMp3Files(const std::string& folder, std::vector<std::string>& out,
                     std::vector<std::string>* tooDeep) {
    ScanState scan{out, tooDeep, {}};
    Walk(folder, scan, 0);
}
