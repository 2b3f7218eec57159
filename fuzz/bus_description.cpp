// The virtual bus description read from a file of the fuzzer's text, and, when it is
// taken, discovery run over the bus it describes (identification, the capabilities page,
// canned replies, the choice among several recorders).  Input: the file.
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "disc/DiscImage.h"
#include "drivers/ChooseRecorder.h"
#include "drivers/DriverUi.h"
#include "drivers/RecorderDiscovery.h"
#include "scsi/ScsiTransport.h"
#include "support/FuzzInput.h"
#include "support/Require.h"
#include "support/ScratchFolder.h"
#include "virtualdrive/VirtualBus.h"
#include "virtualdrive/VirtualBusDescription.h"

namespace {
class CQuietUi : public IDriverUi {
  public:
    void ReportError(const std::string&) override {}
};

class CLastChoice : public IChooseRecorder {
  public:
    int32_t ChooseRecorder(const std::vector<std::string>& lines) override {
        return static_cast<int32_t>(lines.size()) - 1;
    }
};
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string start = MakeScratchFolder("start");
    CFuzzInput in(data, size);
    const std::string path = WriteScratchFile("bus.txt", in.Rest());

    std::vector<CVirtualDevice::Config> devices;
    std::string error;
    if (!LoadVirtualBusDescription(path, "", devices, error)) {
        REQUIRE(devices.empty() && !error.empty());
        return 0;
    }
    REQUIRE(error.empty() && devices.size() <= kMaxBusDescriptionDevices);
    for (CVirtualDevice::Config& config : devices) {
        REQUIRE(config.vendor.size() <= 8 && config.product.size() <= 16 &&
                config.revision.size() <= 4);
        REQUIRE(config.bufferBytes >= 2352 && config.maximumTransfer >= 2048);
        // Nothing of the fuzzer's may land in a real folder, and nothing may wait on a clock.
        config.outputFolder.clear();
        config.realTime = false;
    }

    CScsiTransport transport(std::make_unique<CVirtualBus>(devices));
    // A settling drive's pauses are taken at once: each would cost seconds of a run.
    transport.SetSleep([](int32_t) {});
    CDiscImage image;
    CQuietUi ui;
    CRecorderDiscovery discovery(transport, image, ui);
    CLastChoice chooser;
    discovery.DetectRecorders(start, chooser);
    REQUIRE(transport.DeviceCount() ==
            std::min<int32_t>(static_cast<int32_t>(devices.size()), CScsiTransport::kMaxDevices));
    REQUIRE(discovery.CandidateCount() <= CRecorderDiscovery::kMaxCandidates);
    REQUIRE(!discovery.RecorderLine().empty());
    return 0;
}
