// Decoding encoder-made files to CD audio, checked against an independent path: the
// same file decoded by libmpg123's own file reader (which finds the frames and trims the
// encoder's delay by itself) and converted in one piece; then files that are damaged or
// odd.  (The same song decoded again, and reopened part-way: DecodeAheadTest.)
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "audio/Mp3Source.h"
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

TEST(Mp3Decode, EverySongMatchesTheLibrarysOwnReaderConvertedInOnePiece) {
    const char* files[] = {
        "m1_44100_stereo.mp3", "m1_44100_mono.mp3",    "m1_48000_stereo.mp3",
        "m1_32000_stereo.mp3", "m2_24000_stereo.mp3",  "m2_22050_stereo.mp3",
        "m2_22050_mono.mp3",   "m2_16000_stereo.mp3",  "m2_16000_mono.mp3",
        "m25_11025_mono.mp3",  "m25_8000_mono.mp3",    "m25_12000_stereo.mp3",
        "vbr_xing_44100.mp3",  "vbr_xing_22050.mp3",   "vbr_noxing_8s.mp3",
        "exact_vbr_8s.mp3",    "cover_false_sync.mp3", "id3v2_front.mp3",
        "id3v1_space.mp3",     "title_ape_only.mp3",
    };
    for (const char* name : files) {
        std::string path = Fixture(name);
        reference::Pcm pcm = reference::DecodeFile(path);
        ASSERT_GT(pcm.samples.size(), 8000u) << name;
        std::vector<uint8_t> expected = reference::ToCdAudio(pcm);
        std::vector<uint8_t> got = DecodeFile(path, 4096);
        EXPECT_EQ(got.size(), expected.size()) << name;
        EXPECT_EQ(FirstDifference(got, expected), -1) << name;
    }
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
    // stereo.  Each stretch is converted by its own rate and channel count, to its end.
    std::string path = testpaths::TempDir("mixed") + "/mixed.mp3";
    std::vector<uint8_t> bytes;
    std::vector<uint8_t> expected;
    for (const char* name : {"m1_44100_stereo.mp3", "m2_22050_mono.mp3", "m1_48000_stereo.mp3"}) {
        std::vector<uint8_t> part = mp3craft::ReadBytes(Fixture(name));
        bytes.insert(bytes.end(), part.begin(), part.end());
        std::vector<uint8_t> cd = reference::ToCdAudio(reference::DecodeFile(Fixture(name)));
        expected.insert(expected.end(), cd.begin(), cd.end());
    }
    mp3craft::WriteBytes(path, bytes);
    std::vector<uint8_t> got = DecodeFile(path, 4096);
    ASSERT_EQ(got.size(), expected.size());
    // Decoded on after stereo frames, the library rounds the mono stretch a little
    // differently than in a file of its own: a sample may be off by one before the
    // filter, a few after it.  A stretch converted by the wrong rate or channel count
    // would be off everywhere.
    int32_t worst = 0;
    for (size_t i = 0; i + 1 < got.size(); i += 2) {
        auto a = static_cast<int16_t>(got[i] | got[i + 1] << 8);
        auto b = static_cast<int16_t>(expected[i] | expected[i + 1] << 8);
        worst = std::max(worst, std::abs(a - b));
    }
    EXPECT_LE(worst, 4);
}
}  // namespace
