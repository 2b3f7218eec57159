#include "app/BackendChoice.h"

#include <unistd.h>

#include <cstdlib>
#include <vector>

#include "base/FileIo.h"
#include "scsi/LinuxSgIoSystem.h"
#include "scsi/SgIoBackend.h"
#include "virtualdrive/VirtualBus.h"
#include "virtualdrive/VirtualBusDescription.h"
#include "virtualdrive/VirtualImage.h"

std::unique_ptr<IScsiBackend> ChooseScsiBackend(const char* virtualFolder, const char* busFile,
                                                std::string& problem) {
    problem.clear();
    std::string folder = virtualFolder ? virtualFolder : "";
    std::string bus = busFile ? busFile : "";
    // The folder is not made here: a mistyped name would scatter disc images about.
    if (!folder.empty() && !IsFolder(folder)) {
        problem = std::string(kVirtualRecorderVariable) + ": " + folder +
                  (::access(folder.c_str(), F_OK) == 0 ? ": not a folder" : ": does not exist");
        return CVirtualBus::Broken(problem);
    }
    // A folder the images cannot go to would lose every disc at its first block.
    if (const std::string why = folder.empty() ? "" : CVirtualImage::FolderProblem(folder);
        !why.empty()) {
        problem =
            std::string(kVirtualRecorderVariable) + ": " + folder + ": cannot be written: " + why;
        return CVirtualBus::Broken(problem);
    }
    if (!bus.empty()) {
        std::vector<CVirtualDevice::Config> devices;
        if (!LoadVirtualBusDescription(bus, folder, devices, problem)) {
            problem = std::string(kVirtualBusVariable) + ": " + problem;
            return CVirtualBus::Broken(problem);
        }
        return std::make_unique<CVirtualBus>(devices);
    }
    if (!folder.empty()) {
        CVirtualDevice::Config recorder;
        recorder.outputFolder = folder;
        return std::make_unique<CVirtualBus>(std::vector<CVirtualDevice::Config>{recorder});
    }
    return std::make_unique<CSgIoBackend>(std::make_unique<CLinuxSgIoSystem>());
}

std::unique_ptr<IScsiBackend> ChooseScsiBackendFromEnvironment(std::string& problem) {
    return ChooseScsiBackend(std::getenv(kVirtualRecorderVariable),
                             std::getenv(kVirtualBusVariable), problem);
}
