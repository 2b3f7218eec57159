// Inspection of encoder-made files and of files that are not songs at all, and the
// ID3 version 1 title.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <string>

#include "audio/Mp3Source.h"
#include "support/Mp3Craft.h"
#include "support/TestPaths.h"

namespace {
using testpaths::Fixture;

int64_t FileSize(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? static_cast<int64_t>(st.st_size) : -1;
}

TEST(Mp3Fixtures, EveryRateAndChannelLayout) {
    struct Case {
        const char* name;
        int32_t rate;
        bool mono;
        int32_t kbps;
    } cases[] = {
        {"m1_44100_stereo", 44100, false, 128}, {"m1_44100_mono", 44100, true, 128},
        {"m1_48000_stereo", 48000, false, 128}, {"m1_32000_stereo", 32000, false, 128},
        {"m2_22050_stereo", 22050, false, 64},  {"m2_22050_mono", 22050, true, 64},
        {"m2_24000_stereo", 24000, false, 64},  {"m2_16000_stereo", 16000, false, 32},
        {"m2_16000_mono", 16000, true, 32},
    };
    for (const Case& c : cases) {
        std::string path = Fixture(std::string(c.name) + ".mp3");
        CMp3Source source;
        ASSERT_EQ(source.Open(path.c_str()), 0) << c.name;
        EXPECT_EQ(source.sampleRate, c.rate) << c.name;
        EXPECT_EQ(source.mono, c.mono) << c.name;
        EXPECT_EQ(source.bitRate, c.kbps * 1000) << c.name;
        // Five seconds of audio plus the encoder's delay and padding: just over five
        // seconds, so six by the rounded-up bit-rate rule.
        EXPECT_EQ(source.Duration(), 6) << c.name;
        EXPECT_EQ(source.FirstFrameOffset(), 0) << c.name;
    }
}

TEST(Mp3Fixtures, VbrFilesTakeTheirLengthFromTheXingHeader) {
    // 7 seconds of audio; the first frame's bit rate says nothing about a VBR file.
    // The MPEG-2 file counts 576 samples per frame, or it would last 14 seconds.
    for (const char* name : {"vbr_xing_44100.mp3", "vbr_xing_22050.mp3"}) {
        CMp3Source source;
        ASSERT_EQ(source.Open(Fixture(name).c_str()), 0) << name;
        EXPECT_EQ(source.Duration(), 7) << name;
    }
}

TEST(Mp3Fixtures, Id3v2TagInFrontIsSkippedAndNotTimed) {
    std::string path = Fixture("id3v2_front.mp3");
    auto bytes = mp3craft::ReadBytes(path);
    ASSERT_GT(bytes.size(), 10u);
    ASSERT_EQ(std::memcmp(bytes.data(), "ID3", 3), 0);
    // The tag's size is a 28-bit "synchsafe" number after a 10-byte header.
    int64_t tagSize = 10 + ((bytes[6] & 0x7F) << 21 | (bytes[7] & 0x7F) << 14 |
                            (bytes[8] & 0x7F) << 7 | (bytes[9] & 0x7F));
    CMp3Source source;
    ASSERT_EQ(source.Open(path.c_str()), 0);
    EXPECT_EQ(source.FirstFrameOffset(), tagSize);
    EXPECT_EQ(source.Duration(), ((FileSize(path) - tagSize) * 8 + 127999) / 128000);
    char title[64];
    EXPECT_FALSE(ReadId3Title(path.c_str(), title, sizeof title));
}

TEST(Mp3Fixtures, DamagedAndForeignFiles) {
    EXPECT_EQ(CMp3Source().Open(Fixture("empty.mp3").c_str()), -2);
    EXPECT_EQ(CMp3Source().Open(Fixture("garbage.mp3").c_str()), -2);
    EXPECT_EQ(CMp3Source().Open(Fixture("layer2.mp3").c_str()), -2);
    // Damage after the first frame is the decoder's business, not inspection's.
    CMp3Source truncated;
    ASSERT_EQ(truncated.Open(Fixture("truncated.mp3").c_str()), 0);
    EXPECT_EQ(truncated.Duration(), (FileSize(Fixture("truncated.mp3")) * 8 + 127999) / 128000);
    EXPECT_EQ(CMp3Source().Open(Fixture("garbage_middle.mp3").c_str()), 0);
}

TEST(Mp3Open, ThingsThatAreNotReadableFiles) {
    std::string dir = testpaths::TempDir("notfiles");
    EXPECT_EQ(CMp3Source().Open((dir + "/vanished.mp3").c_str()), -1);
    EXPECT_EQ(CMp3Source().Open(dir.c_str()), -1);
    EXPECT_EQ(CMp3Source().Open("/dev/null"), -1);
    EXPECT_EQ(CMp3Source().Open(""), -1);
    // A FIFO with no writer must not block the open.
    std::string fifo = dir + "/pipe.mp3";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    EXPECT_EQ(CMp3Source().Open(fifo.c_str()), -1);
    char title[64];
    EXPECT_FALSE(ReadId3Title(fifo.c_str(), title, sizeof title));
    EXPECT_FALSE(ReadId3Title(dir.c_str(), title, sizeof title));
}

TEST(Mp3Open, FileWithoutReadPermission) {
    std::string dir = testpaths::TempDir("perm");
    std::string path = dir + "/locked.mp3";
    mp3craft::WriteSeconds(path, 3);
    ASSERT_EQ(::chmod(path.c_str(), 0000), 0);
    ASSERT_EQ(::chmod(dir.c_str(), 0755), 0);
    // Root reads anything, so the check runs in a child that gives up its privileges.
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0))
            ::_exit(3);
        char title[64];
        int32_t result = CMp3Source().Open(path.c_str());
        ::_exit(result == -1 && !ReadId3Title(path.c_str(), title, sizeof title) ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST(Id3Title, PaddingStylesAndFullFields) {
    char title[64];
    ASSERT_TRUE(ReadId3Title(Fixture("id3v1_space.mp3").c_str(), title, sizeof title));
    EXPECT_STREQ(title, "Song - Band");
    ASSERT_TRUE(ReadId3Title(Fixture("id3v1_nul.mp3").c_str(), title, sizeof title));
    EXPECT_STREQ(title, "Song - Band");
    ASSERT_TRUE(ReadId3Title(Fixture("id3v1_full.mp3").c_str(), title, sizeof title));
    EXPECT_STREQ(title, "A title of exactly thirty ch - Artist");
    EXPECT_FALSE(ReadId3Title(Fixture("m1_44100_stereo.mp3").c_str(), title, sizeof title));
    EXPECT_FALSE(ReadId3Title(Fixture("missing.mp3").c_str(), title, sizeof title));
}

TEST(Id3Title, FieldRules) {
    char out[64];
    // Empty fields still give the separator.
    auto tag = mp3craft::Id3v1Tag("", "", false);
    ASSERT_TRUE(Id3TitleFromTag(tag.data(), out, sizeof out));
    EXPECT_STREQ(out, " - ");
    // A field that ends with a NUL keeps its blanks; only a full field loses them.
    tag = mp3craft::Id3v1Tag("Song  ", "Band", false);
    ASSERT_TRUE(Id3TitleFromTag(tag.data(), out, sizeof out));
    EXPECT_STREQ(out, "Song   - Band");
    // Two full 30-byte fields make the longest title: 63 characters.
    std::string thirty(30, 'x');
    tag = mp3craft::Id3v1Tag(thirty, thirty, false);
    ASSERT_TRUE(Id3TitleFromTag(tag.data(), out, sizeof out));
    EXPECT_EQ(std::strlen(out), 63u);
    // A smaller slot is never overrun.
    char small[8];
    std::memset(small, 'Z', sizeof small);
    ASSERT_TRUE(Id3TitleFromTag(tag.data(), small, sizeof small));
    EXPECT_STREQ(small, "xxxxxxx");
    // Not a tag.
    tag[0] = 'T', tag[1] = 'A', tag[2] = 'X';
    EXPECT_FALSE(Id3TitleFromTag(tag.data(), out, sizeof out));
}

TEST(Id3Title, TagOnFilesShorterThanATag) {
    std::string dir = testpaths::TempDir("shorttag");
    std::vector<uint8_t> bytes = mp3craft::Id3v1Tag("Song", "Band", false);
    bytes.pop_back();  // 127 bytes starting with "TAG"
    mp3craft::WriteBytes(dir + "/t.mp3", bytes);
    char out[64];
    EXPECT_FALSE(ReadId3Title((dir + "/t.mp3").c_str(), out, sizeof out));
}
}  // namespace
