#include "app/ImageRecorder.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "base/AsciiText.h"
#include "base/FileIo.h"
#include "ui/LanguageTable.h"
#include "virtualdrive/VirtualBus.h"
#include "virtualdrive/VirtualImage.h"

namespace {
using Model = CVirtualDeviceConfig::Model;

// Which command set each driver writes with; the MMC names all take the generic one.
Model ModelOfDriver(const std::string& name) {
    static const std::pair<const char*, Model> kModels[] = {
        {"MMCRAW", Model::kMmcRaw}, {"MMC2", Model::kMmc2}, {"MMCTRACK", Model::kTrackAtOnce},
        {"2600", Model::k2600},     {"RIC", Model::kRic},   {"SONY", Model::kSony},
        {"TEAC", Model::kTeac}};
    for (const auto& [driver, model] : kModels)
        if (EqualNoCase(name, driver))
            return model;
    return Model::kMmc;
}
}  // namespace

CVirtualDeviceConfig ImageRecorderConfig(const std::string& folder, const std::string& driverName) {
    CVirtualDeviceConfig config;
    config.product = "IMAGE FILE";
    config.model = ModelOfDriver(driverName);
    config.outputFolder = folder;
    config.commandLog = false;
    return config;
}

std::string ImageFolderProblem(const std::string& folder) {
    if (folder.empty())
        return "no folder given";
    if (!IsFolder(folder))
        return ::access(folder.c_str(), F_OK) == 0 ? "not a folder" : "does not exist";
    // A folder the image cannot go to would lose the disc at its first block.
    if (const std::string why = CVirtualImage::FolderProblem(folder); !why.empty())
        return "cannot be written: " + why;
    return "";
}

CImageRecorderBackend::CImageRecorderBackend(std::unique_ptr<IScsiBackend> drives,
                                             CVirtualDeviceConfig image)
    : drives_(std::move(drives)), config_(std::move(image)) {
    SetFolder(config_.outputFolder);
}

CImageRecorderBackend::~CImageRecorderBackend() = default;

void CImageRecorderBackend::SetFolder(const std::string& folder) {
    config_.outputFolder = folder;
    image_ = std::make_unique<CVirtualBus>(std::vector<CVirtualDeviceConfig>{config_});
    image_->Scan();
    if (imageSelected_)
        image_->Select(0);
}

std::string CImageRecorderBackend::LastImage() const {
    return image_->Device(0).LastImage();
}

std::string CImageRecorderBackend::RecorderLine() const {
    return config_.vendor + " " + config_.product + " " + config_.revision;
}

int32_t CImageRecorderBackend::Scan() {
    // The image recorder always gets a place of its own on the bus.
    driveCount_ = drives_ ? std::clamp(drives_->Scan(), 0, kMaxDevices - 1) : 0;
    imageSelected_ = false;
    image_->Scan();
    return DeviceCount();
}

std::string CImageRecorderBackend::DeviceName(int32_t index) const {
    if (index == driveCount_)
        return "image file";
    return drives_ ? drives_->DeviceName(index) : "";
}

bool CImageRecorderBackend::Select(int32_t index) {
    imageSelected_ = index == driveCount_;
    if (imageSelected_)
        return image_->Select(0);
    return drives_ && index >= 0 && index < driveCount_ && drives_->Select(index);
}

IScsiBackend& CImageRecorderBackend::Current() {
    if (imageSelected_ || !drives_)
        return *image_;
    return *drives_;
}

uint32_t CImageRecorderBackend::MaximumTransfer() const {
    if (imageSelected_ || !drives_)
        return image_->MaximumTransfer();
    return drives_->MaximumTransfer();
}

IScsiBackend::Outcome CImageRecorderBackend::Send(const Request& request) {
    return Current().Send(request);
}

std::string CImageRecorderBackend::Problem(int32_t index) const {
    if (index == driveCount_ || !drives_)
        return "";
    return drives_->Problem(index);
}

std::vector<std::string> CImageRecorderBackend::ScanNotes() const {
    return drives_ ? drives_->ScanNotes() : std::vector<std::string>{};
}

std::unique_ptr<IScsiBackend> WithImageRecorder(std::unique_ptr<IScsiBackend> drives) {
    return std::make_unique<CImageRecorderBackend>(std::move(drives), ImageRecorderConfig("", ""));
}

int32_t CImageRecorderChoice::ChooseRecorder(const std::vector<std::string>& lines) {
    if (lines.empty() || lines.back() != imageLine_)
        return ui_.ChooseRecorder(lines);
    // One drive: taken without a question, as it always was.
    if (lines.size() == 2)
        return 0;
    std::vector<std::string> shown = lines;
    shown.back() = Text(kImageFileText);
    return ui_.ChooseRecorder(shown);
}
