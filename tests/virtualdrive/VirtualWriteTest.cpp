// The virtual recorder's writing side, reached through the transport like a real drive:
// the mode pages, cue sheet and WRITE checks of a strict drive, the limit of the path, and
// its buffer model.  (What it leaves of a disc ejected half-way, the CD-TEXT it reads from
// the lead-in and its log of every command: the fault matrix and the end-to-end tests.)
#include <gtest/gtest.h>

#include <tuple>

#include "base/BigEndian.h"
#include "disc/DiscTestSupport.h"
#include "disc/PQSubChannel16.h"
#include "disc/RawBlockWriter.h"
#include "support/TestPaths.h"
#include "support/VirtualRecorderRig.h"
#include "virtualdrive/VirtualDriveBuffer.h"
#include "virtualdrive/VirtualRawRecording.h"

namespace {
using Bytes = std::vector<uint8_t>;

// The write parameters page with byte 2 as given (0x42: session-at-once), as MODE SELECT
// sends it.
Bytes WriteParameters(uint8_t byte2) {
    Bytes data(8 + 56, 0);
    data[8] = 0x05;
    data[9] = 0x36;
    data[10] = byte2;
    data[12] = 0x08;
    return data;
}
const Bytes kSelect = {0x55, 0x10, 0, 0, 0, 0, 0, 0, 64, 0};

struct WriteRig : testrig::CVirtualRecorder {
    explicit WriteRig(const CVirtualDevice::Config& config = {}) : CVirtualRecorder(config) {}
    int32_t WriteType(uint8_t byte2) { return Out(kSelect, WriteParameters(byte2)); }
    int32_t CueSheet(const Bytes& sheet) {
        Bytes cdb = {0x5D, 0, 0, 0, 0, 0, 0, 0, 0, 0};
        bigendian::Put24(&cdb[6], static_cast<uint32_t>(sheet.size()));
        return Out(cdb, sheet);
    }
    // WRITE(10) of blocks at address, in commands of at most 27 blocks as the path takes
    // them: the first failing command's result.
    int32_t Write(int32_t address, int32_t blocks, int32_t blockBytes, uint8_t fill = 0) {
        do {
            const int32_t n = std::min(blocks, 27);
            Bytes cdb = {0x2A, 0, 0, 0, 0, 0, 0, 0, 0, 0};
            bigendian::Put32(&cdb[2], static_cast<uint32_t>(address));
            bigendian::Put16(&cdb[7], static_cast<uint32_t>(n));
            Bytes data(static_cast<size_t>(n) * static_cast<size_t>(blockBytes), fill);
            if (int32_t result = Out(cdb, data); result != 0)
                return result;
            address += n;
            blocks -= n;
        } while (blocks > 0);
        return 0;
    }
    int32_t Flush() { return None({0x35, 0, 0, 0, 0, 0, 0, 0, 0, 0}); }
};

Bytes Entry(int control, int track, int index, int form, int32_t seconds) {
    Bytes entry;
    for (int b : {control, track, index, form, 0, seconds / 60, seconds % 60, 0})
        entry.push_back(static_cast<uint8_t>(b));
    return entry;
}

// An MMC cue sheet for tracks of these lengths, as the driver sends it.
Bytes Sheet(const std::vector<int32_t>& seconds, uint8_t leadInForm = 0x01) {
    Bytes sheet = Entry(0x01, 0, 0, leadInForm, 0);
    auto add = [&](const Bytes& e) { sheet.insert(sheet.end(), e.begin(), e.end()); };
    add(Entry(0x01, 1, 0, 0x00, 0));
    int32_t at = 2;
    for (size_t i = 0; i < seconds.size(); ++i) {
        add(Entry(0x01, static_cast<uint8_t>(i + 1), 1, 0x00, at));
        at += seconds[i];
    }
    add(Entry(0x01, 0xAA, 1, 0x01, at));
    return sheet;
}

TEST(VirtualDevice, ModeSelectAndThePathCheckWhatAStrictDriveChecks) {
    WriteRig rig;
    ASSERT_EQ(rig.Out(kSelect, WriteParameters(0x52)), 0);
    auto with = [](size_t at, uint8_t value) {
        Bytes data = WriteParameters(0x42);
        data[at] = value;
        return data;
    };
    Bytes shortPage = with(9, 0x32);
    shortPage.resize(8 + 52);
    struct Case {
        const char* what;
        Bytes cdb, data;
        const char* sense;  // "" when the transport refuses it
    };
    const Case cases[] = {
        {"mode data length set", kSelect, with(1, 62), "5/26/00"},
        {"PS bit set", kSelect, with(8, 0x85), "5/26/00"},
        {"write type 7", kSelect, WriteParameters(0x47), "5/26/00"},
        {"page 5 of 52 bytes", {0x55, 0x10, 0, 0, 0, 0, 0, 0, 60, 0}, shortPage, "5/26/00"},
        {"no PF bit", {0x55, 0x00, 0, 0, 0, 0, 0, 0, 64, 0}, WriteParameters(0x42), "5/24/00"},
        {"list past the page",
         {0x55, 0x10, 0, 0, 0, 0, 0, 0, 63, 0},
         WriteParameters(0x42),
         "5/1A/00"},
        {"list longer than the data",
         {0x55, 0x10, 0, 0, 0, 0, 0, 0, 80, 0},
         WriteParameters(0x42),
         ""},
        {"block length 256",
         {0x15, 0, 0, 0, 12, 0},
         {0, 0, 0, 8, 0, 0, 0, 0, 0, 0, 0x01, 0},
         "5/26/00"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(rig.Out(c.cdb, c.data), *c.sense ? 2 : 1) << c.what;
        if (*c.sense) {
            EXPECT_EQ(rig.Sense(), c.sense) << c.what;
        }
    }
    EXPECT_EQ(rig.Device().WriteParameters()[2], 0x52) << "a refused page changed the drive";

    // A transfer larger than the path never reaches the drive.
    CVirtualDevice::Config config;
    config.maximumTransfer = 32768;
    WriteRig narrow(config);
    Bytes big(32769);
    EXPECT_EQ(narrow.In({0x12, 0, 0, 0, 36, 0}, big), 1);
    EXPECT_EQ(narrow.Last().result, CVirtualDevice::Result::kTransport);
}

TEST(VirtualWrite, RefusesCueSheetsAStrictDriveRefuses) {
    struct Case {
        const char* what;
        Bytes sheet;
        const char* sense;
    };
    Bytes tooShort = Sheet({10});
    tooShort.resize(20);
    Bytes skipped = Sheet({10, 10});
    skipped[8 * 3 + 1] = 3;  // track 3 after track 1
    Bytes backwards = Sheet({10, 10});
    backwards[8 * 3 + 6] = 1;  // track 2 before track 1
    Bytes noPregap = Sheet({10});
    noPregap.erase(noPregap.begin() + 8, noPregap.begin() + 16);
    Bytes dataTrack = Sheet({10});
    dataTrack[16] = 0x41;
    Bytes longDisc = Sheet({4800});  // lead-out at 80:02
    Bytes noLeadOut = Sheet({10});
    noLeadOut[8 * 3 + 1] = 0x02;
    const Case cases[] = {
        {"length not a multiple of 8", tooShort, "5/1A/00"},
        {"track numbers skip", skipped, "5/26/00"},
        {"times go back", backwards, "5/26/00"},
        {"no pregap entry", noPregap, "5/26/00"},
        {"a data track", dataTrack, "5/26/00"},
        {"past the disc's end", longDisc, "5/26/00"},
        {"no lead-out", noLeadOut, "5/26/00"},
        {"a track of 0 seconds", Sheet({10, 0, 10}), "5/26/00"},
    };
    WriteRig rig;
    ASSERT_EQ(rig.WriteType(0x42), 0);
    for (const Case& c : cases) {
        EXPECT_EQ(rig.CueSheet(c.sheet), 2) << c.what;
        EXPECT_EQ(rig.Sense(), c.sense) << c.what;
        EXPECT_FALSE(rig.Device().Model().Writing()) << c.what;
    }

    // What only some drives refuse: CD-TEXT in the lead-in from a drive without it, a cue
    // sheet in track-at-once, a disc already written.
    CVirtualDevice::Config noText, written;
    noText.cdText = false;
    written.disc = CVirtualDevice::Disc::kWritten;
    const std::tuple<CVirtualDevice::Config, uint8_t, Bytes, const char*> others[] = {
        {noText, 0x42, Sheet({10}, 0x41), "5/26/00"},
        {{}, 0x41, Sheet({10}), "5/2C/00"},
        {written, 0x42, Sheet({10}), "5/30/05"}};
    for (const auto& [config, type, sheet, sense] : others) {
        WriteRig other(config);
        ASSERT_EQ(other.WriteType(type), 0);
        EXPECT_EQ(other.CueSheet(sheet), 2) << sense;
        EXPECT_EQ(other.Sense(), sense);
    }
}

TEST(VirtualWrite, WritesFollowTheCueSheetBlockByBlock) {
    CVirtualDevice::Config config;
    config.outputFolder = testpaths::TempDir("vw-sequence");
    WriteRig rig(config);
    ASSERT_EQ(rig.WriteType(0x42), 0);
    ASSERT_EQ(rig.CueSheet(Sheet({1, 1})), 0);
    EXPECT_EQ(rig.Write(0, 10, 2352), 2) << "the pregap comes first";
    EXPECT_EQ(rig.Sense(), "5/21/02");
    EXPECT_EQ(rig.Write(-150, 150, 2352), 0);
    EXPECT_EQ(rig.Write(0, 27, 2352), 0);
    EXPECT_EQ(rig.Write(0, 27, 2352), 2) << "written already";
    EXPECT_EQ(rig.Sense(), "5/21/02");
    // The host sends fewer bytes than the command says: the adapter sees the underrun.
    Bytes cdb = {0x2A, 0, 0, 0, 0, 27, 0, 0, 2, 0};
    EXPECT_EQ(rig.Out(cdb, Bytes(2352, 0)), 1);
    EXPECT_EQ(rig.Write(27, 27, 2352), 0);
    EXPECT_EQ(rig.Write(54, 27, 2352), 0);
    EXPECT_EQ(rig.Write(81, 27, 2352), 0);
    EXPECT_EQ(rig.Write(108, 27, 2352), 0);
    EXPECT_EQ(rig.Write(135, 16, 2352), 2) << "one block past the lead-out";
    EXPECT_EQ(rig.Sense(), "5/21/00");
    EXPECT_EQ(rig.Write(135, 0, 2352), 0) << "nothing to write is no error";
    EXPECT_EQ(rig.Device().Model().NextAddress(), 135);

    // Flushing half way cannot close the disc: it is spoilt, and nothing is left behind.
    EXPECT_EQ(rig.Flush(), 2);
    EXPECT_EQ(rig.Sense(), "5/2C/00");
    EXPECT_EQ(rig.Device().CurrentDisc(), CVirtualDevice::Disc::kWritten);
    EXPECT_EQ(rig.Device().LastImage(), "");
    EXPECT_EQ(testpaths::FilesIn(config.outputFolder), std::vector<std::string>{"commands-0.log"});
    EXPECT_TRUE(testpaths::Contains(testpaths::ReadText(config.outputFolder + "/commands-0.log"),
                                    "35 00 00 00 00 00 00 00 00 00 | none 0 | check 5/2C/00\n"));
    EXPECT_EQ(rig.Write(135, 15, 2352), 2);
    EXPECT_EQ(rig.Sense(), "5/2C/00") << "no cue sheet any more";
}

// A raw drive takes each block only at the address after the last one, and only with the Q
// time of that address: in the lead-in (from 99:59:00, 75 blocks) and in the pregap after it.
TEST(VirtualRawWrite, NoBlockIsSkippedInAddressOrInTime) {
    auto disc = disctest::MakeDisc({2});
    int32_t length = 0;
    const uint8_t* cue = disc->BuildMmcCueSheet(length);
    CPQSubChannel16 proto;
    CRawBlockWriter writer;
    ASSERT_EQ(writer.InitFromCueSheet(&proto, 0, cue, length, {99, 59, 0}), 0);
    Bytes blocks(78 * 2368);
    ASSERT_EQ(writer.EncodeBlocks(-225, Bytes(78 * 2352), 78, blocks), 78);
    auto block = [&](int32_t address) { return blocks.data() + (address + 225) * 2368; };
    auto sense = [](CVirtualSense s) { return s.key << 16 | s.asc << 8 | s.ascq; };
    CVirtualRawRecording raw(1, false, -225, "");
    for (int32_t at : {-225, -150}) {
        EXPECT_EQ(sense(raw.Write(at, 1, block(at))), 0) << at;
        EXPECT_EQ(sense(raw.Write(at + 2, 1, block(at + 2))), 0x052102) << "address skipped " << at;
        EXPECT_EQ(sense(raw.Write(at + 1, 1, block(at + 2))), 0x052102) << "time skipped " << at;
        if (at == -150) {
            // The absolute time a block ahead, the relative time and the CRC right.
            Bytes odd(block(at + 1), block(at + 2));
            odd[2352 + 9] += 1;
            const uint16_t crc = CSubChannel::Crc16(std::span(odd).subspan(2352, 10));
            odd[2352 + 10] = static_cast<uint8_t>(crc >> 8);
            odd[2352 + 11] = static_cast<uint8_t>(crc);
            EXPECT_EQ(sense(raw.Write(at + 1, 1, odd.data())), 0x052102) << "absolute time";
        }
        const int32_t rest = at == -225 ? 74 : 2;
        EXPECT_EQ(sense(raw.Write(at + 1, rest, block(at + 1))), 0) << at;
    }
}

// The buffer model on a clock the test moves: 75 blocks a second.
struct FakeTime {
    int64_t now = 1'000'000;
    int64_t slept = 0;
    CVirtualDriveBuffer::Clock Clock() {
        return [this] { return now; };
    }
    CVirtualDriveBuffer::Sleeper Sleeper() {
        return [this](int64_t micros) {
            now += micros;
            slept += micros;
        };
    }
};

TEST(VirtualDriveBuffer, DrainsAtTheWriteSpeedAndHoldsWhatDoesNotFit) {
    FakeTime time;
    CVirtualDriveBuffer buffer(100 * 2352, true, time.Clock(), time.Sleeper());
    buffer.Begin(75.0, true);
    EXPECT_EQ(buffer.FreeBytes(), 100u * 2352u);
    ASSERT_TRUE(buffer.Accept(100, 2352));
    EXPECT_EQ(buffer.FreeBytes(), 0u);
    time.now += 1'000'000;
    EXPECT_EQ(buffer.FreeBytes(), 75u * 2352u);
    // 100 more do not fit: the command waits until 25 more blocks are on the disc.
    ASSERT_TRUE(buffer.Accept(100, 2352));
    EXPECT_NEAR(static_cast<double>(time.slept), 25.0 / 75.0 * 1e6, 1e4);
    EXPECT_EQ(buffer.Underruns(), 0);
    // Nothing for three seconds: the buffer ran dry, an underrun; with underrun-free
    // recording the disc goes on when data comes again.
    time.now += 3'000'000;
    EXPECT_EQ(buffer.FreeBytes(), 100u * 2352u);
    EXPECT_EQ(buffer.Underruns(), 1);
    EXPECT_TRUE(buffer.Accept(10, 2352));
    // The last block is in: running dry now is the end of the disc, not an underrun.
    buffer.EndOfDisc();
    const int64_t before = time.slept;
    buffer.Drain();
    EXPECT_NEAR(static_cast<double>(time.slept - before), 10.0 / 75.0 * 1e6, 1e4);
    EXPECT_EQ(buffer.Underruns(), 1);
    EXPECT_FALSE(buffer.StreamingLost());
}

}  // namespace
