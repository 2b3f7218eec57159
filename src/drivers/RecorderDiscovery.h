#pragma once
// Finding the CD recorders at start-up: scan the bus, identify each device, consult
// "driver.lst" or the capabilities page to decide whether it is a recorder and which
// driver serves it, let the user choose when there are several, and create that driver.
// The results hold for the whole run; there is no re-scan.
//
// The device log "cdrlog.txt" in the start folder is written at every discovery that
// finds at least one device: "Vendor=...", "Model=..." for each device that answers
// INQUIRY, in scan order, lines ending in CR LF.
#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "drivers/CdrDriver.h"
#include "drivers/ChooseRecorder.h"
#include "drivers/RecorderCandidate.h"
#include "scsi/ScsiTransport.h"

class CDiscImage;
class IDriverUi;

class CRecorderDiscovery {
  public:
    // Every recorder among the devices a scan records can be chosen.
    static constexpr int32_t kMaxCandidates = CScsiTransport::kMaxDevices;

    CRecorderDiscovery(CScsiTransport& transport, CDiscImage& discImage, IDriverUi& driverUi);
    ~CRecorderDiscovery();
    CRecorderDiscovery(const CRecorderDiscovery&) = delete;
    CRecorderDiscovery& operator=(const CRecorderDiscovery&) = delete;

    // The whole discovery over the transport's backend, which the caller chose (a
    // transport without one finds no device); "driver.lst" is read from and
    // "cdrlog.txt" written to startFolder.
    void DetectRecorders(const std::string& startFolder, IChooseRecorder& chooser);

    // Appends a candidate when fewer than kMaxCandidates exist; texts are cut to 31
    // characters.
    void AddRecorderCandidate(const char* vendor, const char* product, const char* revision,
                              const char* driverName, int32_t deviceIndex);

    // Selects the device and creates the driver of that name: 1, or 0 when the name
    // creates no driver.  "MMC" and "MMCCDTEXT" create the generic MMC driver (the
    // latter also sets CD-TEXT capable, which any other driver clears), "MMCRAW" the raw
    // driver, "MMC2" and "MMCTRACK" the MMC variants, "2600", "RIC", "TEAC" and "SONY"
    // the drivers of those vendor command sets.
    int32_t CreateDriver(const char* name, int32_t deviceIndex);
    // The driver a name creates (compared exactly, case-sensitively), or null.
    static std::unique_ptr<CCdrDriver> NewDriver(const std::string& name, CScsiTransport& transport,
                                                 CDiscImage& discImage, IDriverUi& ui);
    // The names that create a driver, in the order of the names table.
    static std::vector<std::string> DriverNames();
    // A driver name that serves the chosen recorder in place of the one "driver.lst"
    // or the capabilities page gave it ("" for none): a user's choice for one run.
    void SetDriverOverride(std::string name) { driverOverride_ = std::move(name); }

    CCdrDriver* Driver() const { return driver_.get(); }
    int32_t CandidateCount() const { return candidateCount_; }
    const CRecorderCandidate& Candidate(int32_t index) const {
        return candidates_[static_cast<size_t>(index)];
    }
    int32_t DriverCreated() const { return driverCreated_; }
    int32_t DriverDeviceIndex() const { return driverDeviceIndex_; }
    int32_t AspiLoaded() const { return aspiLoaded_; }

    // The main window's recorder line: text 101 with the driver's vendor, product and
    // revision, or text 102 when there is no driver.
    std::string RecorderLine() const;

  private:
    CScsiTransport& transport_;
    CDiscImage& discImage_;
    IDriverUi& driverUi_;
    int32_t aspiLoaded_ = 0;
    int32_t driverCreated_ = 0;
    std::unique_ptr<CCdrDriver> driver_;
    int32_t driverDeviceIndex_ = -1;
    int32_t candidateCount_ = 0;
    std::array<CRecorderCandidate, kMaxCandidates> candidates_{};
    std::string driverOverride_;
    // Why the chosen recorder got no driver, when driver.lst named one we do not have.
    std::string driverProblem_;
};
