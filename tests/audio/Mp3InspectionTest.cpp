// Inspection of crafted files: durations to the second, the header checks, the Xing
// frame count, and the scan for the first frame.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "audio/Mp3Header.h"
#include "audio/Mp3Source.h"
#include "support/Mp3Craft.h"
#include "support/TestPaths.h"

namespace {
using mp3craft::Shape;

struct Inspected {
    int32_t result;
    int32_t duration;
    int32_t rate;
    bool mono;
    int32_t bitRate;
};

Inspected Inspect(const Shape& shape) {
    static std::string dir = testpaths::TempDir("inspect");
    std::string path = dir + "/crafted.mp3";
    mp3craft::Write(path, shape);
    CMp3Source source;
    int32_t result = source.Open(path.c_str());
    return {result, source.Duration(), source.sampleRate, source.mono, source.bitRate};
}

Shape WithHeader(uint8_t b1, uint8_t b2, uint8_t b3) {
    Shape shape;
    shape.header = {0xFF, b1, b2, b3};
    return shape;
}

TEST(Mp3Duration, BitRateDurationRoundsUpToWholeSeconds) {
    Shape shape;  // 128 kbit/s, 4,000,000 audio bytes
    EXPECT_EQ(Inspect(shape).duration, 250);
    shape.tag = true;  // the ID3 version 1 tag is not audio
    EXPECT_EQ(Inspect(shape).duration, 250);
    shape.tag = false;
    shape.audioBytes = 4'000'001;
    EXPECT_EQ(Inspect(shape).duration, 251);
    shape.audioBytes = 16'000;  // exactly one second
    EXPECT_EQ(Inspect(shape).duration, 1);
    shape.audioBytes = 16'001;
    EXPECT_EQ(Inspect(shape).duration, 2);
}

TEST(Mp3Duration, XingFrameCountReplacesBitRateDuration) {
    Shape shape;
    shape.audioBytes = 1000;
    shape.xingOffset = 36;
    shape.xingFrames = 10000;
    EXPECT_EQ(Inspect(shape).duration, 261);  // 10000 x 1152 / 44100, truncated

    shape.xingFlags = 14;  // no frame count
    EXPECT_EQ(Inspect(shape).duration, 1);
    shape.xingFlags = 15;
    shape.xingOffset = 21;  // wrong place for MPEG-1 stereo
    EXPECT_EQ(Inspect(shape).duration, 1);
    shape.xingOffset = 36;
    shape.xingMagic = "Info";
    EXPECT_EQ(Inspect(shape).duration, 1);
}

TEST(Mp3Duration, XingOffsetsAndFrameSizesPerVersionAndChannels) {
    struct Case {
        uint8_t b1, b2, b3;
        int32_t offset;
        int32_t expected;
    } cases[] = {
        {0xFB, 0x90, 0xC0, 21, 10000 * 1152 / 44100},  // MPEG-1 mono
        {0xF3, 0x80, 0x00, 21, 10000 * 576 / 22050},   // MPEG-2 stereo: playing time
        {0xF3, 0x80, 0xC0, 13, 10000 * 576 / 22050},   // MPEG-2 mono
        {0xF3, 0x84, 0x00, 21, 10000 * 576 / 24000},  {0xF3, 0x88, 0x00, 21, 10000 * 576 / 16000},
    };
    for (const Case& c : cases) {
        Shape shape = WithHeader(c.b1, c.b2, c.b3);
        shape.audioBytes = 1000;
        shape.xingOffset = c.offset;
        shape.xingFrames = 10000;
        Inspected got = Inspect(shape);
        EXPECT_EQ(got.result, 0);
        EXPECT_EQ(got.duration, c.expected) << "offset " << c.offset;
    }
}

TEST(Mp3Duration, LargeFilesNeedNoMoreThan64BitArithmetic) {
    Shape shape;
    shape.audioBytes = int64_t{1} << 31;  // a 2 GiB sparse file
    Inspected got = Inspect(shape);
    EXPECT_EQ(got.result, 0);
    EXPECT_EQ(got.duration, 134218);  // ceil(2^31 x 8 / 128000)

    shape.xingOffset = 36;
    shape.xingFrames = 0xFFFFFFFFu;  // frame count x 1152 overflows 32 bits
    EXPECT_EQ(Inspect(shape).duration, static_cast<int32_t>(0xFFFFFFFFull * 1152 / 44100));
}

TEST(Mp3Header, RatesBitRatesAndChannelModes) {
    struct Case {
        uint8_t b1, b2, b3;
        int32_t rate, bitRate;
        bool mono;
    } cases[] = {
        {0xFB, 0x90, 0x00, 44100, 128000, false}, {0xFB, 0x94, 0x00, 48000, 128000, false},
        {0xFB, 0x98, 0x40, 32000, 128000, false}, {0xFB, 0x10, 0xC0, 44100, 32000, true},
        {0xFB, 0xE0, 0x80, 44100, 320000, false}, {0xF3, 0x10, 0x00, 22050, 8000, false},
        {0xF3, 0x14, 0xC0, 24000, 8000, true},    {0xF3, 0xE8, 0x00, 16000, 160000, false},
        {0xF3, 0x4C, 0xC0, 11025, 32000, true},   {0xFA, 0x90, 0x00, 44100, 128000, false},  // CRC
    };
    for (const Case& c : cases) {
        Inspected got = Inspect(WithHeader(c.b1, c.b2, c.b3));
        EXPECT_EQ(got.result, 0);
        EXPECT_EQ(got.rate, c.rate);
        EXPECT_EQ(got.bitRate, c.bitRate);
        EXPECT_EQ(got.mono, c.mono);
    }
}

TEST(Mp3Header, RefusedFirstFrames) {
    struct Case {
        const char* what;
        uint8_t b1, b2;
    } cases[] = {
        {"free format", 0xFB, 0x00},
        {"bit-rate index 15", 0xFB, 0xF0},
        {"reserved MPEG-1 rate", 0xFB, 0x9C},
        {"Layer II", 0xFD, 0x90},
        {"Layer I", 0xFF, 0x90},
        {"MPEG-2.5", 0xE3, 0x90},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Inspect(WithHeader(c.b1, c.b2, 0x00)).result, -2) << c.what;
}

TEST(Mp3Scan, FindsTheFirstFrameBehindOtherBytes) {
    Shape shape;
    shape.lead = {0x00, 0xFF, 0x00, 0x12, 0xFF, 0xE2, 0x00};  // 0xFF pairs that fail the test
    EXPECT_EQ(Inspect(shape).result, 0);

    shape.lead = {0x00, 0xFF};  // a 0xFF right before the frame's own 0xFF
    Inspected got = Inspect(shape);
    EXPECT_EQ(got.result, 0);
    EXPECT_EQ(got.duration, 250);

    // Frames, and the Xing header inside them, straddling the scanner's block
    // boundaries.
    for (size_t lead :
         {4000u, 4050u, 4095u, 4096u, 4097u, 4095u + 65500u, 4095u + 65535u, 4095u + 65536u}) {
        shape.lead.assign(lead, 0);
        shape.xingOffset = -1;
        got = Inspect(shape);
        EXPECT_EQ(got.result, 0) << lead;
        EXPECT_EQ(got.duration, 250) << lead;
        shape.xingOffset = 36;
        shape.xingFrames = 10000;
        EXPECT_EQ(Inspect(shape).duration, 261) << lead;
    }
}

TEST(Mp3Scan, LeadingDataIsNotCountedAsPlayingTime) {
    Shape shape;
    shape.lead.assign(10 * 1024 * 1024, 0);  // an ID3 version 2 tag of 10 MB
    shape.lead[0] = 'I', shape.lead[1] = 'D', shape.lead[2] = '3';
    Inspected got = Inspect(shape);
    EXPECT_EQ(got.result, 0);
    EXPECT_EQ(got.duration, 250);
}

TEST(Mp3Scan, StopsAtTheFirstSyncEvenWhenItsHeaderIsRefused) {
    Shape shape;
    shape.lead = {0xFF, 0xFB, 0xF0, 0x00};  // syncs, then fails the bit-rate check
    EXPECT_EQ(Inspect(shape).result, -2);
}

TEST(Mp3Scan, FilesEndingInsideTheFirstHeader) {
    std::string dir = testpaths::TempDir("short");
    std::vector<std::vector<uint8_t>> files = {
        {}, {0xFF}, {0xFF, 0xFB}, {0xFF, 0xFB, 0x90}, std::vector<uint8_t>(5000, 0)};
    for (const std::vector<uint8_t>& bytes : files) {
        mp3craft::WriteBytes(dir + "/s.mp3", bytes);
        CMp3Source source;
        EXPECT_EQ(source.Open((dir + "/s.mp3").c_str()), -2) << bytes.size() << " bytes";
        EXPECT_EQ(source.Duration(), 0);
    }
    // The smallest acceptable file is a bare header: one second, rounded up.
    mp3craft::WriteBytes(dir + "/s.mp3", {0xFF, 0xFB, 0x90, 0x00});
    CMp3Source source;
    EXPECT_EQ(source.Open((dir + "/s.mp3").c_str()), 0);
    EXPECT_EQ(source.Duration(), 1);
}

TEST(Mp3Source, OpenCloseAndReuse) {
    std::string dir = testpaths::TempDir("reuse");
    mp3craft::WriteSeconds(dir + "/a.mp3", 7);
    mp3craft::WriteSeconds(dir + "/b.mp3", 9);
    CMp3Source source;
    EXPECT_EQ(source.Duration(), 0);
    ASSERT_EQ(source.Open((dir + "/a.mp3").c_str()), 0);
    EXPECT_EQ(source.Duration(), 7);
    EXPECT_EQ(source.FirstFrameOffset(), 0);
    source.Close();
    EXPECT_EQ(source.Duration(), 0);
    ASSERT_EQ(source.Open((dir + "/b.mp3").c_str()), 0);
    EXPECT_EQ(source.Duration(), 9);
    // A failed Open leaves nothing of the previous file behind.
    EXPECT_EQ(source.Open((dir + "/missing.mp3").c_str()), -1);
    EXPECT_EQ(source.Duration(), 0);
    EXPECT_EQ(source.Id3v1Tag(), nullptr);
}
}  // namespace
