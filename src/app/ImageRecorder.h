#pragma once
// The "Image file" recorder, for users without a drive: a virtual recorder that writes
// the disc it is given as BIN/CUE files (with the CD-TEXT packs, and the subchannels
// when written raw) into a folder, through the same drivers and commands as a real
// drive.  It keeps no command log: the folder gets the image and nothing else.
//
// CImageRecorderBackend puts it on the bus after the drives of another backend, so that
// discovery finds it as the last recorder; its folder can change between runs.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "drivers/ChooseRecorder.h"
#include "scsi/ScsiBackend.h"
#include "virtualdrive/VirtualDeviceConfig.h"

class CVirtualBus;

constexpr int32_t kImageFileText = 4024;  // "Image file"

// The recorder writing into folder ("" for none yet), of the command set that the named
// driver writes with; a generic MMC recorder with CD-TEXT for "" and every MMC name.
CVirtualDeviceConfig ImageRecorderConfig(const std::string& folder, const std::string& driverName);

// Why images cannot go into folder, "" when they can.
std::string ImageFolderProblem(const std::string& folder);

class CImageRecorderBackend : public IScsiBackend {
  public:
    // drives may be null: the image recorder alone.
    CImageRecorderBackend(std::unique_ptr<IScsiBackend> drives, CVirtualDeviceConfig image);
    ~CImageRecorderBackend() override;

    // The drives' own backend, null for none.
    IScsiBackend* Drives() const { return drives_.get(); }
    // The image recorder's device index after a scan.
    int32_t ImageDevice() const { return driveCount_; }
    // The folder the next disc goes to.  A fresh recorder of the same kind takes it, so
    // only between runs.
    void SetFolder(const std::string& folder);
    const std::string& Folder() const { return config_.outputFolder; }
    // The cue file of the last image written, "" when none yet.
    std::string LastImage() const;
    // The line discovery lists the recorder by ("vendor product revision").
    std::string RecorderLine() const;

    int32_t Scan() override;
    int32_t DeviceCount() const override { return driveCount_ + 1; }
    std::string DeviceName(int32_t index) const override;
    bool Select(int32_t index) override;
    uint32_t MaximumTransfer() const override;
    Outcome Send(const Request& request) override;
    std::string Problem(int32_t index) const override;
    std::vector<std::string> ScanNotes() const override;

  private:
    IScsiBackend& Current();

    std::unique_ptr<IScsiBackend> drives_;
    CVirtualDeviceConfig config_;
    std::unique_ptr<CVirtualBus> image_;
    int32_t driveCount_ = 0;
    bool imageSelected_ = false;
};

// The drives of `drives` and, after them, the image recorder (no folder yet): the way to
// the drives of the desktop program.
std::unique_ptr<IScsiBackend> WithImageRecorder(std::unique_ptr<IScsiBackend> drives);

// The recorder question at start-up with the image recorder among the candidates: its
// line reads "Image file", and a user with one drive is not asked (the drive is taken),
// as without the image recorder.
class CImageRecorderChoice : public IChooseRecorder {
  public:
    CImageRecorderChoice(IChooseRecorder& ui, std::string imageLine)
        : ui_(ui), imageLine_(std::move(imageLine)) {}
    int32_t ChooseRecorder(const std::vector<std::string>& lines) override;

  private:
    IChooseRecorder& ui_;
    std::string imageLine_;
};
