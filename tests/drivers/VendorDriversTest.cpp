// The vendor command set drivers ("2600", "RIC", "SONY", "TEAC") against virtual drives
// of their sets: the bytes that matter on the way to the drive, a complete disc on each,
// stop, and each driver against a drive of another set.  Every write starts the filling
// thread, hence the suites' names.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "drivers/2600Driver.h"
#include "drivers/CdrDriver.h"
#include "drivers/RicDriver.h"
#include "drivers/SonyDriver.h"
#include "drivers/TeacDriver.h"
#include "recording/RecordSession.h"
#include "recording/RecordWorker.h"
#include "support/Mp3Craft.h"
#include "support/VirtualRecorderRig.h"

namespace {
using Bytes = std::vector<uint8_t>;
using Model = CVirtualDeviceConfig::Model;
using LogEntry = CVirtualDevice::LogEntry;
using testrig::Expected;
using testrig::Join;
using testrig::Write;

using testrig::DriveOf;

// A driver of any family that can hand the drive audio of its own making instead of the
// disc image's silence.
template <typename TDriver>
class CWatched : public TDriver {
  public:
    using TDriver::TDriver;
    int32_t WriteBlocks(int32_t& address, const uint8_t* data, int32_t count) override {
        // The audio: not the silence before it, nor the lead-out some write after it.
        const bool audio = address >= 0 && data != this->silenceBuffer.data();
        if (audio && !pattern.empty()) {
            own.resize(static_cast<size_t>(count) * 2352);
            for (size_t i = 0; i < own.size(); ++i) own[i] = pattern[i % pattern.size()];
            data = own.data();
        }
        return TDriver::WriteBlocks(address, data, count);
    }
    Bytes pattern;
    Bytes own;
};

template <typename TDriver>
struct Rig : testrig::CDriverRig<CWatched<TDriver>> {
    Rig(std::vector<int32_t> seconds, CVirtualDevice::Config config)
        : testrig::CDriverRig<CWatched<TDriver>>(std::move(seconds), std::move(config)) {
        this->ui.messages.clear();  // what the rig's blank check said
    }
    std::vector<LogEntry> Commands(uint8_t operationCode) const {
        std::vector<LogEntry> found;
        for (const auto& e : this->bus->Device(0).Log())
            if (e.cdb[0] == operationCode)
                found.push_back(e);
        return found;
    }
    // The WRITEs' block counts; their addresses are the drive's to count.
    std::vector<int32_t> WriteCounts() const {
        std::vector<int32_t> counts;
        for (const Write& w : this->Writes()) counts.push_back(w.blocks);
        return counts;
    }
};

std::vector<int32_t> Counts(const std::vector<Write>& writes) {
    std::vector<int32_t> counts;
    for (const Write& w : writes) counts.push_back(w.blocks);
    return counts;
}

// A 97:24:00 lead-in is 11700 blocks; with the pregap the host writes 11850 before the
// audio, and 6750 after it.
constexpr int32_t kLeadIn = 11700;
constexpr int32_t kLeadOut = 6750;

TEST(ThreadedVendor2600, SamplesGoBigEndianAndTheDiscKeepsThemAsSent) {
    Rig<C2600Driver> rig({4}, DriveOf(Model::k2600));
    // Samples 0x1234 and 0xABCD, little-endian in memory as CD audio is.
    rig.driver->pattern = {0x34, 0x12, 0xCD, 0xAB};
    rig.WriteDisc();
    EXPECT_TRUE(rig.ui.messages.empty()) << rig.ui.messages.front();
    EXPECT_EQ(rig.driver->DiscCompleted(), 1);

    // The lead-in and pregap, the audio and the lead-out, 13 blocks a command, every
    // WRITE without an address.
    EXPECT_EQ(rig.WriteCounts(),
              Counts(Join(Join(Expected(0, kLeadIn + 150, 13), Expected(0, 300, 13)),
                          Expected(0, kLeadOut, 13))));
    for (const Write& w : rig.Writes()) ASSERT_EQ(w.address, 0);
    const LogEntry audio = rig.Commands(0x2A)[(kLeadIn + 150 + 12) / 13];
    ASSERT_GE(audio.dataOut.size(), 8u);
    EXPECT_EQ(Bytes(audio.dataOut.begin(), audio.dataOut.begin() + 8),
              (Bytes{0x12, 0x34, 0xAB, 0xCD, 0x12, 0x34, 0xAB, 0xCD}));
    const Bytes image = mp3craft::ReadBytes(rig.folder + "/disc-1.bin");
    ASSERT_EQ(image.size(), 300u * 2352u);
    EXPECT_EQ(Bytes(image.begin(), image.begin() + 4), (Bytes{0x34, 0x12, 0xCD, 0xAB}));
    EXPECT_TRUE(std::equal(image.begin() + 4, image.end(), image.begin()));

    // The set-up before it: block length, speed and simulation, page 0x22, the lengths,
    // the extents, and the flush at the end.
    const auto& log = rig.Device().Log();
    ASSERT_GE(log.size(), 5u);
    EXPECT_EQ(log[0].CdbText(), "55 00 00 00 00 00 00 00 10 00");
    EXPECT_EQ(log[0].dataOut, (Bytes{0, 0, 0, 0, 0, 0, 0, 8, 0, 0, 0, 0, 0, 0x00, 0x09, 0x30}));
    EXPECT_EQ(log[1].CdbText(), "55 10 00 00 00 00 00 00 10 00");
    EXPECT_EQ(log[2].CdbText(), "55 10 00 00 00 00 00 00 12 00");
    EXPECT_EQ(log[3].CdbText(), "EE 00 00 00 00 00 00 00 04 00");
    EXPECT_EQ(log[4].CdbText(), "ED 00 00 00 00 00 00 00 14 00");
    EXPECT_EQ(rig.Device().BlockLength(), 2352u);
    EXPECT_EQ(rig.Count(0x35), 1u);
}

TEST(ThreadedVendor2600, SpeedAndSimulationGoInPage23) {
    Rig<C2600Driver> rig({2}, DriveOf(Model::k2600));
    rig.driver->test = 1;
    rig.driver->SetSpeed(2, 4);
    rig.WriteDisc();
    const LogEntry page = rig.Commands(0x55).at(1);
    EXPECT_EQ(Bytes(page.dataOut.begin() + 8, page.dataOut.end()),
              (Bytes{0x23, 0x06, 0x04, 0x01, 0, 0, 0, 0}));
    EXPECT_EQ(rig.driver->DiscCompleted(), 1);
    EXPECT_EQ(rig.Device().CurrentDisc(), CVirtualDevice::Disc::kBlank) << "a simulation";
    EXPECT_TRUE(rig.FilesLeft().empty());
    for (int32_t factor : {0, 1, 2, 4, 6, 8})
        EXPECT_EQ(C2600Driver::SpeedPageValue(factor), factor);
}

TEST(ThreadedVendorRic, TheTestFlagChangesOnlyBit4OfTheWriteParameters) {
    Rig<CRicDriver> rig({2}, DriveOf(Model::kRic));
    // A page with bits set all over, as a drive may keep it.
    Bytes select(8 + 56, 0);
    select[8] = 0x05;
    select[9] = 0x36;
    select[10] = 0x62;  // underrun-free, link size valid, write type 2
    select[11] = 0xC4;
    select[12] = 0x08;
    select[13] = 0x20;
    select[16] = 0x10;
    for (size_t i = 24; i < select.size(); ++i) select[i] = static_cast<uint8_t>(i * 7);
    ASSERT_EQ(rig.Out({0x55, 0x10, 0, 0, 0, 0, 0, 0, 64, 0}, select), 0);
    const auto before = rig.Device().WriteParameters();
    rig.driver->test = 1;
    rig.WriteDisc();
    auto expected = before;
    expected[2] = 0x72;
    EXPECT_EQ(rig.Device().WriteParameters(), expected);
    EXPECT_EQ(rig.driver->DiscCompleted(), 1);
    EXPECT_EQ(rig.Device().CurrentDisc(), CVirtualDevice::Disc::kBlank);
    EXPECT_TRUE(rig.FilesLeft().empty());

    // Burnt for real, the same bit goes back; 27 blocks a command on a 64 KiB path.
    Rig<CRicDriver> burn({2}, DriveOf(Model::kRic));
    burn.WriteDisc();
    EXPECT_EQ(burn.Device().WriteParameters()[2] & 0x10, 0);
    EXPECT_EQ(burn.WriteCounts(), Counts(Join(Join(Expected(0, kLeadIn + 150), Expected(0, 150)),
                                              Expected(0, kLeadOut))));
    EXPECT_EQ(burn.driver->DiscCompleted(), 1);
    EXPECT_EQ(burn.FilesLeft().size(), 2u);
}

TEST(ThreadedVendorSony, NinetyNineTracksAndTheByteCountOfAWrite) {
    Rig<CSonyDriver> rig(std::vector<int32_t>(99, 1), DriveOf(Model::kSony));
    rig.WriteDisc();
    EXPECT_TRUE(rig.ui.messages.empty());
    EXPECT_EQ(rig.driver->DiscCompleted(), 1);
    const std::vector<LogEntry> sheets = rig.Commands(0xE0);
    ASSERT_EQ(sheets.size(), 1u);
    EXPECT_EQ(sheets[0].CdbText(), "E0 00 03 30 00 00 00 00 00 00") << "816 bytes";
    int32_t length = 0;
    const uint8_t* sheet = rig.image->BuildSonyCueSheet(length);
    EXPECT_EQ(sheets[0].dataOut, Bytes(sheet, sheet + length));
    // 150 pregap and 7425 audio blocks in commands of 27, each a byte count: 63504 is F810.
    const std::vector<LogEntry> writes = rig.Commands(0xE1);
    ASSERT_EQ(writes.size(), 6u + 275u);
    EXPECT_EQ(writes[0].CdbText(), "E1 00 F8 10 00 00 00 00 00 00");
    EXPECT_EQ(writes[5].CdbText(), "E1 00 89 D0 00 00 00 00 00 00") << "15 blocks";
    EXPECT_EQ(rig.Count(0x2A) + rig.Count(0x35), 0u);
    // The drive took the disc from the cue sheet alone: 99 tracks, a second each.
    const Bytes cue = mp3craft::ReadBytes(rig.folder + "/disc-1.cue");
    const std::string text(cue.begin(), cue.end());
    EXPECT_NE(text.find("TRACK 99 AUDIO"), std::string::npos);
    EXPECT_NE(text.find("INDEX 01 01:38:00"), std::string::npos) << text;
    EXPECT_EQ(std::filesystem::file_size(rig.folder + "/disc-1.bin"), 99u * 75u * 2352u);
}

TEST(ThreadedVendorSony, PagesSpeedAndSimulation) {
    Rig<CSonyDriver> rig({2}, DriveOf(Model::kSony));
    rig.driver->test = 1;
    rig.driver->SetSpeed(2, 0);
    rig.WriteDisc();
    // Speed, the disc page twice (blank check, write parameters), write mode, the disc
    // page back cleared, the cue sheet.
    std::vector<std::string> setUp;
    for (const auto& e : rig.Device().Log())
        if (e.cdb[0] != 0xE1 && e.cdb[0] != 0x00 && e.cdb[0] != 0x5C)
            setUp.push_back(e.CdbText());
    EXPECT_EQ(setUp,
              (std::vector<std::string>{"15 10 00 00 08 00", "1A 00 22 00 88 00",
                                        "15 10 00 00 0C 00", "1A 00 22 00 88 00",
                                        "15 10 00 00 24 00", "E0 00 00 20 00 00 00 00 00 00"}));
    const std::vector<LogEntry> selects = rig.Commands(0x15);
    EXPECT_EQ(selects[0].dataOut, (Bytes{0, 0, 0, 0, 0x31, 0x02, 0xFF, 0x00}));
    EXPECT_EQ(selects[1].dataOut, (Bytes{0, 0, 0, 0, 0x20, 0x06, 0x00, 0x02, 0, 0, 0, 0}));
    EXPECT_EQ(selects[2].dataOut[4 + 2] | selects[2].dataOut[4 + 3] | selects[2].dataOut[4 + 19],
              0);
    EXPECT_EQ(rig.driver->leadInLength, kLeadIn);
    EXPECT_EQ(rig.driver->DiscCompleted(), 1);
    EXPECT_TRUE(rig.FilesLeft().empty()) << "a simulation";
    const int32_t factors[] = {0, 1, 2, 4, 6, 8};
    const uint8_t sony[] = {0xFF, 0x00, 0x01, 0x02, 0x00, 0x00};
    const uint8_t teac[] = {0x02, 0x00, 0x01, 0x02, 0x02, 0x02};
    for (size_t i = 0; i < std::size(factors); ++i) {
        EXPECT_EQ(CSonyDriver::SpeedPageValue(factors[i]), sony[i]) << factors[i];
        EXPECT_EQ(CTeacDriver::SpeedPageValue(factors[i]), teac[i]) << factors[i];
    }
}

TEST(ThreadedVendorTeac, EveryWriteSaysMoreFollowsButTheLast) {
    Rig<CTeacDriver> rig({10}, DriveOf(Model::kTeac));
    rig.driver->SetSpeed(2, 0);
    rig.WriteDisc();
    EXPECT_TRUE(rig.ui.messages.empty());
    EXPECT_EQ(rig.driver->DiscCompleted(), 1);
    EXPECT_EQ(rig.Writes(), Join(Expected(-150, 150), Expected(0, 750)));
    const std::vector<LogEntry> writes = rig.Commands(0x2A);
    for (size_t i = 0; i + 1 < writes.size(); ++i) EXPECT_EQ(writes[i].cdb[9], 0x80) << i;
    EXPECT_EQ(writes.back().CdbText(), "2A 00 00 00 02 D9 00 00 15 00") << "729, 21 blocks";
    EXPECT_EQ(rig.Count(0x35), 0u);
    EXPECT_EQ(std::filesystem::file_size(rig.folder + "/disc-1.bin"), 750u * 2352u);

    // Mode header, density, simulation, write mode and speed 0 as page value 2; power
    // calibration; the cue table an entry at a time; the table of contents.
    const auto& log = rig.Device().Log();
    ASSERT_GE(log.size(), 11u);
    EXPECT_EQ(log[0].CdbText(), "1A 00 00 00 0C 00");
    EXPECT_EQ(log[1].CdbText(), "15 10 00 00 0C 00");
    EXPECT_EQ(Bytes(log[1].dataOut.begin() + 3, log[1].dataOut.end()),
              (Bytes{0x08, 0x04, 0, 0, 0, 0, 0, 0x09, 0x30}));
    EXPECT_EQ(log[2].dataOut, (Bytes{0, 0, 0, 0, 0x21, 0x01, 0x00}));
    EXPECT_EQ(log[3].dataOut, (Bytes{0, 0, 0, 0, 0x22, 0x07, 0, 0, 0x02, 0, 0, 0, 0}));
    EXPECT_EQ(log[4].dataOut, (Bytes{0, 0, 0, 0, 0x31, 0x02, 0x02, 0x00}));
    EXPECT_EQ(log[5].CdbText(), "EC 00 00 00 00 00 00 00 00 00 00 00");
    EXPECT_EQ(log[6].CdbText(), "B3 00 FF FF FF 6A 00 00 00 96 00 00");
    EXPECT_EQ(log[7].CdbText(), "C2 00 00 00 00 00 00 00 04 00");
    EXPECT_EQ(log[7].dataOut, (Bytes{0x01, 0x01, 0x01, 0x00}));
    EXPECT_EQ(log[8].CdbText(), "B3 00 00 00 00 00 00 00 02 EE 00 00");
    EXPECT_EQ(log[9].dataOut, (Bytes{0x00, 0x01, 0x01, 0x01}));
    EXPECT_EQ(log[10].CdbText(), "C2 00 00 00 00 00 00 00 17 00") << "3 + 4 × 5 bytes";
    EXPECT_EQ(log[10].dataOut,
              (Bytes{0,    0,    0,    0x01, 0x01, 0x00, 0x02, 0x00, 0x01, 0xA0, 0x01, 0x00,
                     0x00, 0x01, 0xA1, 0x01, 0x00, 0x00, 0x01, 0xA2, 0x00, 0x12, 0x00}));
}

// A WRITE the drive fails ends the write loop with its message, shown once although
// the lead-out after it fails too; the disc is not completed and leaves no image.
TEST(ThreadedVendorFailure, AFailedWriteEndsTheLoopWithOneMessage) {
    using Fault = CVirtualDevice::Fault;
    auto failing = [](Model model, int32_t occurrence) {
        CVirtualDevice::Config config = DriveOf(model);
        // From then on every WRITE fails, as on a disc that is ruined.
        config.faults = {{.operationCode = 0x2A,
                          .first = occurrence,
                          .times = -1,
                          .kind = Fault::Kind::kSense,
                          .senseKey = 3,
                          .asc = 0x0C}};
        return config;
    };
    // RIC: 439 commands of lead-in and pregap, then the third of the audio.
    Rig<CRicDriver> ric({20}, failing(Model::kRic, 439 + 3));
    ric.WriteDisc();
    EXPECT_EQ(ric.ui.messages, std::vector<std::string>{"Write data failed."});
    EXPECT_EQ(ric.Writes().size(), 439u + 3u + 1u) << "the lead-out tried once";
    EXPECT_EQ(ric.driver->DiscCompleted(), 0);
    EXPECT_TRUE(ric.FilesLeft().empty());

    // TEAC: 6 commands of pregap, then the third of the audio.
    Rig<CTeacDriver> teac({20}, failing(Model::kTeac, 6 + 3));
    teac.WriteDisc();
    EXPECT_EQ(teac.ui.messages, std::vector<std::string>{"Write failed."});
    EXPECT_EQ(teac.Writes().size(), 6u + 3u);
    EXPECT_EQ(teac.phase, 3);
    EXPECT_EQ(teac.driver->DiscCompleted(), 0);
    teac.driver->LoadUnload(0);
    EXPECT_TRUE(teac.FilesLeft().empty());
}

// The whole run as the recording worker makes it, with a driver on a drive of another
// command set: the run ends with the driver's message and leaves no image.
template <typename TDriver>
std::vector<std::string> RunOn(Model model) {
    testrig::CDriverRig<TDriver> rig({3}, DriveOf(model));
    rig.ui.messages.clear();
    CRecordSession state;
    state.driver = rig.driver.get();
    state.speedChoice = 5;
    RecordWorker(state);
    EXPECT_EQ(state.completed, 0);
    EXPECT_TRUE(rig.FilesLeft().empty());
    EXPECT_EQ(rig.Device().CurrentDisc(), CVirtualDevice::Disc::kBlank) << "nothing burnt";
    return rig.ui.Messages();
}

TEST(ThreadedVendorWrongDrive, EachDriverFailsWithItsMessageOnAnotherCommandSet) {
    auto first = [](const std::vector<std::string>& messages) {
        return messages.empty() ? std::string("(none)") : messages.front();
    };
    EXPECT_EQ(first(RunOn<C2600Driver>(Model::kMmc)), "Cannot load the disc.");
    EXPECT_EQ(first(RunOn<CRicDriver>(Model::kMmc)),
              "Cannot read the lead-in and lead-out lengths.");
    EXPECT_EQ(first(RunOn<CSonyDriver>(Model::kMmc)), "Get disc info failed");
    EXPECT_EQ(first(RunOn<CTeacDriver>(Model::kMmc)), "Mode Sense failed.");
    EXPECT_EQ(first(RunOn<CRicDriver>(Model::k2600)), "Cannot set cd speed.");
    EXPECT_EQ(first(RunOn<CTeacDriver>(Model::kSony)), "Mode Sense failed.");
    EXPECT_EQ(first(RunOn<CSonyDriver>(Model::kTeac)), "Get disc info failed");
    EXPECT_EQ(first(RunOn<C2600Driver>(Model::kRic)), "Cannot load the disc.");
    // The generic driver on each vendor's drive.
    EXPECT_EQ(first(RunOn<CCdrDriver>(Model::k2600)), "Cannot set cd speed.");
    EXPECT_EQ(first(RunOn<CCdrDriver>(Model::kRic)), "Cannot get Track Information Block.");
    EXPECT_EQ(first(RunOn<CCdrDriver>(Model::kSony)), "Cannot set cd speed.");
    EXPECT_EQ(first(RunOn<CCdrDriver>(Model::kTeac)), "Cannot set cd speed.");
}

// And on a disc that is not blank, the drive refuses the layout.
TEST(ThreadedVendorWrongDrive, AWrittenDiscIsRefusedWithTheLayout) {
    auto written = [](Model model) {
        CVirtualDevice::Config config = DriveOf(model);
        config.disc = CVirtualDevice::Disc::kWritten;
        return config;
    };
    Rig<C2600Driver> extents({2}, written(Model::k2600));
    extents.WriteDisc();
    EXPECT_EQ(extents.ui.messages, std::vector<std::string>{"Cannot write CUE SHEET."});
    Rig<CSonyDriver> sony({2}, written(Model::kSony));
    sony.WriteDisc();
    EXPECT_EQ(sony.ui.messages, std::vector<std::string>{"Send sony cue sheet failed."});
    Rig<CTeacDriver> teac({2}, written(Model::kTeac));
    teac.WriteDisc();
    EXPECT_EQ(teac.ui.messages, std::vector<std::string>{"Send CUE sheet failed."});
}

}  // namespace
