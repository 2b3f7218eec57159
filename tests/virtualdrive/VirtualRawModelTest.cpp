// The raw drive of the virtual recorder, fed by hand with blocks whose subchannels the
// raw-block writer makes: the layout it reads from the Q channel alone, and what it
// refuses as a drive would.
#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "disc/DiscTestSupport.h"
#include "disc/PQSubChannel16.h"
#include "disc/PWSubChannel96.h"
#include "disc/RawBlockWriter.h"
#include "scsi/BigEndian.h"
#include "support/Mp3Craft.h"
#include "support/VirtualRecorderRig.h"

namespace {
using Bytes = std::vector<uint8_t>;
using Model = CVirtualDeviceConfig::Model;

constexpr int32_t kLeadInStart = -11625;  // 97:27:00
constexpr int32_t kLeadOut = 6750;

Bytes Entry(int track, int index, int minute, int second) {
    return {0x01, static_cast<uint8_t>(track),  static_cast<uint8_t>(index),  0,
            0,    static_cast<uint8_t>(minute), static_cast<uint8_t>(second), 0};
}

Bytes Sheet(std::initializer_list<Bytes> entries) {
    Bytes sheet;
    for (const Bytes& e : entries) sheet.insert(sheet.end(), e.begin(), e.end());
    return sheet;
}

// The layouts of the program's own cue sheets: tracks of these lengths, no gaps.
Bytes PlainSheet(const std::vector<int32_t>& seconds) {
    auto image = disctest::MakeDisc(seconds);
    int32_t length = 0;
    const uint8_t* p = image->BuildMmcCueSheet(length);
    return Bytes(p, p + length);
}

// A host writing a raw disc: every block from the lead-in start on, with the writer's
// subchannels and audio that tells its address, in commands as large as the path takes.
struct RawHost : testrig::CVirtualRecorder {
    int32_t blockType;
    std::unique_ptr<CSubChannel> prototype;
    CRawBlockWriter writer;
    int32_t address = kLeadInStart;

    RawHost(int32_t type, const Bytes& sheet, CVirtualDevice::Config config = Drive())
        : CVirtualRecorder(config), blockType(type) {
        prototype = type == 1 ? std::unique_ptr<CSubChannel>(new CPQSubChannel16)
                              : std::unique_ptr<CSubChannel>(new CPWSubChannel96);
        EXPECT_EQ(writer.InitFromCueSheet(prototype.get(), 0, sheet.data(),
                                          static_cast<int32_t>(sheet.size()), {97, 27, 0}),
                  0);
    }
    static CVirtualDevice::Config Drive() {
        CVirtualDevice::Config config;
        config.model = Model::kMmcRaw;
        config.leadInMinute = 97;
        config.leadInSecond = 27;
        config.outputFolder = testpaths::TempDir("raw");
        return config;
    }
    int32_t BlockBytes() const { return 2352 + prototype->DataLength(); }
    int32_t SelectRaw(int32_t type, uint8_t writeType = 0x03) {
        Bytes data(8 + 56, 0);
        data[8] = 0x05;
        data[9] = 0x36;
        data[10] = writeType;
        data[12] = static_cast<uint8_t>(type);
        return Out({0x55, 0x10, 0, 0, 0, 0, 0, 0, 64, 0}, data);
    }
    // Sends the blocks up to `until`; `change` may alter a block (its address, its bytes)
    // before it goes.  The first failing command's result.
    int32_t SendTo(int32_t until, const std::function<void(int32_t, uint8_t*)>& change = {}) {
        const int32_t most = 65536 / BlockBytes();
        while (address < until) {
            const int32_t n = std::min(most, until - address);
            Bytes audio(static_cast<size_t>(n) * 2352);
            for (int32_t b = 0; b < n; ++b)
                std::fill_n(audio.begin() + b * 2352, 2352, static_cast<uint8_t>(address + b));
            Bytes raw(static_cast<size_t>(n) * static_cast<size_t>(BlockBytes()));
            EXPECT_EQ(writer.EncodeBlocks(address, audio, n, raw), n);
            if (change)
                for (int32_t b = 0; b < n; ++b)
                    change(address + b, &raw[static_cast<size_t>(b * BlockBytes())]);
            Bytes cdb = {0x2A, 0, 0, 0, 0, 0, 0, 0, 0, 0};
            bigendian::Put32(&cdb[2], static_cast<uint32_t>(address));
            bigendian::Put16(&cdb[7], static_cast<uint32_t>(n));
            if (int32_t result = Out(cdb, raw); result != 0)
                return result;
            address += n;
        }
        return 0;
    }
    int32_t Flush() { return None({0x35, 0, 0, 0, 0, 0, 0, 0, 0, 0}); }
    std::string Image(const char* extension) const {
        Bytes bytes = mp3craft::ReadBytes(bus->Device(0).Configuration().outputFolder + "/disc-1" +
                                          extension);
        return std::string(bytes.begin(), bytes.end());
    }
};

// Puts new Q bytes into a block of either form, with a correct CRC for its form.
void SetQ(int32_t blockType, uint8_t* block, std::array<uint8_t, 12> q) {
    uint8_t* sub = block + 2352;
    uint16_t crc = disctest::BitwiseCrc(std::span<const uint8_t>(q.data(), 10));
    if (blockType != 1)
        crc = static_cast<uint16_t>(~crc);
    q[10] = static_cast<uint8_t>(crc >> 8);
    q[11] = static_cast<uint8_t>(crc & 0xFF);
    if (blockType == 1) {
        std::copy(q.begin(), q.end(), sub);
        return;
    }
    for (size_t k = 0; k < 12; ++k)
        for (size_t j = 0; j < 8; ++j)
            sub[8 * k + j] =
                static_cast<uint8_t>((sub[8 * k + j] & ~0x40) | (((q[k] >> (7 - j)) & 1) << 6));
}

std::array<uint8_t, 12> QOfBlock(int32_t blockType, const uint8_t* block) {
    return disctest::QOf(std::span<const uint8_t>(block + 2352, blockType == 1 ? 16 : 96));
}

TEST(VirtualRawDrive, TheLayoutComesFromTheQChannelAlone) {
    // A layout the program's own cue sheets never have: a three-second pregap before
    // track 2 and an index 2 in it.  The drive gets no cue sheet, only blocks.
    const Bytes sheet =
        Sheet({Entry(0, 0, 0, 0), Entry(1, 0, 0, 0), Entry(1, 1, 0, 2), Entry(2, 0, 0, 12),
               Entry(2, 1, 0, 15), Entry(2, 2, 0, 17), Entry(0xAA, 1, 0, 23)});
    std::string sub[2];
    int32_t run = 0;
    for (int32_t type : {1, 3}) {
        RawHost host(type, sheet);
        ASSERT_EQ(host.SelectRaw(type), 0);
        ASSERT_EQ(host.SendTo(1575 + kLeadOut), 0) << host.Sense();
        ASSERT_EQ(host.Flush(), 0) << host.Sense();
        EXPECT_EQ(host.Device().CurrentDisc(), CVirtualDevice::Disc::kWritten);
        EXPECT_EQ(host.Image(".cue"),
                  "REM Recorded by the Tunevarn virtual recorder\n"
                  "FILE \"disc-1.bin\" BINARY\n"
                  "  TRACK 01 AUDIO\n"
                  "    INDEX 01 00:00:00\n"
                  "  TRACK 02 AUDIO\n"
                  "    INDEX 00 00:10:00\n"
                  "    INDEX 01 00:13:00\n"
                  "    INDEX 02 00:15:00\n");
        // The audio from 00:02:00 to the lead-out, block by block as it came.
        const std::string bin = host.Image(".bin");
        ASSERT_EQ(bin.size(), 1575u * 2352u);
        for (int32_t a : {0, 749, 750, 1574})
            EXPECT_EQ(static_cast<uint8_t>(bin[static_cast<size_t>(a) * 2352]),
                      static_cast<uint8_t>(a));
        sub[run++] = host.Image(".sub");
    }
    // The subchannels of the same blocks, whichever form they came in: the P channel,
    // Q with its CRC as on the disc, R to W empty.
    ASSERT_EQ(sub[0].size(), 1575u * 96u);
    EXPECT_TRUE(sub[0] == sub[1]) << "the 16-byte and the 96-byte form give the same .sub";
    auto record = [&](int32_t a) {
        return reinterpret_cast<const uint8_t*>(&sub[0][static_cast<size_t>(a) * 96]);
    };
    const uint8_t* indexOne = record(975);  // track 2, index 1
    EXPECT_EQ(indexOne[12 + 1], 0x02);
    EXPECT_EQ(indexOne[12 + 2], 0x01);
    EXPECT_EQ(indexOne[0], 0xFF) << "P marks the first block of an index 1";
    EXPECT_EQ(record(500)[0], 0x00);
    for (int32_t a = 0; a < 1575; ++a) {
        const uint8_t* q = record(a) + 12;
        const uint16_t crc =
            static_cast<uint16_t>(~disctest::BitwiseCrc(std::span<const uint8_t>(q, 10)));
        ASSERT_EQ((q[10] << 8) | q[11], crc) << a;
    }
}

TEST(VirtualRawDrive, RefusesWhatADriveWritingRawBlocksRefuses) {
    const Bytes twoTracks = PlainSheet({5, 5});
    struct Case {
        const char* what;
        std::function<void(int32_t, uint8_t*)> change;
        int32_t failsAt;  // the block whose command is refused
        const char* sense;
    };
    auto flipQBit = [](int32_t at) {
        return [at](int32_t a, uint8_t* block) {
            if (a == at)
                block[2352 + 8 * 3 + 2] ^= 0x40;  // a bit of Q byte 3
        };
    };
    auto rewriteQ = [](int32_t at, std::function<void(std::array<uint8_t, 12>&)> edit) {
        return [at, edit](int32_t a, uint8_t* block) {
            if (a != at)
                return;
            auto q = QOfBlock(3, block);
            edit(q);
            SetQ(3, block, q);
        };
    };
    const Case cases[] = {
        {"a bad CRC in the lead-in", flipQBit(kLeadInStart + 100), kLeadInStart + 100, "5/26/02"},
        {"a bad CRC in the audio", flipQBit(300), 300, "5/26/02"},
        {"an absolute time that skips", rewriteQ(40, [](auto& q) { q[9] = 0x41; }), 40, "5/21/02"},
        {"a running time in the lead-in that stands still",
         rewriteQ(kLeadInStart + 7, [](auto& q) { q[5] = 0x06; }), kLeadInStart + 7, "5/21/02"},
        {"a table entry that changes",
         rewriteQ(kLeadInStart + 3000,
                  [](auto& q) {
                      if (q[2] == 0x01 || q[2] == 0x02 || q[2] == 0xA0 || q[2] == 0xA1 ||
                          q[2] == 0xA2)
                          q[8] = 0x30;
                  }),
         kLeadInStart + 3000, "5/26/00"},
        {"an index that skips one", rewriteQ(600, [](auto& q) { q[2] = 0x03; }), 600, "5/26/00"},
        {"the lead-in running into the pregap", rewriteQ(-150, [](auto& q) { q[1] = 0x00; }), -150,
         "5/26/00"},
    };
    for (const Case& c : cases) {
        RawHost host(3, twoTracks);
        ASSERT_EQ(host.SelectRaw(3), 0);
        EXPECT_EQ(host.SendTo(750 + kLeadOut, c.change), 2) << c.what;
        EXPECT_EQ(host.Sense(), c.sense) << c.what;
        const int32_t most = 65536 / 2448;
        EXPECT_LE(host.address, c.failsAt) << c.what;
        EXPECT_GT(host.address + most, c.failsAt) << c.what;
        // The disc is given up: nothing more is taken, nothing is left behind.
        EXPECT_FALSE(host.Device().Model().Writing()) << c.what;
        EXPECT_EQ(host.SendTo(host.address + 1), 2);
        EXPECT_EQ(host.Sense(), "5/30/05") << "a spoilt disc: " << c.what;
        EXPECT_EQ(host.Flush(), 0);
        EXPECT_EQ(host.Device().LastImage(), "") << c.what;
    }
}

}  // namespace
