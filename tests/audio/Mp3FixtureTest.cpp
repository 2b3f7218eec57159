// The titles that encoder-made and hand-made tags give, and files that are not songs at
// all.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <string>
#include <vector>

#include "audio/Mp3Source.h"
#include "support/Mp3Craft.h"
#include "support/TestPaths.h"

namespace {
using testpaths::Fixture;

std::string TitleOf(const std::string& path) {
    CMp3Source source;
    std::string title;
    if (source.Open(path.c_str()) != 0 || !source.TagTitle(title))
        return "(none)";
    return title;
}

TEST(TagTitle, EveryId3v2VersionAndEncodingThenApeThenVersion1) {
    const std::string latin1 = "Caf\xC3\xA9 Song - \xC3\x84rtist";
    const std::string wide = "Clef \xF0\x9D\x84\x9E Song - B\xC3\xA4nd \xE2\x9C\x93";
    struct Case {
        const char* name;
        std::string title;
    } cases[] = {
        {"title_v23_latin1.mp3", latin1},
        {"title_v24_latin1.mp3", latin1},
        {"title_v23_utf16.mp3", wide},
        {"title_v24_utf16.mp3", wide},
        {"title_v24_utf16be.mp3", wide},
        {"title_v24_utf8.mp3", wide},
        {"title_v24_no_artist.mp3", "Lonely Title"},
        {"id3v2_front.mp3", "Front Tagged - Tagger"},
        {"cover_false_sync.mp3", "Covered Song - Picture Band"},
        // A version 2 tag wins over a stale version 1 tag, and so does APEv2.
        {"title_v2_and_stale_v1.mp3", "Fresh Title - Band"},
        {"title_ape_only.mp3", "Ape Title - Ape Band"},
        {"title_ape_and_stale_v1.mp3", "Ape Title - Ape Band"},
        {"id3v1_space.mp3", "Song - Band"},
        {"title_base.mp3", "(none)"},
    };
    for (const Case& c : cases) EXPECT_EQ(TitleOf(Fixture(c.name)), c.title) << c.name;
}

// An ID3 version 2 tag made by hand, for what the Debian taggers do not write.
struct CTagMaker {
    uint8_t version = 3;
    uint8_t flags = 0;
    uint8_t frameFormat = 0;  // version 2.4: the second flag byte of each frame
    std::vector<uint8_t> body;

    // Version 2.2 has three-letter names and three-byte sizes, 2.4 sizes of 7 bits a byte.
    void Frame(const char* id, const std::vector<uint8_t>& data) {
        const int bytes = version == 2 ? 3 : 4;
        const int bits = version == 4 ? 7 : 8;
        body.insert(body.end(), id, id + bytes);
        for (int k = bytes - 1; k >= 0; --k)
            body.push_back(static_cast<uint8_t>(data.size() >> (k * bits) & ((1u << bits) - 1)));
        if (version != 2)
            body.insert(body.end(), {0, frameFormat});
        body.insert(body.end(), data.begin(), data.end());
    }
    void Text(const char* id, const std::string& latin1) {
        std::vector<uint8_t> data = {0};
        data.insert(data.end(), latin1.begin(), latin1.end());
        Frame(id, data);
    }
    std::vector<uint8_t> Tag() const {
        std::vector<uint8_t> tag =
            mp3craft::Id3v2Header(version, flags, static_cast<uint32_t>(body.size()));
        tag.insert(tag.end(), body.begin(), body.end());
        return tag;
    }
};

std::string TitleWithTag(const std::vector<uint8_t>& tag) {
    std::vector<uint8_t> bytes = tag;
    std::vector<uint8_t> song = mp3craft::ReadBytes(Fixture("title_base.mp3"));
    bytes.insert(bytes.end(), song.begin(), song.end());
    std::string path = testpaths::TempDir("tags") + "/tagged.mp3";
    mp3craft::WriteBytes(path, bytes);
    return TitleOf(path);
}

TEST(TagTitle, Id3v2VersionTwoUnsynchronisationAndExtendedHeaders) {
    // Version 2.2: three-letter frame names and three-byte sizes.
    CTagMaker v22;
    v22.version = 2;
    v22.Text("TT2", "Old Song");
    v22.Text("TP1", "Old Band");
    EXPECT_EQ(TitleWithTag(v22.Tag()), "Old Song - Old Band");

    // Unsynchronisation: every 0xFF of the tag is followed by an inserted 0x00, which the
    // reader takes out again ("\xFF" is y with diaeresis in Latin-1).
    CTagMaker plain;
    plain.Text("TIT2",
               "\xFF"
               "es \xFF");
    plain.Text("TPE1", "Band");
    CTagMaker unsynced;
    unsynced.flags = 0x80;
    for (uint8_t b : plain.body) {
        unsynced.body.push_back(b);
        if (b == 0xFF)
            unsynced.body.push_back(0x00);
    }
    EXPECT_EQ(TitleWithTag(unsynced.Tag()),
              "\xC3\xBF"
              "es \xC3\xBF - Band");
    // Version 2.4 marks each unsynchronised frame, whose size counts the inserted bytes.
    CTagMaker perFrame;
    perFrame.version = 4;
    perFrame.flags = 0x80;
    perFrame.frameFormat = 0x02;
    std::string unsyncedText = "\xFF";
    unsyncedText += '\0';
    unsyncedText += "es \xFF";
    unsyncedText += '\0';
    perFrame.Text("TIT2", unsyncedText);
    perFrame.frameFormat = 0;
    perFrame.Text("TPE1", "Band");
    EXPECT_EQ(TitleWithTag(perFrame.Tag()),
              "\xC3\xBF"
              "es \xC3\xBF - Band");

    // Extended headers in front of the frames, in the layouts of 2.3 and 2.4.
    CTagMaker v23;
    v23.flags = 0x40;
    v23.body = {0, 0, 0, 6, 0, 0, 0, 0, 0, 0};  // size 6, no flags, no padding
    v23.Text("TIT2", "Extended");
    EXPECT_EQ(TitleWithTag(v23.Tag()), "Extended");
    CTagMaker v24;
    v24.version = 4;
    v24.flags = 0x40;
    v24.body = {0, 0, 0, 6, 1, 0};  // size 6 with itself, one flag byte
    v24.Text("TIT2", "Extended Four");
    v24.Text("TPE1", "Band");
    EXPECT_EQ(TitleWithTag(v24.Tag()), "Extended Four - Band");

    // Blanks around the texts go; a tag with no title gives none, whatever else it has.
    CTagMaker blanks;
    blanks.Text("TIT2", "  Spaced  ");
    blanks.Text("TPE1", " Band ");
    EXPECT_EQ(TitleWithTag(blanks.Tag()), "Spaced - Band");
    CTagMaker artistOnly;
    artistOnly.Text("TPE1", "Band");
    EXPECT_EQ(TitleWithTag(artistOnly.Tag()), "(none)");
}

TEST(Mp3Open, ThingsThatAreNotReadableFiles) {
    std::string dir = testpaths::TempDir("notfiles");
    EXPECT_EQ(CMp3Source().Open((dir + "/vanished.mp3").c_str()), -1);
    EXPECT_EQ(CMp3Source().Open(dir.c_str()), -1);
    EXPECT_EQ(CMp3Source().Open("/dev/null"), -1);
    EXPECT_EQ(CMp3Source().Open(""), -1);
    // An empty file opens, and is no song.  (Damage after the first frame is the
    // decoder's business: Mp3DecodeTest.)
    EXPECT_EQ(CMp3Source().Open(Fixture("empty.mp3").c_str()), -2);
    // A FIFO with no writer must not block the open.
    std::string fifo = dir + "/pipe.mp3";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    EXPECT_EQ(CMp3Source().Open(fifo.c_str()), -1);
    char title[64];
    EXPECT_FALSE(ReadId3Title(fifo.c_str(), title, sizeof title));
    EXPECT_FALSE(ReadId3Title(dir.c_str(), title, sizeof title));
}

}  // namespace
