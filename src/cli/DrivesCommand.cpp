// tunevarn-cli drives: runs the recorder discovery of start-up and shows what it found.
#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "app/BackendChoice.h"
#include "app/BurnerApp.h"
#include "base/StartFolder.h"
#include "cli/CliArgs.h"
#include "cli/CliCommands.h"
#include "cli/CliDriverUi.h"
#include "cli/CliRecorderChoice.h"
#include "cli/CliSupport.h"
#include "cli/Commands.h"
#include "disc/DiscImage.h"
#include "drivers/RecorderDiscovery.h"
#include "scsi/DriverList.h"
#include "scsi/ScsiTransport.h"

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

int RunDrives(const CCliArgs& args) {
    int32_t choice = 0;
    if (args.Has("--choose") && !ParseChoice(args.Value("--choose"), choice))
        return args.Error("--choose takes the number of a recorder from 1, not '" +
                          args.Value("--choose") + "'");
    if (!args.Operands().empty())
        return args.Error("unexpected '" + args.Operands()[0] + "'");

    std::string problem;
    auto backend = ChooseScsiBackendFromEnvironment(problem);
    if (!problem.empty()) {
        std::fprintf(stderr, "tunevarn-cli: %s\n", problem.c_str());
        return kExitFailed;
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
        std::fprintf(stderr, "tunevarn-cli: %s\n", TerminalText(note).c_str());

    // Discovery asks only what it needs; for the listing every device that answers is
    // asked about CD-R writing and looked up in the list, then the recorder's device is
    // selected again.
    const std::string listPath = InFolder(app->StartFolder(), "driver.lst");
    for (int32_t i = 0; i < transport.DeviceCount(); ++i) {
        std::string name = TerminalText(transport.DeviceName(i));
        if (transport.SelectDevice(i) != 0) {
            std::string why = transport.DeviceProblem(i);
            std::printf("%s: does not answer INQUIRY%s%s\n", name.c_str(), why.empty() ? "" : ": ",
                        TerminalText(why).c_str());
            continue;
        }
        std::string identification = TerminalText(std::string(transport.Vendor()) + " " +
                                                  transport.Product() + " " + transport.Revision());
        bool writes = transport.ReadCapabilities() == 1;
        std::string driver =
            DriverNameOf(transport.Vendor(), transport.Product(), writes, listPath);
        bool chosen = discovery.Driver() != nullptr && discovery.DriverDeviceIndex() == i;
        std::string note = chosen ? " (chosen)" : "";
        if (!driver.empty() && !CreatesDriver(driver))
            note = " (no such driver here)";
        std::printf("%s: %s; writes CD-R: %s; driver: %s%s\n", name.c_str(), identification.c_str(),
                    writes ? "yes" : "no", driver.empty() ? "none" : TerminalText(driver).c_str(),
                    note.c_str());
    }
    if (discovery.Driver() != nullptr)
        transport.SelectDevice(discovery.DriverDeviceIndex());
    std::printf("%s\n", TerminalText(discovery.RecorderLine()).c_str());
    if (std::fflush(stdout) != 0)
        return 1;
    return chooser.BadPreset() ? 1 : 0;
}
