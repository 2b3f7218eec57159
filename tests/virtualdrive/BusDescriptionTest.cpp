// The virtual bus description file and the choice of backend from the environment.
#include <gtest/gtest.h>

#include <filesystem>
#include <tuple>

#include "app/BackendChoice.h"
#include "scsi/SgIoBackend.h"
#include "support/Mp3Craft.h"
#include "support/TestPaths.h"
#include "virtualdrive/VirtualBus.h"
#include "virtualdrive/VirtualBusDescription.h"

namespace {
using Fault = CVirtualDevice::Fault;

TEST(BusDescription, ReadsEverySettingOfSeveralDevices) {
    const std::string folder = testpaths::TempDir("busout");
    const std::string text =
        "# two recorders and a disk\r\n"
        "[device]\r\n"
        "vendor = ACME   # trailing comment\n"
        "Product=BURNER RW\n"
        "disc = written\n"
        "recorded = 1000\n"
        "lead-in = 97:27:01\n"
        "buffer = 2097152\n"
        "speed = 16\n"
        "max-transfer = 131072\n"
        "cd-text = no\n"
        "bufe = no\n"
        "real-time = yes\n"
        "fault = 2a 3 2/04/08 5\n"
        "fault = 0x5C 1 transport *\n"
        "reply = 5A 00 2A : 00 0A\n"
        "model = MMC-RAW\n"
        "block-types = 3 2\n"
        "[DEVICE]\n"
        "type = disk\n"
        "writes-cdr = no\n"
        "model = tao\n"
        "[device]\n"
        "block-types =\n"
        "output = " +
        folder + "\n";
    std::vector<CVirtualDevice::Config> devices;
    std::string error;
    ASSERT_TRUE(ParseVirtualBusDescription(text, "/default", devices, error)) << error;
    ASSERT_EQ(devices.size(), 3u);
    const auto& a = devices[0];
    EXPECT_EQ(a.vendor + "|" + a.product, "ACME|BURNER RW");
    EXPECT_EQ(a.disc, CVirtualDevice::Disc::kWritten);
    EXPECT_EQ(a.recordedBlocks, 1000);
    EXPECT_EQ(a.leadInMinute * 10000 + a.leadInSecond * 100 + a.leadInFrame, 972701);
    EXPECT_EQ(a.bufferBytes, 2097152u);
    EXPECT_EQ(a.maxSpeed, 16);
    EXPECT_EQ(a.maximumTransfer, 131072u);
    EXPECT_FALSE(a.cdText || a.bufe);
    EXPECT_TRUE(a.realTime);
    EXPECT_EQ(a.outputFolder, "/default");
    ASSERT_EQ(a.faults.size(), 2u);
    EXPECT_EQ(a.faults[0].operationCode, 0x2A);
    EXPECT_EQ(a.faults[0].first, 3);
    EXPECT_EQ(a.faults[0].times, 5);
    EXPECT_EQ(a.faults[0].senseKey * 0x10000 + a.faults[0].asc * 0x100 + a.faults[0].ascq,
              0x020408);
    EXPECT_EQ(a.faults[1].kind, Fault::Kind::kTransport);
    EXPECT_EQ(a.faults[1].times, -1);
    ASSERT_EQ(a.replies.size(), 1u);
    EXPECT_EQ(a.replies[0].cdbPrefix, (std::vector<uint8_t>{0x5A, 0x00, 0x2A}));
    EXPECT_EQ(a.replies[0].data, (std::vector<uint8_t>{0x00, 0x0A}));
    EXPECT_EQ(a.model, CVirtualDeviceConfig::Model::kMmcRaw);
    EXPECT_EQ(a.rawBlockTypes, (std::vector<int32_t>{3, 2}));
    EXPECT_FALSE(devices[1].cdDevice || devices[1].writesCdr);
    EXPECT_TRUE(devices[1].bufe && !devices[1].realTime);
    EXPECT_EQ(devices[1].model, CVirtualDeviceConfig::Model::kTrackAtOnce);
    EXPECT_TRUE(devices[2].rawBlockTypes.empty()) << "a raw drive that takes none";
    EXPECT_EQ(devices[2].outputFolder, folder);
}

TEST(BusDescription, RefusesWhatItCannotUseNamingTheLine) {
    const char* const wrong[] = {
        "[device]\ncolour = red\n",      "[device]\nvendor = TOO LONG VENDOR\n",
        "[device]\nproduct = A\x01Z\n",  "[device]\nlead-in = 97:60:00\n",
        "[device]\nspeed = 8x\n",        "[device]\nfault = 2A 0 busy\n",
        "[device]\nfault = 2A 1 2/04\n", "[device]\nreply = 5A 00 2A 00 0A\n",
        "[device]\noutput = /no/such\n", "[device]\noutput = /sys\n",
        "[device]\njust words\n",        "[device]\nmodel = yamaha\n",
        "[device]\nblock-types = 1 4\n", "[device]\nblock-types = 2 2\n",
    };
    for (const char* text : wrong) {
        std::vector<CVirtualDevice::Config> devices;
        std::string error;
        EXPECT_FALSE(ParseVirtualBusDescription(text, "", devices, error)) << text;
        EXPECT_TRUE(devices.empty());
        EXPECT_EQ(error.rfind("line 2: ", 0), 0u) << error;
    }
    std::string many;
    for (int i = 0; i < 65; ++i) many += "[device]\n";
    std::vector<CVirtualDevice::Config> devices;
    std::string error;
    EXPECT_FALSE(ParseVirtualBusDescription(many, "", devices, error));
    EXPECT_EQ(error.rfind("line 65: ", 0), 0u) << error;
    EXPECT_FALSE(ParseVirtualBusDescription("vendor = X\n", "", devices, error));
    EXPECT_TRUE(ParseVirtualBusDescription("# nothing\n", "", devices, error));
    EXPECT_TRUE(devices.empty());
}

TEST(BackendChoice, SgIoUnlessTheVirtualRecorderIsConfigured) {
    std::string problem;
    auto real = ChooseScsiBackend(nullptr, "", problem);
    EXPECT_TRUE(problem.empty());
    EXPECT_NE(dynamic_cast<CSgIoBackend*>(real.get()), nullptr);

    // (The virtual recorder alone: every window and command test burns on it.)  A
    // description's devices write into the recorder's folder unless they name one.
    const std::string folder = testpaths::TempDir("vrec");
    const std::string file = folder + "/bus.txt";
    testpaths::WriteText(file, "[device]\n[device]\n");
    auto described = ChooseScsiBackend(folder.c_str(), file.c_str(), problem);
    auto* bus = dynamic_cast<CVirtualBus*>(described.get());
    ASSERT_NE(bus, nullptr);
    EXPECT_EQ(bus->BusSize(), 2);
    EXPECT_EQ(bus->Device(1).Configuration().outputFolder, folder);

    // A broken configuration never falls back to the real drives, and says which setting
    // is wrong and why (not even root may make files in /sys: the system's reason follows).
    // A folder named for the recorder that is not there is not made.
    mp3craft::WriteBytes(file, {'x', '\n'});
    const std::string busVariable = std::string(kVirtualBusVariable) + ": ",
                      missing = folder + "/discs";
    const std::string recorder = std::string(kVirtualRecorderVariable) + ": ";
    const std::tuple<const char*, const char*, std::string> broken[] = {
        {nullptr, file.c_str(), busVariable + file + ": line 1: "},
        {nullptr, folder.c_str(), busVariable + folder + ": "},
        {missing.c_str(), nullptr, recorder + missing + ": does not exist"},
        {file.c_str(), nullptr, recorder + file + ": not a folder"},
        {"/sys", nullptr, recorder + "/sys: cannot be written: "}};
    for (const auto& [variable, description, said] : broken) {
        auto backend = ChooseScsiBackend(variable, description, problem);
        EXPECT_EQ(problem.rfind(said, 0), 0u) << problem;
        EXPECT_NE(dynamic_cast<CVirtualBus*>(backend.get()), nullptr);
        EXPECT_EQ(backend->Scan(), 0);
    }
    EXPECT_FALSE(std::filesystem::exists(missing));
}

}  // namespace
