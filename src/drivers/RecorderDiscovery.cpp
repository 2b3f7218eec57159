#include "drivers/RecorderDiscovery.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "base/ProcessFlags.h"
#include "base/StartFolder.h"
#include "drivers/2600Driver.h"
#include "drivers/Mmc2Driver.h"
#include "drivers/MmcRawDriver.h"
#include "drivers/MmcTrackDriver.h"
#include "drivers/RicDriver.h"
#include "drivers/SonyDriver.h"
#include "drivers/TeacDriver.h"
#include "scsi/DriverList.h"
#include "scsi/ScsiTransport.h"
#include "ui/LanguageTable.h"
#include "ui/TextFormat.h"

namespace {
template <size_t N>
void CopyText(std::array<char, N>& out, const char* text) {
    out.fill('\0');
    if (text)
        std::snprintf(out.data(), N, "%s", text);
}

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
}  // namespace

CRecorderDiscovery::CRecorderDiscovery(CScsiTransport& transport, CDiscImage& discImage,
                                       IDriverUi& driverUi)
    : transport_(transport), discImage_(discImage), driverUi_(driverUi) {}

CRecorderDiscovery::~CRecorderDiscovery() = default;

void CRecorderDiscovery::AddRecorderCandidate(const char* vendor, const char* product,
                                              const char* revision, const char* driverName,
                                              int32_t deviceIndex) {
    if (candidateCount_ >= kMaxCandidates)
        return;
    CRecorderCandidate& candidate = candidates_[static_cast<size_t>(candidateCount_++)];
    CopyText(candidate.vendor, vendor);
    CopyText(candidate.product, product);
    CopyText(candidate.driverName, driverName);
    CopyText(candidate.revision, revision);
    candidate.deviceIndex = deviceIndex;
}

namespace {
template <typename TDriver>
std::unique_ptr<CCdrDriver> Make(CScsiTransport& transport, CDiscImage& discImage, IDriverUi& ui) {
    return std::make_unique<TDriver>(transport, discImage, ui);
}

struct CDriverKind {
    const char* name;
    std::unique_ptr<CCdrDriver> (*make)(CScsiTransport&, CDiscImage&, IDriverUi&);
};

// The names table, in its order: every name and the class it creates.
constexpr CDriverKind kDriverKinds[] = {
    {"MMC", Make<CCdrDriver>},       {"MMCCDTEXT", Make<CCdrDriver>},
    {"MMCRAW", Make<CMmcRawDriver>}, {"2600", Make<C2600Driver>},
    {"RIC", Make<CRicDriver>},       {"MMC2", Make<CMmc2Driver>},
    {"TEAC", Make<CTeacDriver>},     {"MMCTRACK", Make<CMmcTrackDriver>},
    {"SONY", Make<CSonyDriver>},
};
}  // namespace

std::unique_ptr<CCdrDriver> CRecorderDiscovery::NewDriver(const std::string& name,
                                                          CScsiTransport& transport,
                                                          CDiscImage& discImage, IDriverUi& ui) {
    for (const CDriverKind& kind : kDriverKinds)
        if (name == kind.name)
            return kind.make(transport, discImage, ui);
    return nullptr;
}

std::vector<std::string> CRecorderDiscovery::DriverNames() {
    std::vector<std::string> names;
    for (const CDriverKind& kind : kDriverKinds) names.emplace_back(kind.name);
    return names;
}

int32_t CRecorderDiscovery::CreateDriver(const char* name, int32_t deviceIndex) {
    transport_.SelectDevice(deviceIndex);
    const std::string driverName = name ? name : "";
    std::unique_ptr<CCdrDriver> driver = NewDriver(driverName, transport_, discImage_, driverUi_);
    if (!driver) {
        // Otherwise the user would only learn that no driver was found, not why.
        driverProblem_ =
            FormatText(3000, {driverName.c_str(), transport_.Vendor(), transport_.Product()});
        return 0;
    }
    driverProblem_.clear();
    // Only the CD-TEXT driver offers CD-TEXT; a driver made before for another drive
    // does not leave its flag behind.
    ProcessFlags().cdTextCapable = driverName == "MMCCDTEXT" ? 1 : 0;
    driverDeviceIndex_ = deviceIndex;
    driver_ = std::move(driver);
    driverCreated_ = 1;
    return 1;
}

void CRecorderDiscovery::DetectRecorders(const std::string& startFolder, IChooseRecorder& chooser) {
    aspiLoaded_ = 0;
    driverCreated_ = 0;
    ProcessFlags().cdTextCapable = 0;
    driver_.reset();
    driverProblem_.clear();
    driverDeviceIndex_ = -1;
    candidateCount_ = 0;

    int32_t devices = transport_.ScanPassThrough();
    if (devices > 0) {
        // Written as we go, so that a drive that stalls the scan is the one after the
        // last line.  A log that cannot be created is not written.
        std::unique_ptr<std::FILE, FileCloser> log(
            std::fopen(InFolder(startFolder, "cdrlog.txt").c_str(), "wb"));
        std::string listPath = InFolder(startFolder, "driver.lst");
        for (int32_t i = 0; i < devices; ++i) {
            if (transport_.SelectDevice(i) != 0)
                continue;
            const char* vendor = transport_.Vendor();
            const char* product = transport_.Product();
            const char* revision = transport_.Revision();
            if (log) {
                std::fprintf(log.get(), "Vendor=%s\r\nModel=%s\r\n", vendor, product);
                std::fflush(log.get());
            }
            std::array<char, kDriverNameSize> name{};
            if (LookupDriverName(vendor, product, name, listPath) == 1)
                AddRecorderCandidate(vendor, product, revision, name.data(), i);
            else if (transport_.ReadCapabilities() == 1)
                AddRecorderCandidate(vendor, product, revision, "MMCCDTEXT", i);
        }
    }

    // The driver of the run's choosing, when one was named, serves the chosen recorder.
    auto driverFor = [&](const CRecorderCandidate& c) {
        return driverOverride_.empty() ? c.driverName.data() : driverOverride_.c_str();
    };
    if (candidateCount_ == 1) {
        CreateDriver(driverFor(candidates_[0]), candidates_[0].deviceIndex);
    } else if (candidateCount_ > 1) {
        std::vector<std::string> lines;
        for (int32_t i = 0; i < candidateCount_; ++i) {
            const CRecorderCandidate& c = candidates_[static_cast<size_t>(i)];
            lines.push_back(std::string(c.vendor.data()) + " " + c.product.data() + " " +
                            c.revision.data());
        }
        int32_t chosen = chooser.ChooseRecorder(lines);
        if (chosen >= 0 && chosen < candidateCount_) {
            const CRecorderCandidate& c = candidates_[static_cast<size_t>(chosen)];
            CreateDriver(driverFor(c), c.deviceIndex);
        }
    }
}

std::string CRecorderDiscovery::RecorderLine() const {
    if (!driver_)
        return driverProblem_.empty() ? Text(102) : driverProblem_;
    return FormatText(101, {driver_->Vendor(), driver_->Product(), driver_->Revision()});
}
