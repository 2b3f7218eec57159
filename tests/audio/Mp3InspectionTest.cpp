// Inspection of crafted files: the length from the frames or from the first frame's
// Xing, Info and VBRI headers, rounded up to whole seconds; refused headers; and the
// search for the first frame behind tags and false syncs.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "audio/Mp3Header.h"
#include "audio/Mp3Source.h"
#include "support/Mp3Craft.h"
#include "support/ReferenceDecode.h"
#include "support/TestPaths.h"

namespace {
using mp3craft::Shape;

struct Inspected {
    int32_t result;
    int32_t duration;
    int32_t rate;
    bool mono;
    int32_t bitRate;
    int64_t firstFrame;
};

Inspected InspectFile(const std::string& path) {
    CMp3Source source;
    int32_t result = source.Open(path.c_str());
    return {result,      source.Duration(), source.sampleRate,
            source.mono, source.bitRate,    source.FirstFrameOffset()};
}

std::string CraftedPath() {
    static std::string dir = testpaths::TempDir("inspect");
    return dir + "/crafted.mp3";
}

Inspected Inspect(const Shape& shape) {
    mp3craft::Write(CraftedPath(), shape);
    return InspectFile(CraftedPath());
}

Inspected InspectBytes(const std::vector<uint8_t>& bytes) {
    mp3craft::WriteBytes(CraftedPath(), bytes);
    return InspectFile(CraftedPath());
}

Shape WithHeader(uint8_t b1, uint8_t b2, uint8_t b3) {
    Shape shape;
    shape.header = {0xFF, b1, b2, b3};
    return shape;
}

// Silent frames one after the other, each with its own header.
void AppendFrames(std::vector<uint8_t>& bytes, std::vector<uint8_t> header, int frames) {
    for (int k = 0; k < frames; ++k) {
        size_t at = bytes.size();
        bytes.resize(at + static_cast<size_t>(mp3craft::FrameBytes(header, 0)), 0);
        std::memcpy(bytes.data() + at, header.data(), 4);
    }
}

int64_t CeilDiv(int64_t a, int64_t b) {
    return (a + b - 1) / b;
}

TEST(Mp3Duration, FramesWithoutAHeaderAreCountedToTheLastWholeOne) {
    // A constant bit rate stream of 128 kbit/s, padded as encoders pad: 16000 bytes hold
    // 38 whole frames of 1152 samples, just under a second.
    Shape shape;
    shape.audioBytes = 16'000;
    EXPECT_EQ(Inspect(shape).duration, 1);
    // 39 frames are 44928 samples: the rest of a second must not be cut off.
    shape.audioBytes = 16'300;
    EXPECT_EQ(Inspect(shape).duration, 2);
    shape.audioBytes = 4'000'000;  // 9570 frames
    EXPECT_EQ(Inspect(shape).duration, CeilDiv(9570 * 1152, 44100));
    shape.tag = true;  // the ID3 version 1 tag is not audio
    EXPECT_EQ(Inspect(shape).duration, CeilDiv(9570 * 1152, 44100));
}

TEST(Mp3Duration, VariableBitRateWithoutAHeaderIsTimedByItsFrames) {
    // 10 frames of 32 kbit/s, then 1000 of 320 kbit/s, then 500 of 64 kbit/s: the first
    // frame's bit rate would make this nearly five minutes long; it lasts 1510 x 1152
    // samples.
    std::vector<uint8_t> bytes;
    AppendFrames(bytes, {0xFF, 0xFB, 0x10, 0x00}, 10);
    AppendFrames(bytes, {0xFF, 0xFB, 0xE0, 0x00}, 1000);
    AppendFrames(bytes, {0xFF, 0xFB, 0x50, 0x00}, 500);
    Inspected got = InspectBytes(bytes);
    EXPECT_EQ(got.result, 0);
    EXPECT_EQ(got.bitRate, 32000);
    EXPECT_EQ(got.duration, CeilDiv(1510 * 1152, 44100));

    // A damaged stretch in the middle is searched through, as the decoder does.
    std::vector<uint8_t> damaged;
    AppendFrames(damaged, {0xFF, 0xFB, 0x90, 0x00}, 200);
    damaged.insert(damaged.end(), {0xFF, 0xFB, 0x00});  // a header gone bad
    damaged.resize(damaged.size() + 3000, 0x55);
    AppendFrames(damaged, {0xFF, 0xFB, 0x90, 0x00}, 300);
    EXPECT_EQ(InspectBytes(damaged).duration, CeilDiv(500 * 1152, 44100));
}

// The frames of a stream of 128 kbit/s frames: two headers, the rest zeros (sparse).
Shape Frames(int64_t frames) {
    Shape shape;
    shape.audioBytes = frames * mp3craft::kBytesPerSecond128k * 1152 / 44100;
    shape.headers = 2;
    return shape;
}

TEST(Mp3Duration, XingOrInfoFrameCountWithTheLameTagsDelayAndPadding) {
    Shape shape = Frames(10001);
    shape.xingOffset = 36;
    shape.xingFrames = 10000;
    EXPECT_EQ(Inspect(shape).duration, 262);  // 10000 x 1152 / 44100 = 261.2, rounded up
    shape.xingMagic = "Info";                 // what lame writes for constant bit rates
    EXPECT_EQ(Inspect(shape).duration, 262);
    // A mono frame's side information is shorter: its tag comes sooner.
    Shape mono = shape;
    mono.header[3] = 0xC0;
    mono.xingOffset = 21;
    EXPECT_EQ(Inspect(mono).duration, 262);

    // (Lame's delay and padding: TheLengthIsWhatTheLibraryDecodes.)
    shape.lameDelay = 576;
    shape.lamePadding = 288;
    shape.audioBytes = 1000;
    shape.xingFrames = 0;  // delay and padding never make a length below nothing
    EXPECT_EQ(Inspect(shape).duration, 0);

    // Without the frame-count flag the frames are counted, less the Info frame itself:
    // of the two frames in 1000 bytes, one plays.
    shape.xingFrames = 10000;
    shape.xingFlags = 14;
    EXPECT_EQ(Inspect(shape).duration, 1);
    // A count the file cannot hold is no more believed than a missing one.
    shape.xingFlags = 15;
    EXPECT_EQ(Inspect(shape).duration, 1);
    // At another offset it is no header: the frame is audio like the others.
    shape.xingFlags = 15;
    shape.xingOffset = 21;
    EXPECT_EQ(Inspect(shape).duration, 1);
}

TEST(Mp3Duration, TheLengthIsWhatTheLibraryDecodes) {
    // An Info frame and 307 silent frames, with LAME tags of every kind: the length is
    // the library's own decode of the file, rounded up, never less.
    struct Case {
        int32_t delay, padding;
        const char* name;
    } cases[] = {{-1, 0, ""},    {576, 288, "LAME3.100"}, {576, 289, "LAME3.100"}, {0, 0, "LAME"},
                 {0, 1440, "X"}, {576, 288, ""},          {2000, 1500, "Lavc"}};
    for (const Case& c : cases) {
        Shape shape;
        shape.audioBytes = 2;  // the Info frame and the 307 after it, whole
        for (int64_t k = 0; k < 308; ++k) shape.audioBytes += mp3craft::FrameBytes(shape.header, k);
        shape.xingOffset = 36;
        shape.xingMagic = "Info";
        shape.xingFrames = 307;
        shape.lameDelay = c.delay;
        shape.lamePadding = c.padding;
        shape.lameName = c.name;
        Inspected got = Inspect(shape);
        reference::Pcm pcm = reference::DecodeFile(CraftedPath());
        ASSERT_EQ(pcm.channels, 2);
        int64_t samples = static_cast<int64_t>(pcm.samples.size()) / 2;
        EXPECT_EQ(got.duration, CeilDiv(samples, 44100))
            << c.delay << " " << c.padding << " " << c.name;
        EXPECT_LE(samples, int64_t{got.duration} * 44100);
    }
}

TEST(Mp3Duration, VbriCountsTheFramesAfterItsOwn) {
    // 115 frames after the VBRI frame are 3.004 seconds.
    std::vector<uint8_t> bytes;
    AppendFrames(bytes, {0xFF, 0xFB, 0x90, 0x00}, 40);
    std::memcpy(bytes.data() + 36, "VBRI\0\x01\0\0\0\x4b\0\0\0\0\0\0\0\x73", 18);
    EXPECT_EQ(InspectBytes(bytes).duration, 4);
    bytes[36 + 17] = 0x72;  // 114 frames: 2.98 seconds
    EXPECT_EQ(InspectBytes(bytes).duration, 3);
}

TEST(Mp3Duration, LongSongsNeedNoMoreThan64BitArithmetic) {
    Shape shape = Frames(3'800'001);
    shape.xingOffset = 36;
    shape.xingFrames = 3'800'000;  // frame count x 1152 overflows 32 bits
    EXPECT_EQ(Inspect(shape).duration, CeilDiv(int64_t{3'800'000} * 1152, 44100));

    // Frames for longer than any disc are not walked to their end: 8 kbit/s MPEG-2
    // frames for 6500 seconds, where the bit rate gives the length.
    shape = WithHeader(0xF3, 0x10, 0x00);
    shape.audioBytes = 6500 * 1000;
    Inspected got = Inspect(shape);
    EXPECT_EQ(got.result, 0);
    EXPECT_EQ(got.duration, 6500);
}

TEST(Mp3Header, RefusedFrames) {
    struct Case {
        const char* what;
        uint8_t b1, b2;
    } cases[] = {
        {"free format", 0xFB, 0x00},
        {"bit-rate index 15", 0xFB, 0xF0},
        {"reserved MPEG-1 rate", 0xFB, 0x9C},
        {"reserved MPEG-2 rate", 0xF3, 0x9C},
        {"reserved MPEG-2.5 rate", 0xE3, 0x9C},
        {"reserved version", 0xEB, 0x90},
        {"Layer II", 0xFD, 0x90},
        {"Layer I", 0xFF, 0x90},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Inspect(WithHeader(c.b1, c.b2, 0x00)).result, -2) << c.what;
}

TEST(Mp3Scan, AFrameCountsOnlyWhenTheNextOneFollows) {
    // Headers whose next frame is not where they say: sync pairs in front that fail, a
    // header followed by nothing, one followed by a frame of another rate.
    Shape shape;
    shape.lead = {0x00, 0xFF, 0x00, 0x12, 0xFF, 0xE2, 0x00, 0xFF, 0xFB, 0x90, 0x00, 0x01};
    shape.lead.resize(600, 0);
    const uint8_t other[4] = {0xFF, 0xFB, 0x94, 0x00};  // 48000 Hz, 384 bytes before...
    std::memcpy(shape.lead.data() + 200, other, 4);
    std::memcpy(shape.lead.data() + 584, "\xFF\xFB\x90\x00", 4);  // ...a 44100 Hz header
    Inspected got = Inspect(shape);
    EXPECT_EQ(got.result, 0);
    EXPECT_EQ(got.firstFrame, 600);
    EXPECT_EQ(got.rate, 44100);

    // A 0xFF right before the frame's own 0xFF.
    shape.lead = {0x00, 0xFF};
    got = Inspect(shape);
    EXPECT_EQ(got.firstFrame, 2);

    // Frames, and the Xing header inside them, straddling the search's windows.
    shape.audioBytes = 100'000;
    for (size_t lead : {4000u, 4093u, 4095u, 4096u, 4097u, 4095u + 65500u, 4095u + 65535u,
                        4096u + 65536u, 200000u}) {
        shape.lead.assign(lead, 0);
        shape.xingOffset = -1;
        got = Inspect(shape);
        EXPECT_EQ(got.result, 0) << lead;
        EXPECT_EQ(got.firstFrame, static_cast<int64_t>(lead));
        EXPECT_EQ(got.duration, 7) << lead;  // 239 frames
        shape.xingOffset = 36;
        shape.xingFrames = 200;  // 5.2 seconds
        EXPECT_EQ(Inspect(shape).duration, 6) << lead;
    }
}

TEST(Mp3Scan, TheFirstFrameIsLookedForAfterTheId3v2Tags) {
    // A tag holding what looks like a whole stream of frames, as a cover picture can.
    auto id3v2 = mp3craft::Id3v2Header;
    std::vector<uint8_t> falseFrames;
    AppendFrames(falseFrames, {0xFF, 0xFB, 0x14, 0x00}, 100);  // 32 kbit/s, 48000 Hz
    Shape shape;
    shape.audioBytes = 16'000 * 5;
    shape.lead = id3v2(3, 0, static_cast<uint32_t>(falseFrames.size()));
    shape.lead.insert(shape.lead.end(), falseFrames.begin(), falseFrames.end());
    Inspected got = Inspect(shape);
    EXPECT_EQ(got.firstFrame, static_cast<int64_t>(shape.lead.size()));
    EXPECT_EQ(got.rate, 44100);
    EXPECT_EQ(got.duration, 5);

    // Version 2.4 with a footer: ten more bytes.  Then a second tag right after it.
    shape.lead = id3v2(4, 0x10, static_cast<uint32_t>(falseFrames.size()));
    shape.lead.insert(shape.lead.end(), falseFrames.begin(), falseFrames.end());
    shape.lead.insert(shape.lead.end(), {'3', 'D', 'I', 4, 0, 0x10, 0, 0, 0, 0});
    std::vector<uint8_t> second = id3v2(3, 0, 400);
    second.resize(410, 0xFF);
    shape.lead.insert(shape.lead.end(), second.begin(), second.end());
    got = Inspect(shape);
    EXPECT_EQ(got.firstFrame, static_cast<int64_t>(shape.lead.size()));
    EXPECT_EQ(got.rate, 44100);

    CMp3Source source;
    ASSERT_EQ(source.Open(CraftedPath().c_str()), 0);
    EXPECT_EQ(source.Layout().id3v2Bytes, static_cast<int64_t>(10 + falseFrames.size() + 10));

    // A header that claims more than the file is not believed: the search starts at 0
    // and the frames are still found behind what it held.
    shape.lead = id3v2(3, 0, 0x0FFFFFFF);
    shape.lead.resize(5000, 0);
    got = Inspect(shape);
    EXPECT_EQ(got.firstFrame, 5000);
    // "ID3" without a valid header is no tag: 10 MB of zeros to search through.
    shape.lead.assign(10 * 1024 * 1024, 0);
    shape.lead[0] = 'I', shape.lead[1] = 'D', shape.lead[2] = '3';
    got = Inspect(shape);
    EXPECT_EQ(got.result, 0);
    EXPECT_EQ(got.duration, 5);
}

TEST(Mp3Tags, ApeAndId3v1TagsAreNotAudio) {
    // An APEv2 tag (header, one item, footer) and an ID3 version 1 tag after 100 frames.
    std::vector<uint8_t> bytes;
    AppendFrames(bytes, {0xFF, 0xFB, 0x90, 0x00}, 100);
    const size_t audio = bytes.size();
    std::vector<uint8_t> item = {5,   0,   0,   0, 0,   0,   0,   0,   'T', 'i',
                                 't', 'l', 'e', 0, 'S', 'o', 'n', 'g', '!'};
    auto apeBlock = [&](bool header) {
        std::vector<uint8_t> b = {'A', 'P', 'E', 'T', 'A', 'G', 'E', 'X', 0xD0, 0x07, 0, 0};
        uint32_t size = static_cast<uint32_t>(item.size() + 32);
        b.insert(b.end(), {static_cast<uint8_t>(size), static_cast<uint8_t>(size >> 8), 0, 0});
        b.insert(b.end(), {1, 0, 0, 0});  // one item
        b.insert(b.end(), {0, 0, 0, static_cast<uint8_t>(header ? 0xA0 : 0x80)});
        b.resize(32, 0);
        return b;
    };
    for (bool v1 : {false, true}) {
        std::vector<uint8_t> file = bytes;
        for (const auto& part : {apeBlock(true), item, apeBlock(false)})
            file.insert(file.end(), part.begin(), part.end());
        if (v1) {
            auto tag = mp3craft::Id3v1Tag("Old", "Band", false);
            file.insert(file.end(), tag.begin(), tag.end());
        }
        mp3craft::WriteBytes(CraftedPath(), file);
        CMp3Source source;
        ASSERT_EQ(source.Open(CraftedPath().c_str()), 0);
        EXPECT_EQ(source.Layout().audioEnd, static_cast<int64_t>(audio)) << v1;
        EXPECT_EQ(source.Layout().hasId3v1, v1);
        std::string title;
        ASSERT_TRUE(source.TagTitle(title));
        EXPECT_EQ(title, "Song!") << "APEv2 comes before version 1";
    }
}

}  // namespace
