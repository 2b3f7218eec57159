// The virtual bus description file and the choice of backend from the environment.
#include <gtest/gtest.h>

#include "app/BackendChoice.h"
#include "scsi/SgIoBackend.h"
#include "support/Mp3Craft.h"
#include "support/TestPaths.h"
#include "virtualdrive/VirtualBus.h"
#include "virtualdrive/VirtualBusDescription.h"

namespace {
using Fault = CVirtualDevice::Fault;

TEST(BusDescription, ReadsEverySettingOfSeveralDevices) {
    std::string folder = testpaths::TempDir("busout");
    std::string text =
        "# two recorders and a disk\r\n"
        "[device]\r\n"
        "vendor = ACME   # trailing comment\n"
        "Product=BURNER RW\n"
        "revision = 1.2\n"
        "disc = written\n"
        "recorded = 1000\n"
        "lead-in = 97:27:00\n"
        "buffer = 2097152\n"
        "speed = 16\n"
        "max-transfer = 131072\n"
        "cd-text = no\n"
        "bufe = no\n"
        "real-time = yes\n"
        "fault = 2a 3 2/04/08 5\n"
        "fault = 0x5C 1 transport *\n"
        "fault = 00 2 no-sense\n"
        "reply = 5A 00 2A : 00 0A 00 00\n"
        "\n"
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
    EXPECT_EQ(a.vendor, "ACME");
    EXPECT_EQ(a.product, "BURNER RW");
    EXPECT_EQ(a.revision, "1.2");
    EXPECT_EQ(a.disc, CVirtualDevice::Disc::kWritten);
    EXPECT_EQ(a.recordedBlocks, 1000);
    EXPECT_EQ(a.leadInMinute * 10000 + a.leadInSecond * 100 + a.leadInFrame, 972700);
    EXPECT_EQ(a.bufferBytes, 2097152u);
    EXPECT_EQ(a.maxSpeed, 16);
    EXPECT_EQ(a.maximumTransfer, 131072u);
    EXPECT_FALSE(a.cdText);
    EXPECT_FALSE(a.bufe);
    EXPECT_TRUE(devices[1].bufe);
    EXPECT_TRUE(a.realTime);
    EXPECT_FALSE(devices[1].realTime);
    EXPECT_EQ(a.outputFolder, "/default");
    ASSERT_EQ(a.faults.size(), 3u);
    EXPECT_EQ(a.faults[0].operationCode, 0x2A);
    EXPECT_EQ(a.faults[0].first, 3);
    EXPECT_EQ(a.faults[0].times, 5);
    EXPECT_EQ(a.faults[0].senseKey * 0x10000 + a.faults[0].asc * 0x100 + a.faults[0].ascq,
              0x020408);
    EXPECT_EQ(a.faults[1].kind, Fault::Kind::kTransport);
    EXPECT_EQ(a.faults[1].times, -1);
    EXPECT_EQ(a.faults[2].kind, Fault::Kind::kCheckWithoutSense);
    ASSERT_EQ(a.replies.size(), 1u);
    EXPECT_EQ(a.replies[0].cdbPrefix, (std::vector<uint8_t>{0x5A, 0x00, 0x2A}));
    EXPECT_EQ(a.replies[0].data, (std::vector<uint8_t>{0x00, 0x0A, 0x00, 0x00}));
    EXPECT_FALSE(devices[1].cdDevice);
    EXPECT_FALSE(devices[1].writesCdr);
    EXPECT_EQ(a.model, CVirtualDeviceConfig::Model::kMmcRaw);
    EXPECT_EQ(a.rawBlockTypes, (std::vector<int32_t>{3, 2}));
    EXPECT_EQ(devices[1].model, CVirtualDeviceConfig::Model::kTrackAtOnce);
    EXPECT_EQ(devices[1].rawBlockTypes, (std::vector<int32_t>{1, 2, 3}));
    EXPECT_EQ(devices[2].model, CVirtualDeviceConfig::Model::kMmc);
    EXPECT_TRUE(devices[2].rawBlockTypes.empty()) << "a raw drive that takes none";
    EXPECT_EQ(devices[2].outputFolder, folder);
    EXPECT_EQ(devices[2].product, "VIRTUAL CD-R");
}

TEST(BusDescription, RefusesWhatItCannotUseNamingTheLine) {
    struct Case {
        const char* text;
        const char* error;
    };
    const Case cases[] = {
        {"vendor = X\n", "line 1: settings belong in a [device] section"},
        {"[device]\n\ncolour = red\n", "line 3: unknown setting 'colour'"},
        {"[device]\nvendor = TOO LONG VENDOR\n", "line 2: a vendor is 8 plain characters at most"},
        {"[device]\nproduct = A\x01Z\n", "line 2: a product is 16 plain characters at most"},
        {"[device]\nlead-in = 97:60:00\n",
         "line 2: lead-in is minutes:seconds:frames, as 97:24:00"},
        {"[device]\nspeed = 8x\n", "line 2: speed is a multiple of 1x from 1 to 64"},
        {"[device]\nfault = 2A 0 busy\n", nullptr},
        {"[device]\nfault = 2A 1 2/04\n", nullptr},
        {"[device]\nreply = 5A 00 2A 00 0A\n", nullptr},
        {"[device]\noutput = /no/such/folder\n", "line 2: output must name an existing folder"},
        {"[device]\noutput = /sys\n", nullptr},  // no files can be made there
        {"[bus]\n", "line 1: only [device] sections are known"},
        {"[device]\njust words\n", "line 2: expected 'name = value'"},
        {"[device]\nmodel = yamaha\n",
         "line 2: model is mmc, mmc-raw, mmc2, tao, 2600, ric, sony or teac"},
        {"[device]\nblock-types = 1 4\n",
         "line 2: block-types are raw data block types 1, 2 and 3, each once"},
        {"[device]\nblock-types = 2 2\n", nullptr},
    };
    for (const Case& c : cases) {
        std::vector<CVirtualDevice::Config> devices;
        std::string error;
        EXPECT_FALSE(ParseVirtualBusDescription(c.text, "", devices, error)) << c.text;
        EXPECT_TRUE(devices.empty());
        if (c.error) {
            EXPECT_EQ(error, c.error);
        } else {
            EXPECT_EQ(error.rfind("line 2: ", 0), 0u) << error;
        }
    }
    std::string many;
    for (int i = 0; i < 65; ++i) many += "[device]\n";
    std::vector<CVirtualDevice::Config> devices;
    std::string error;
    EXPECT_FALSE(ParseVirtualBusDescription(many, "", devices, error));
    EXPECT_EQ(error, "line 65: at most 64 devices");
    EXPECT_TRUE(ParseVirtualBusDescription("# nothing\n", "", devices, error));
    EXPECT_TRUE(devices.empty());
}

TEST(BackendChoice, SgIoUnlessTheVirtualRecorderIsConfigured) {
    std::string problem;
    auto real = ChooseScsiBackend(nullptr, "", problem);
    EXPECT_TRUE(problem.empty());
    EXPECT_NE(dynamic_cast<CSgIoBackend*>(real.get()), nullptr);

    std::string folder = testpaths::TempDir("vrec");
    auto simple = ChooseScsiBackend(folder.c_str(), nullptr, problem);
    auto* bus = dynamic_cast<CVirtualBus*>(simple.get());
    ASSERT_NE(bus, nullptr);
    ASSERT_EQ(bus->BusSize(), 1);
    EXPECT_EQ(bus->Device(0).Configuration().outputFolder, folder);
    EXPECT_TRUE(bus->Device(0).Configuration().cdText);

    std::string file = folder + "/bus.txt";
    mp3craft::WriteBytes(file, {'[', 'd', 'e', 'v', 'i', 'c', 'e', ']', '\n', '[', 'd', 'e', 'v',
                                'i', 'c', 'e', ']', '\n'});
    auto described = ChooseScsiBackend(folder.c_str(), file.c_str(), problem);
    bus = dynamic_cast<CVirtualBus*>(described.get());
    ASSERT_NE(bus, nullptr);
    EXPECT_EQ(bus->BusSize(), 2);
    EXPECT_EQ(bus->Device(1).Configuration().outputFolder, folder);

    // A broken configuration never falls back to the real drives.
    mp3craft::WriteBytes(file, {'x', '\n'});
    auto broken = ChooseScsiBackend(nullptr, file.c_str(), problem);
    EXPECT_EQ(problem,
              std::string("TUNEVARN_VIRTUAL_BUS: ") + file + ": line 1: expected 'name = value'");
    ASSERT_NE(dynamic_cast<CVirtualBus*>(broken.get()), nullptr);
    EXPECT_EQ(broken->Scan(), 0);
    EXPECT_EQ(broken->ScanNotes().size(), 1u);
    broken = ChooseScsiBackend("/no/such/folder", nullptr, problem);
    EXPECT_EQ(problem, "TUNEVARN_VIRTUAL_RECORDER: /no/such/folder: does not exist");
    broken = ChooseScsiBackend(nullptr, folder.c_str(), problem);  // a folder is no file
    EXPECT_FALSE(problem.empty());
    EXPECT_EQ(broken->Scan(), 0);
}

}  // namespace
