// Recorder discovery on the virtual bus: the same path a real drive takes, with the
// driver its driver.lst line names or the one named for the run.
#include <gtest/gtest.h>

#include "base/ProcessFlags.h"
#include "disc/DiscImage.h"
#include "drivers/RecorderDiscovery.h"
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
    void ReportError(const std::string&) override {}
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
    void DriverList(const std::string& text) { testpaths::WriteText(folder + "/driver.lst", text); }
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
    // A driver.lst line whose name is no driver of ours leaves the recorder without one,
    // and the line says which name and which drive; the next detection forgets it.
    rig.DriverList("MMCX: VIRTUAL*\n");
    rig.Detect(chooser);
    EXPECT_EQ(rig.discovery.Driver(), nullptr);
    EXPECT_TRUE(rig.discovery.RecorderLine().find("\"MMCX\" for TUNEVARN VIRTUAL CD-R") !=
                std::string::npos)
        << rig.discovery.RecorderLine();
    rig.DriverList("");
    rig.Detect(chooser);
    EXPECT_EQ(rig.discovery.RecorderLine(), "CD Recorder: TUNEVARN VIRTUAL CD-R 1.0");
    // Another driver named for the run leaves no CD-TEXT flag of the one before behind.
    rig.discovery.SetDriverOverride("MMC");
    rig.Detect(chooser);
    EXPECT_EQ(ProcessFlags().cdTextCapable, 0);
}

TEST(Discovery, DisksReadersAndSilentDevicesAreNoRecordersAndCandidatesAreBounded) {
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
    // The candidates hold at most sixteen, with bounded texts.
    for (int32_t i = 0; i < 20; ++i)
        rig.discovery.AddRecorderCandidate(std::string(40, 'V').c_str(), "P", "R", "MMC", i);
    EXPECT_EQ(rig.discovery.CandidateCount(), 16);
    EXPECT_EQ(std::string(rig.discovery.Candidate(15).vendor.data()), std::string(31, 'V'));
    EXPECT_EQ(rig.discovery.Candidate(15).deviceIndex, 15);
}

}  // namespace
