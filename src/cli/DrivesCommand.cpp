// tunevarn-cli drives: runs the recorder discovery of start-up and shows what it found.
#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "app/BurnerApp.h"
#include "app/StartFolder.h"
#include "cli/CliDriverUi.h"
#include "cli/CliRecorderChoice.h"
#include "cli/Commands.h"
#include "disc/DiscImage.h"
#include "scsi/BackendChoice.h"
#include "scsi/DriverList.h"
#include "scsi/RecorderDiscovery.h"
#include "scsi/ScsiTransport.h"
#include "ui/DisplayText.h"

namespace {
bool ParseChoice(const std::string& text, int32_t& value) {
    if (text.empty() || text.size() > 3)
        return false;
    value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
        value = value * 10 + (c - '0');
    }
    return value >= 1;
}

// The driver name start-up gives the device: the list's, else "MMCCDTEXT" for a drive
// that writes CD-R, else none.
std::string DriverNameOf(const char* vendor, const char* product, bool writes,
                         const std::string& listPath) {
    std::array<char, kDriverNameSize> name{};
    if (LookupDriverName(vendor, product, name, listPath) == 1)
        return name.data();
    return writes ? "MMCCDTEXT" : "";
}

bool CreatesDriver(const std::string& name) {
    const std::vector<std::string> names = CRecorderDiscovery::DriverNames();
    return std::find(names.begin(), names.end(), name) != names.end();
}
}  // namespace

int RunDrives(const std::vector<std::string>& args) {
    int32_t choice = 0;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--choose" && i + 1 < args.size() && ParseChoice(args[i + 1], choice)) {
            ++i;
        } else {
            std::fprintf(stderr, "tunevarn-cli: drives: unexpected '%s'\n", args[i].c_str());
            return Usage();
        }
    }

    std::string problem;
    auto backend = ChooseScsiBackendFromEnvironment(problem);
    if (!problem.empty()) {
        std::fprintf(stderr, "tunevarn-cli: %s\n", problem.c_str());
        return 1;
    }
    // Discovery as start-up runs it, in the application's own objects.
    CCliDriverUi driverUi;
    auto app = std::make_unique<CBurnerApp>(CaptureStartFolder(), driverUi);
    app->Transport().UseBackend(std::move(backend));
    CScsiTransport& transport = app->Transport();
    CRecorderDiscovery& discovery = app->Recorders();
    CCliRecorderChoice chooser(choice);
    discovery.DetectRecorders(app->StartFolder(), chooser);

    for (const std::string& note : transport.ScanNotes())
        std::fprintf(stderr, "tunevarn-cli: %s\n", DisplayText(note).c_str());

    // Discovery asks only what it needs; for the listing every device that answers is
    // asked about CD-R writing and looked up in the list, then the recorder's device is
    // selected again.
    const std::string listPath = InFolder(app->StartFolder(), "driver.lst");
    for (int32_t i = 0; i < transport.DeviceCount(); ++i) {
        std::string name = DisplayText(transport.DeviceName(i));
        if (transport.SelectDevice(i) != 0) {
            std::string why = transport.DeviceProblem(i);
            std::printf("%s: does not answer INQUIRY%s%s\n", name.c_str(), why.empty() ? "" : ": ",
                        DisplayText(why).c_str());
            continue;
        }
        std::string identification = DisplayText(std::string(transport.Vendor()) + " " +
                                                 transport.Product() + " " + transport.Revision());
        bool writes = transport.ReadCapabilities() == 1;
        std::string driver =
            DriverNameOf(transport.Vendor(), transport.Product(), writes, listPath);
        bool chosen = discovery.Driver() != nullptr && discovery.DriverDeviceIndex() == i;
        std::string note = chosen ? " (chosen)" : "";
        if (!driver.empty() && !CreatesDriver(driver))
            note = " (no such driver here)";
        std::printf("%s: %s; writes CD-R: %s; driver: %s%s\n", name.c_str(), identification.c_str(),
                    writes ? "yes" : "no", driver.empty() ? "none" : DisplayText(driver).c_str(),
                    note.c_str());
    }
    if (discovery.Driver() != nullptr)
        transport.SelectDevice(discovery.DriverDeviceIndex());
    std::printf("%s\n", DisplayText(discovery.RecorderLine()).c_str());
    if (std::fflush(stdout) != 0)
        return 1;
    return chooser.BadPreset() ? 1 : 0;
}
