#include "base/StartFolder.h"

#include <unistd.h>

#include <cstdlib>
#include <memory>

std::string CaptureStartFolder() {
    // No fixed limit: a deep start folder must not be cut into another folder's name.
    std::unique_ptr<char, decltype(&std::free)> cwd(::getcwd(nullptr, 0), &std::free);
    if (!cwd)
        return std::string();
    std::string folder(cwd.get());
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    return folder;
}

std::string InFolder(const std::string& folder, const std::string& name) {
    if (!folder.empty() && folder.back() == '/')
        return folder + name;
    return folder + "/" + name;
}
