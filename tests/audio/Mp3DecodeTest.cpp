// Decoding encoder-made files to CD audio, checked against an independent path: the
// same file decoded by libmpg123's own file reader with the conversion rule applied by
// hand.  Then the ways a caller reads, and files that are damaged or odd.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "audio/Mp3Source.h"
#include "audio/RateConverter.h"
#include "support/Mp3Craft.h"
#include "support/ReferenceDecode.h"
#include "support/TestPaths.h"

namespace {
using testpaths::Fixture;

std::vector<uint8_t> ReadAll(CMp3Source& source, int32_t piece) {
    std::vector<uint8_t> all;
    std::vector<uint8_t> buffer(static_cast<size_t>(piece));
    for (;;) {
        int32_t got = source.Read(buffer.data(), piece);
        EXPECT_GE(got, 0);
        EXPECT_LE(got, piece);
        all.insert(all.end(), buffer.begin(), buffer.begin() + std::max(got, 0));
        if (got < piece)
            break;
    }
    EXPECT_EQ(source.Read(buffer.data(), piece), 0) << "a read after the end";
    return all;
}

std::vector<uint8_t> DecodeFile(const std::string& path, int32_t piece) {
    CMp3Source source;
    EXPECT_EQ(source.Open(path.c_str()), 0) << path;
    return ReadAll(source, piece);
}

// Index of the first differing byte, or -1; keeps failure output short.
int64_t FirstDifference(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
    size_t n = std::min(a.size(), b.size());
    auto [pa, pb] = std::mismatch(a.begin(), a.begin() + static_cast<std::ptrdiff_t>(n), b.begin());
    if (pa != a.begin() + static_cast<std::ptrdiff_t>(n))
        return pa - a.begin();
    return a.size() == b.size() ? -1 : static_cast<int64_t>(n);
}

TEST(Mp3Decode, EveryRateMatchesTheLibraryReaderWithTheRuleAppliedByHand) {
    const char* files[] = {
        "m1_44100_stereo.mp3", "m1_44100_mono.mp3",   "m1_48000_stereo.mp3", "m1_32000_stereo.mp3",
        "m2_24000_stereo.mp3", "m2_22050_stereo.mp3", "m2_22050_mono.mp3",   "m2_16000_stereo.mp3",
        "m2_16000_mono.mp3",   "vbr_xing_44100.mp3",  "vbr_xing_22050.mp3",  "id3v2_front.mp3",
        "id3v1_space.mp3",
    };
    for (const char* name : files) {
        std::string path = Fixture(name);
        reference::Pcm pcm = reference::DecodeFile(path);
        ASSERT_GT(pcm.samples.size(), 44100u) << name;
        int32_t counter = CRateConverter::DropCounter().load();
        std::vector<uint8_t> expected = reference::ToCdAudio(pcm, counter, 0);
        std::vector<uint8_t> got = DecodeFile(path, 4096);
        EXPECT_EQ(got.size(), expected.size()) << name;
        EXPECT_EQ(FirstDifference(got, expected), -1) << name;
    }
}

TEST(Mp3Decode, PieceSizesDoNotChangeTheStream) {
    for (const char* name : {"m1_44100_stereo.mp3", "m2_24000_stereo.mp3", "m1_48000_stereo.mp3",
                             "m2_16000_mono.mp3"}) {
        // The 48000 Hz count is process-wide; each pass starts it alike.
        CRateConverter::DropCounter().store(0);
        std::vector<uint8_t> whole = DecodeFile(Fixture(name), 4096);
        ASSERT_GT(whole.size(), 5u * 176400) << name;
        for (int32_t piece : {2352, 44100, 333, 1}) {
            if (piece == 1 && std::string(name) != "m1_44100_stereo.mp3")
                continue;  // byte by byte once is enough
            CRateConverter::DropCounter().store(0);
            EXPECT_EQ(FirstDifference(DecodeFile(Fixture(name), piece), whole), -1)
                << name << " in pieces of " << piece;
        }
    }
}

TEST(Mp3Decode, ReadOutsideOpenAndReuse) {
    CMp3Source source;
    uint8_t buffer[4096];
    EXPECT_EQ(source.Read(buffer, sizeof buffer), 0) << "before Open";
    std::string path = Fixture("m1_44100_mono.mp3");
    ASSERT_EQ(source.Open(path.c_str()), 0);
    EXPECT_EQ(source.Read(buffer, 0), 0);
    EXPECT_EQ(source.Read(nullptr, 100), 0);
    EXPECT_EQ(source.Read(buffer, -4), 0);
    std::vector<uint8_t> first = ReadAll(source, 4096);
    source.Close();
    EXPECT_EQ(source.Read(buffer, sizeof buffer), 0) << "after Close";
    // Closed in the middle of a file, then opened again: a fresh start.
    ASSERT_EQ(source.Open(path.c_str()), 0);
    EXPECT_EQ(source.Read(buffer, 1000), 1000);
    source.Close();
    ASSERT_EQ(source.Open(path.c_str()), 0);
    EXPECT_EQ(FirstDifference(ReadAll(source, 4096), first), -1);
    // A mono file is the same sample left and right.
    for (size_t i = 0; i + 3 < first.size(); i += 4)
        ASSERT_TRUE(first[i] == first[i + 2] && first[i + 1] == first[i + 3]) << i;
}

TEST(Mp3Decode, PhaseCarriesOverFromOneFileToTheNext) {
    std::string path = Fixture("m2_24000_stereo.mp3");
    reference::Pcm pcm = reference::DecodeFile(path);
    CMp3Source source;
    ASSERT_EQ(source.Open(path.c_str()), 0);
    EXPECT_EQ(FirstDifference(ReadAll(source, 4096), reference::ToCdAudio(pcm, 0, 0)), -1);
    int32_t phase = source.ConversionAccumulator();
    source.Close();
    EXPECT_EQ(source.ConversionAccumulator(), phase) << "Close keeps the phase";
    ASSERT_EQ(source.Open(path.c_str()), 0);
    EXPECT_EQ(FirstDifference(ReadAll(source, 4096), reference::ToCdAudio(pcm, 0, phase)), -1);
}

// MPEG-2 frames with sampling-rate index 3, which inspection takes for 11025 Hz: the
// header of every frame of a 22050 Hz file is changed so.
std::string WriteRateIndex3File() {
    std::vector<uint8_t> bytes = mp3craft::ReadBytes(Fixture("m2_22050_stereo.mp3"));
    const int32_t kbps[] = {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160};
    size_t frames = 0;
    for (size_t i = 0; i + 4 <= bytes.size();) {
        if (bytes[i] == 0xFF && (bytes[i + 1] & 0xF6) == 0xF2) {
            int32_t bitRate = kbps[bytes[i + 2] >> 4] * 1000;
            size_t length = static_cast<size_t>(72 * bitRate / 22050 + ((bytes[i + 2] >> 1) & 1));
            bytes[i + 2] |= 0x0C;
            ++frames;
            i += std::max<size_t>(length, 1);
        } else {
            ++i;
        }
    }
    EXPECT_GT(frames, 100u);
    std::string path = testpaths::TempDir("rate3") + "/rate_index_3.mp3";
    mp3craft::WriteBytes(path, bytes);
    return path;
}

TEST(Mp3Decode, RateIndex3FramesAreRefusedByTheLibraryAndEndTheFileQuietly) {
    std::string path = WriteRateIndex3File();
    CMp3Source source;
    ASSERT_EQ(source.Open(path.c_str()), 0);
    EXPECT_EQ(source.sampleRate, 11025);
    // The library takes index 3 of MPEG-2 for the reserved value it is: nothing decodes,
    // and the file ends.
    EXPECT_TRUE(ReadAll(source, 4096).empty());
}

TEST(Mp3Decode, DamagedFilesDecodeWhatIsThereAndEnd) {
    // Half a file: half the audio, give or take the frame cut in two.
    std::vector<uint8_t> whole = DecodeFile(Fixture("m1_44100_stereo.mp3"), 4096);
    std::vector<uint8_t> half = DecodeFile(Fixture("truncated.mp3"), 4096);
    EXPECT_NEAR(static_cast<double>(half.size()), whole.size() / 2.0, 2 * 4608.0);
    EXPECT_EQ(FirstDifference(std::vector<uint8_t>(whole.begin(), whole.begin() + 100000),
                              std::vector<uint8_t>(half.begin(), half.begin() + 100000)),
              -1);
    // 8000 random bytes in the middle: the frames after them decode again, unlike the
    // library's own reader, which gives up.
    std::vector<uint8_t> mended = DecodeFile(Fixture("garbage_middle.mp3"), 4096);
    EXPECT_GT(mended.size(), whole.size() * 8 / 10);
    EXPECT_LT(mended.size(), whole.size());
}

TEST(Mp3Decode, FramesThatChangeRateAndChannelsPartWayAreConvertedByWhatTheyAre) {
    // Three encodings one after the other in one file: 44100 stereo, 22050 mono, 48000
    // stereo.  Each stretch is converted by its own rate and channel count.
    std::string path = testpaths::TempDir("mixed") + "/mixed.mp3";
    std::vector<uint8_t> bytes;
    std::vector<uint8_t> expected;
    int32_t counter = CRateConverter::DropCounter().load();
    for (const char* name : {"m1_44100_stereo.mp3", "m2_22050_mono.mp3", "m1_48000_stereo.mp3"}) {
        std::vector<uint8_t> part = mp3craft::ReadBytes(Fixture(name));
        bytes.insert(bytes.end(), part.begin(), part.end());
        reference::Pcm pcm = reference::DecodeFile(Fixture(name));
        std::vector<uint8_t> cd = reference::ToCdAudio(pcm, counter, 0);
        expected.insert(expected.end(), cd.begin(), cd.end());
    }
    mp3craft::WriteBytes(path, bytes);
    std::vector<uint8_t> got = DecodeFile(path, 4096);
    ASSERT_EQ(got.size(), expected.size());
    // Decoded on after stereo frames, the library rounds the mono stretch a little
    // differently than in a file of its own: a sample may be off by one, no more.  A
    // stretch converted by the wrong rate or channel count would be off everywhere.
    int32_t worst = 0;
    for (size_t i = 0; i + 1 < got.size(); i += 2) {
        auto a = static_cast<int16_t>(got[i] | got[i + 1] << 8);
        auto b = static_cast<int16_t>(expected[i] | expected[i + 1] << 8);
        worst = std::max(worst, std::abs(a - b));
    }
    EXPECT_LE(worst, 1);
}
}  // namespace

namespace {
TEST(Mp3Decode, Mpeg25FileBehindAFalseSyncIsRepeatedFourTimes) {
    // Inspection refuses MPEG-2.5, but four bytes that look like an MPEG-2 header in
    // front of such a file let it through; its 11025 Hz frames then decode as what they
    // are and each is written four times, so the song plays at its own speed.
    std::string original = Fixture("m25_11025_mono.mp3");
    std::vector<uint8_t> bytes = {0xFF, 0xF3, 0x90, 0x00};
    bytes.resize(204, 0);
    std::vector<uint8_t> song = mp3craft::ReadBytes(original);
    bytes.insert(bytes.end(), song.begin(), song.end());
    std::string path = testpaths::TempDir("m25") + "/false_sync.mp3";
    mp3craft::WriteBytes(path, bytes);

    reference::Pcm pcm = reference::DecodeFile(original);
    ASSERT_EQ(pcm.rate, 11025);
    CMp3Source source;
    ASSERT_EQ(source.Open(path.c_str()), 0);
    int32_t phase = source.ConversionAccumulator();
    std::vector<uint8_t> got = ReadAll(source, 4096);
    EXPECT_EQ(got.size(), pcm.samples.size() * 16);
    EXPECT_EQ(FirstDifference(got, reference::ToCdAudio(pcm, 0, phase)), -1);
}

TEST(Mp3Decode, CorruptedFramesNeverOverrunOrHang) {
    // Damage everywhere: a fixture with one byte in 50 replaced, and a valid first frame
    // followed by random bytes rich in sync patterns.  Whatever the library makes of
    // them, every read stays within bounds and the file ends.
    std::vector<uint8_t> clean = mp3craft::ReadBytes(Fixture("m1_44100_stereo.mp3"));
    std::string dir = testpaths::TempDir("corrupt");
    uint32_t seed = 12345;
    auto next = [&seed] {
        seed = seed * 1103515245u + 12345u;
        return seed >> 16;
    };
    for (int round = 0; round < 6; ++round) {
        std::vector<uint8_t> bytes = clean;
        if (round % 2 == 0) {
            for (size_t i = 4; i < bytes.size(); i += 1 + next() % 99)
                bytes[i] = static_cast<uint8_t>(next());
        } else {
            bytes.resize(4 + 200000);
            for (size_t i = 4; i < bytes.size(); ++i) {
                uint32_t r = next();
                bytes[i] = r % 7 == 0 ? 0xFF : static_cast<uint8_t>(r % 5 == 0 ? 0xFB : r >> 3);
            }
        }
        std::string path = dir + "/corrupt.mp3";
        mp3craft::WriteBytes(path, bytes);
        std::vector<uint8_t> got = DecodeFile(path, 4096);
        // Even garbage cannot turn into more than the longest audio a frame can carry:
        // one second of CD audio per 100 bytes would already be far beyond it.
        EXPECT_LT(got.size(), bytes.size() / 100 * 176400) << round;
    }
}
}  // namespace
