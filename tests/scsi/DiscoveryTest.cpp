// Recorder discovery on the virtual bus: the same path a real drive takes.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <typeinfo>

#include "base/ProcessFlags.h"
#include "disc/DiscImage.h"
#include "drivers/2600Driver.h"
#include "drivers/Mmc2Driver.h"
#include "drivers/MmcRawDriver.h"
#include "drivers/MmcTrackDriver.h"
#include "drivers/RecorderDiscovery.h"
#include "drivers/RicDriver.h"
#include "drivers/SonyDriver.h"
#include "drivers/TeacDriver.h"
#include "scsi/BigEndian.h"
#include "scsi/ScsiTransport.h"
#include "support/Mp3Craft.h"
#include "support/TestPaths.h"
#include "virtualdrive/VirtualBus.h"

namespace {
using Config = CVirtualDevice::Config;

class CScriptedChoice : public IChooseRecorder {
  public:
    explicit CScriptedChoice(int32_t answer) : answer_(answer) {}
    int32_t ChooseRecorder(const std::vector<std::string>& lines) override {
        asked.push_back(lines);
        return answer_;
    }
    std::vector<std::vector<std::string>> asked;

  private:
    int32_t answer_;
};

class CSilentUi : public IDriverUi {
  public:
    void ReportError(const std::string& text) override { messages.push_back(text); }
    std::vector<std::string> messages;
};

Config Recorder(const char* vendor, const char* product, const char* revision = "1.0") {
    Config c;
    c.vendor = vendor;
    c.product = product;
    c.revision = revision;
    return c;
}

struct Rig {
    std::string folder = testpaths::TempDir("discovery");
    CVirtualBus* bus = nullptr;
    CScsiTransport transport;
    CDiscImage image;
    CSilentUi ui;
    CRecorderDiscovery discovery{transport, image, ui};

    explicit Rig(const std::vector<Config>& devices) {
        auto owned = std::make_unique<CVirtualBus>(devices);
        bus = owned.get();
        transport.UseBackend(std::move(owned));
        ProcessFlags().cdTextCapable = 0;
    }
    void DriverList(const std::string& text) {
        mp3craft::WriteBytes(folder + "/driver.lst",
                             std::vector<uint8_t>(text.begin(), text.end()));
    }
    std::string Log() {
        auto bytes = mp3craft::ReadBytes(folder + "/cdrlog.txt");
        return std::string(bytes.begin(), bytes.end());
    }
    void Detect(IChooseRecorder& chooser) { discovery.DetectRecorders(folder, chooser); }
};

TEST(Discovery, OneRecorderGetsTheCdTextDriverWithoutAQuestion) {
    Rig rig({Recorder("TUNEVARN", "VIRTUAL CD-R")});
    CScriptedChoice chooser(-1);
    rig.Detect(chooser);
    EXPECT_TRUE(chooser.asked.empty());
    ASSERT_EQ(rig.discovery.CandidateCount(), 1);
    EXPECT_STREQ(rig.discovery.Candidate(0).driverName.data(), "MMCCDTEXT");
    ASSERT_NE(rig.discovery.Driver(), nullptr);
    EXPECT_EQ(rig.discovery.DriverCreated(), 1);
    EXPECT_EQ(rig.discovery.DriverDeviceIndex(), 0);
    EXPECT_EQ(ProcessFlags().cdTextCapable, 1);
    EXPECT_STREQ(rig.discovery.Driver()->Product(), "VIRTUAL CD-R");
    EXPECT_EQ(rig.discovery.RecorderLine(), "CD Recorder: TUNEVARN VIRTUAL CD-R 1.0");
    EXPECT_EQ(rig.Log(), "Vendor=TUNEVARN\r\nModel=VIRTUAL CD-R\r\n");
    // INQUIRY and the capabilities page while scanning, INQUIRY again when selected
    // for the driver.
    std::vector<uint8_t> codes;
    for (const auto& entry : rig.bus->Device(0).Log()) codes.push_back(entry.cdb[0]);
    EXPECT_EQ(codes, (std::vector<uint8_t>{0x12, 0x5A, 0x12}));
}

TEST(Discovery, DisksReadersAndSilentDevicesAreNoRecorders) {
    Config disk = Recorder("DISKCO", "FAST DISK");
    disk.cdDevice = false;
    Config reader = Recorder("READCO", "CD-ROM 52X");
    reader.writesCdr = false;
    Config mute = Recorder("MUTE", "NO ANSWER");
    mute.faults = {
        {.operationCode = 0x12, .times = -1, .kind = CVirtualDevice::Fault::Kind::kTransport}};
    Rig rig({disk, mute, reader});
    CScriptedChoice chooser(0);
    rig.Detect(chooser);
    EXPECT_EQ(rig.discovery.CandidateCount(), 0);
    EXPECT_EQ(rig.discovery.Driver(), nullptr);
    EXPECT_EQ(rig.discovery.RecorderLine(), "No CDR driver found.");
    EXPECT_EQ(ProcessFlags().cdTextCapable, 0);
    // The device that does not answer INQUIRY is not logged.
    EXPECT_EQ(rig.Log(),
              "Vendor=DISKCO\r\nModel=FAST DISK\r\nVendor=READCO\r\nModel=CD-ROM 52X\r\n");
}

TEST(Discovery, NoDevicesWritesNoLog) {
    Rig rig({});
    mp3craft::WriteBytes(rig.folder + "/cdrlog.txt", {'o', 'l', 'd'});
    CScriptedChoice chooser(0);
    rig.Detect(chooser);
    EXPECT_EQ(rig.discovery.Driver(), nullptr);
    EXPECT_EQ(rig.Log(), "old");
}

TEST(Discovery, SeveralRecordersAskWhichOneAndTheAnswerPicksTheDevice) {
    Config disk = Recorder("DISKCO", "FAST DISK");
    disk.cdDevice = false;
    std::vector<Config> devices = {Recorder("ACME", "FIRST", "1.1"), disk,
                                   Recorder("ZENITH", "SECOND", "2.2")};
    {
        Rig rig(devices);
        CScriptedChoice chooser(1);
        rig.Detect(chooser);
        ASSERT_EQ(chooser.asked.size(), 1u);
        EXPECT_EQ(chooser.asked[0],
                  (std::vector<std::string>{"ACME FIRST 1.1", "ZENITH SECOND 2.2"}));
        ASSERT_NE(rig.discovery.Driver(), nullptr);
        EXPECT_EQ(rig.discovery.DriverDeviceIndex(), 2);
        EXPECT_EQ(rig.transport.CurrentDevice(), 2);
        EXPECT_STREQ(rig.discovery.Driver()->Vendor(), "ZENITH");
    }
    {
        Rig rig(devices);
        CScriptedChoice cancel(-1);
        rig.Detect(cancel);
        EXPECT_EQ(rig.discovery.Driver(), nullptr);
        EXPECT_EQ(rig.discovery.DriverCreated(), 0);
        EXPECT_EQ(rig.discovery.CandidateCount(), 2);
    }
}

TEST(Discovery, TheListDecidesBeforeTheCapabilitiesPage) {
    Config listed = Recorder("OLDCO", "WRITER 2X");
    listed.writesCdr = false;  // an old drive that does not say so
    Config rewriter = Recorder("NEWCO", "FAST CD-RW");
    Config raw = Recorder("RAWCO", "RAW RECORDER");
    Rig rig({listed, rewriter, raw});
    rig.DriverList("; drivers by model\nMMC (old ones): writer*\nMMCRAW: RAW RECORDER\n");
    CScriptedChoice chooser(2);
    rig.Detect(chooser);
    ASSERT_EQ(rig.discovery.CandidateCount(), 3);
    EXPECT_STREQ(rig.discovery.Candidate(0).driverName.data(), "MMC");
    EXPECT_STREQ(rig.discovery.Candidate(1).driverName.data(), "MMCCDTEXT");  // "RW", unlisted
    EXPECT_STREQ(rig.discovery.Candidate(2).driverName.data(), "MMCRAW");
    // The devices named by the list were never asked for their capabilities.
    for (int32_t i = 0; i < 3; ++i) {
        for (const auto& entry : rig.bus->Device(i).Log()) EXPECT_NE(entry.cdb[0], 0x5A) << i;
    }
    EXPECT_NE(dynamic_cast<CMmcRawDriver*>(rig.discovery.Driver()), nullptr);
    EXPECT_EQ(rig.discovery.DriverDeviceIndex(), 2);
    EXPECT_EQ(ProcessFlags().cdTextCapable, 0);
    EXPECT_EQ(rig.discovery.CreateDriver("MMC", 0), 1);
    EXPECT_EQ(ProcessFlags().cdTextCapable, 0);
    EXPECT_EQ(rig.discovery.CreateDriver("mmc", 0), 0);
    EXPECT_EQ(rig.discovery.CreateDriver("NONSENSE", 1), 0);
}

TEST(Discovery, EachNameCreatesItsDriverAndOnlyOneOffersCdText) {
    Rig rig({Recorder("TUNEVARN", "VIRTUAL CD-R")});
    auto created = [&](const char* name) {
        return rig.discovery.CreateDriver(name, 0) == 1 ? rig.discovery.Driver() : nullptr;
    };
    CCdrDriver* generic = created("MMCCDTEXT");
    ASSERT_NE(generic, nullptr);
    EXPECT_EQ(typeid(*generic), typeid(CCdrDriver));
    EXPECT_EQ(ProcessFlags().cdTextCapable, 1);
    EXPECT_NE(dynamic_cast<CMmc2Driver*>(created("MMC2")), nullptr);
    EXPECT_EQ(ProcessFlags().cdTextCapable, 0) << "the raw and variant drivers write no CD-TEXT";
    EXPECT_NE(dynamic_cast<CMmcTrackDriver*>(created("MMCTRACK")), nullptr);
    EXPECT_NE(dynamic_cast<CMmcRawDriver*>(created("MMCRAW")), nullptr);
    generic = created("MMC");
    ASSERT_NE(generic, nullptr);
    EXPECT_EQ(typeid(*generic), typeid(CCdrDriver));
    EXPECT_NE(dynamic_cast<C2600Driver*>(created("2600")), nullptr);
    EXPECT_NE(dynamic_cast<CRicDriver*>(created("RIC")), nullptr);
    EXPECT_NE(dynamic_cast<CTeacDriver*>(created("TEAC")), nullptr);
    EXPECT_NE(dynamic_cast<CSonyDriver*>(created("SONY")), nullptr);
    EXPECT_EQ(ProcessFlags().cdTextCapable, 0) << "nor do the vendor drivers";
    EXPECT_EQ(created("sony"), nullptr);
    EXPECT_EQ(CRecorderDiscovery::DriverNames(),
              (std::vector<std::string>{"MMC", "MMCCDTEXT", "MMCRAW", "2600", "RIC", "MMC2", "TEAC",
                                        "MMCTRACK", "SONY"}));
}

TEST(Discovery, ADriverNamedForTheRunServesTheChosenRecorder) {
    Rig rig({Recorder("ACME", "FIRST"), Recorder("ACME", "SECOND")});
    rig.DriverList("MMC2: SECOND\n");
    rig.discovery.SetDriverOverride("MMCTRACK");
    CScriptedChoice chooser(1);
    rig.Detect(chooser);
    EXPECT_STREQ(rig.discovery.Candidate(1).driverName.data(), "MMC2") << "the list's name stays";
    EXPECT_NE(dynamic_cast<CMmcTrackDriver*>(rig.discovery.Driver()), nullptr);
    EXPECT_EQ(rig.discovery.DriverDeviceIndex(), 1);
    EXPECT_EQ(ProcessFlags().cdTextCapable, 0);
}

TEST(Discovery, TwentyDevicesSixteenRecordedEachACandidate) {
    std::vector<Config> devices;
    for (int i = 0; i < 20; ++i)
        devices.push_back(Recorder("MAKER", ("MODEL " + std::to_string(i)).c_str()));
    Rig rig(devices);
    CScriptedChoice chooser(11);
    rig.Detect(chooser);
    EXPECT_EQ(rig.transport.DeviceCount(), 16);
    EXPECT_EQ(rig.discovery.CandidateCount(), 16);
    ASSERT_EQ(chooser.asked.size(), 1u);
    EXPECT_EQ(chooser.asked[0].size(), 16u);
    EXPECT_EQ(chooser.asked[0].back(), "MAKER MODEL 15 1.0");
    EXPECT_EQ(rig.discovery.DriverDeviceIndex(), 11);
    // Every device that answered was logged.
    std::string log = rig.Log();
    EXPECT_NE(log.find("Model=MODEL 15\r\n"), std::string::npos);
    EXPECT_EQ(log.find("Model=MODEL 16\r\n"), std::string::npos);
    EXPECT_TRUE(rig.bus->Device(16).Log().empty());
}

TEST(Discovery, CandidatesHoldAtMostSixteenWithBoundedTexts) {
    Rig rig({});
    for (int32_t i = 0; i < 20; ++i)
        rig.discovery.AddRecorderCandidate(std::string(40, 'V').c_str(), "P", "R", "MMC", i);
    EXPECT_EQ(rig.discovery.CandidateCount(), 16);
    EXPECT_EQ(std::string(rig.discovery.Candidate(15).vendor.data()), std::string(31, 'V'));
    EXPECT_EQ(rig.discovery.Candidate(15).deviceIndex, 15);
}

TEST(Discovery, AnUnwritableLogFolderIsNoObstacle) {
    Rig rig({Recorder("TUNEVARN", "VIRTUAL CD-R")});
    std::filesystem::create_directory(rig.folder + "/cdrlog.txt");  // cannot be opened as a file
    CScriptedChoice chooser(0);
    rig.Detect(chooser);
    EXPECT_NE(rig.discovery.Driver(), nullptr);
}

}  // namespace

namespace {
// A driver.lst line whose name is no driver of ours leaves the recorder without one;
// the recorder line says which name and which drive instead of only "not found".
TEST(Discovery, AListedNameThatIsNoDriverIsNamedWithItsDrive) {
    Rig rig({Recorder("OLDCO", "WRITER 2X")});
    rig.DriverList("MMCX: WRITER*\n");
    CScriptedChoice chooser(-1);
    rig.Detect(chooser);
    EXPECT_EQ(rig.discovery.Driver(), nullptr);
    EXPECT_EQ(rig.discovery.RecorderLine(),
              "No CDR driver found: driver.lst names \"MMCX\" for OLDCO WRITER 2X, and there is "
              "no driver of that name.");
    // The next detection without the bad line forgets it.
    rig.DriverList("");
    rig.Detect(chooser);
    EXPECT_EQ(rig.discovery.RecorderLine(), "CD Recorder: OLDCO WRITER 2X 1.0");
}

// A path that takes less than the 16 KiB allocation still gets the capabilities page,
// asked with an allocation that fits it.
TEST(Discovery, ASmallPathStillReadsTheCapabilitiesPage) {
    for (uint32_t most : {2048u, 8192u, 65536u}) {
        Config small = Recorder("TUNEVARN", "VIRTUAL CD-R");
        small.maximumTransfer = most;
        Rig rig({small});
        CScriptedChoice chooser(-1);
        rig.Detect(chooser);
        EXPECT_NE(rig.discovery.Driver(), nullptr) << most;
        for (const auto& entry : rig.bus->Device(0).Log()) {
            if (entry.cdb[0] == 0x5A) {
                EXPECT_EQ(bigendian::Get16(&entry.cdb[7]), std::min<uint32_t>(most, 16384)) << most;
            }
        }
    }
}
}  // namespace
