// The disc image as one stream: tracks of exactly their whole-second length whatever
// the decoder delivers, reads that cross track ends, and the gain's clipping and rounding
// (a whole normalized disc: the end-to-end tests).
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "audio/Mp3Source.h"
#include "disc/DiscImage.h"
#include "support/Mp3Craft.h"
#include "support/TestPaths.h"

namespace {
using testpaths::Fixture;
constexpr int32_t kSecond = CDiscImage::kBytesPerSecond;

// What a track must deliver: the file's decoded audio, cut or padded with zeros to the
// track's length.  Decoded through a fresh object.
std::vector<uint8_t> ExpectedTrack(const std::string& path, int32_t seconds) {
    CMp3Source source;
    std::vector<uint8_t> audio(static_cast<size_t>(seconds) * kSecond, 0);
    if (source.Open(path.c_str()) == 0) {
        int32_t got = source.Read(audio.data(), static_cast<int32_t>(audio.size()));
        EXPECT_GE(got, 0);
    }
    return audio;
}

std::vector<uint8_t> ReadStream(CDiscImage& disc, int32_t piece) {
    std::vector<uint8_t> all;
    std::vector<uint8_t> buffer(static_cast<size_t>(piece));
    for (;;) {
        int32_t got = disc.Read(buffer.data(), piece);
        EXPECT_GE(got, 0);
        all.insert(all.end(), buffer.begin(), buffer.begin() + got);
        if (got < piece)
            break;
    }
    return all;
}

std::unique_ptr<CDiscImage> MakeDisc(const std::vector<std::string>& paths) {
    auto disc = std::make_unique<CDiscImage>();
    for (const std::string& path : paths)
        EXPECT_EQ(disc->AddTrack(path.c_str(), "title"), 1) << path;
    return disc;
}

// A 44100 Hz file whose first frame carries a Xing frame count of 153 frames (3.997
// seconds, 4 whole ones) in front of the 6 seconds of audio of a fixture.
std::string WriteLongerThanItsLength() {
    std::vector<uint8_t> bytes(417, 0);
    const uint8_t header[4] = {0xFF, 0xFB, 0x90, 0x00};
    std::memcpy(bytes.data(), header, 4);
    std::memcpy(bytes.data() + 36, "Xing\0\0\0\x01\0\0\0\x99", 12);
    std::vector<uint8_t> audio = mp3craft::ReadBytes(Fixture("m1_44100_stereo.mp3"));
    bytes.insert(bytes.end(), audio.begin(), audio.end());
    std::string path = testpaths::TempDir("long") + "/long.mp3";
    mp3craft::WriteBytes(path, bytes);
    return path;
}

// Tracks that decode short (about 5.04 seconds of audio in a 6-second track; half a
// file), a 1-second one, and one that decodes long (4 seconds by its Xing header, 6 of
// audio, cut at 4), read in pieces that end inside a track, exactly at its end (a
// second) or past it.
TEST(DiscImageStream, TracksOfTheirWholeSecondsCrossedAndEndedAfterTheLast) {
    std::string dir = testpaths::TempDir("stream");
    std::string empty = dir + "/short.mp3";
    mp3craft::WriteSeconds(empty, 1);
    std::vector<std::string> paths = {Fixture("m1_44100_stereo.mp3"), empty,
                                      Fixture("truncated.mp3"), WriteLongerThanItsLength(),
                                      Fixture("m1_44100_mono.mp3")};
    std::vector<uint8_t> expected;
    auto disc = MakeDisc(paths);
    ASSERT_EQ(disc->trackSeconds[1], 1);
    ASSERT_EQ(disc->trackSeconds[3], 4);
    for (size_t t = 0; t < paths.size(); ++t) {
        EXPECT_EQ(disc->trackBytes[t], disc->trackSeconds[t] * kSecond);
        auto track = ExpectedTrack(paths[t], disc->trackSeconds[t]);
        expected.insert(expected.end(), track.begin(), track.end());
    }
    EXPECT_EQ(static_cast<int64_t>(expected.size()), disc->totalBytes);
    for (int32_t piece : {4096, 2352, kSecond, 3 * kSecond + 4, 1 << 20}) {
        disc->currentTrack = 0;
        ASSERT_EQ(disc->OpenTrack(0), 1);
        std::vector<uint8_t> stream = ReadStream(*disc, piece);
        EXPECT_EQ(stream, expected) << "pieces of " << piece;
        EXPECT_EQ(disc->currentTrack, disc->trackCount);
        uint8_t more[16];
        EXPECT_EQ(disc->Read(more, sizeof more), 0);
    }
    EXPECT_EQ(disc->Read(nullptr, 10), 0);
}

// ApplyGain on a list of samples with a given gain.
std::vector<int16_t> Gained(float gain, std::vector<int16_t> samples) {
    CDiscImage disc;
    disc.gain = gain;
    std::vector<uint8_t> bytes;
    for (int16_t s : samples) {
        bytes.push_back(static_cast<uint8_t>(static_cast<uint16_t>(s) & 0xFF));
        bytes.push_back(static_cast<uint8_t>(static_cast<uint16_t>(s) >> 8));
    }
    disc.ApplyGain(bytes.data(), static_cast<int32_t>(bytes.size()));
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] = static_cast<int16_t>(bytes[2 * i] | bytes[2 * i + 1] << 8);
    return samples;
}

TEST(DiscImageGain, ClipsToPlusMinus32767AndTruncatesTowardZero) {
    EXPECT_EQ(Gained(2.0f, {20000, -20000, 16383, -16384}),
              (std::vector<int16_t>{32767, -32767, 32766, -32767}));
    EXPECT_EQ(Gained(0.5f, {-3, 3, -1, 1, 32767}), (std::vector<int16_t>{-1, 1, 0, 0, 16383}));
    EXPECT_EQ(Gained(1.0f, {-32768, -32767, 0, 32767, 12345, -1}),
              (std::vector<int16_t>{-32767, -32767, 0, 32767, 12345, -1}));
    EXPECT_EQ(Gained(NAN, {1000, -1000}), (std::vector<int16_t>{0, 0}));
    // An odd byte count leaves the odd byte alone.
    CDiscImage disc;
    disc.gain = 2.0f;
    uint8_t bytes[3] = {0x10, 0x00, 0x7F};
    disc.ApplyGain(bytes, 3);
    EXPECT_EQ(bytes[0], 0x20);
    EXPECT_EQ(bytes[2], 0x7F);
}

}  // namespace
