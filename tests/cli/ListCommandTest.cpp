// tunevarn-cli list on the sample songs and on bad arguments.
#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "audio/Mp3Header.h"
#include "support/Mp3Craft.h"
#include "support/RunCommand.h"
#include "support/TestPaths.h"

namespace {
using testpaths::Cli;
using testpaths::Fixture;
using testpaths::RunProgram;

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// Collapses runs of blanks so that column padding does not matter.
std::string Squeeze(const std::string& line) {
    std::string out;
    for (char c : line)
        if (c != ' ' || out.empty() || out.back() != ' ')
            out += c;
    return out;
}

TEST(CliList, SampleFolderInSongListOrder) {
    std::string songs = Fixture("songs");
    auto r = RunProgram({Cli(), "list", songs});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    auto lines = Lines(r.out);
    ASSERT_EQ(lines.size(), 5u) << r.out;
    EXPECT_EQ(Squeeze(lines[0]), "MP3 Title Time Full Path");
    // Titles from the ID3 tags, lengths of 4, 3 and 5 seconds as lame marked them; the
    // hidden folder and the text file are left out.
    EXPECT_EQ(Squeeze(lines[1]), "Morning - Sample Band 00:04 " + songs + "/01 Morning.mp3");
    EXPECT_EQ(Squeeze(lines[2]), "Noon - Sample Band 00:03 " + songs + "/02 Noon.MP3");
    EXPECT_EQ(Squeeze(lines[3]), "Evening - Sample Band 00:05 " + songs + "/More/03 Evening.mp3");
    EXPECT_EQ(lines[4],
              "3 songs, total time: 00:12, time left:<74min disc>73:48 <80min disc>79:48");
}

TEST(CliList, FilesRelativePathsAndRefusals) {
    auto r = RunProgram({Cli(), "list", "m1_44100_stereo.mp3", "./garbage.mp3", "missing.mp3",
                         "songs/../id3v1_space.mp3"},
                        Fixture(""));
    ASSERT_EQ(r.status, 0);
    auto lines = Lines(r.out);
    ASSERT_EQ(lines.size(), 4u) << r.out;
    std::string dir = Fixture("");
    dir.pop_back();
    EXPECT_EQ(Squeeze(lines[1]), "m1_44100_stereo 00:06 " + dir + "/m1_44100_stereo.mp3");
    EXPECT_EQ(Squeeze(lines[2]), "Song - Band 00:06 " + dir + "/id3v1_space.mp3");
    EXPECT_EQ(lines[3],
              "2 songs, total time: 00:12, time left:<74min disc>73:48 <80min disc>79:48");
    EXPECT_NE(r.err.find("garbage.mp3"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("missing.mp3"), std::string::npos) << r.err;
}

// The reason a song is left out is the real one, and names from files never reach the
// terminal with their control characters.
TEST(CliList, LeftOutSongsAreNamedWithTheRightReason) {
    std::string dir = testpaths::TempDir("cli-reasons");
    mp3craft::WriteSeconds(dir + "/line\nbreak.mp3", 2);
    std::string longFolder = dir;
    while (longFolder.size() < 250) longFolder += "/" + std::string(30, 'l');
    std::filesystem::create_directories(longFolder);
    mp3craft::WriteSeconds(longFolder + "/long.mp3", 2);
    std::string deep = dir + "/deep";
    for (int level = 0; level < 65; ++level) deep += "/d";
    std::filesystem::create_directories(deep);
    mp3craft::WriteSeconds(deep + "/deepest.mp3", 2);
    mp3craft::Shape tagged;
    tagged.tag = true;
    tagged.tagTitle = "Bell\x07Title";
    mp3craft::Write(dir + "/\x1b[31mred.mp3", tagged);

    auto r = RunProgram({Cli(), "list", dir});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("skipped " + dir + "/line?break.mp3: its name holds a line break\n"),
              std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find("skipped " + longFolder +
                         "/long.mp3: its path is longer than 255 "
                         "bytes\n"),
              std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find("skipped " + deep.substr(0, deep.size() - 2) +
                         ": the folder is more than 64 levels deep; its songs are not "
                         "searched\n"),
              std::string::npos)
        << r.err;
    EXPECT_NE(r.out.find("Bell?Title"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find(dir + "/?[31mred.mp3\n"), std::string::npos) << r.out;
    for (const std::string& text : {r.out, r.err})
        for (char c : text)
            EXPECT_TRUE(static_cast<unsigned char>(c) >= 0x20 || c == '\n') << int(c);
}

std::vector<uint8_t> Bytes(const std::string& text) {
    return std::vector<uint8_t>(text.begin(), text.end());
}

void PutBigEndian(std::vector<uint8_t>& bytes, size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<uint8_t>(value >> (24 - 8 * i));
}

// A song's first frame says how many frames follow only as far as the file bears it
// out, and a VBRI frame is no more audio than a Xing frame: a song of an encoder's frames
// lists and exports the same without its header frame, with a frame count of 0 or of 4
// billion, or with a VBRI header in its place.  A playlist line is taken whole or not at
// all, PLS entries come in their numbers' order, and a Latin-1 M3U finds its files.
TEST(CliList, HeadersAndListLinesTellTheTruth) {
    const std::string dir = testpaths::TempDir("cli-truth");
    const std::vector<uint8_t> song = mp3craft::ReadBytes(Fixture("vbr_xing_44100.mp3"));
    CMp3FrameHeader first;
    ASSERT_TRUE(ParseFrameHeader(song.data(), first));
    const size_t frame = static_cast<size_t>(first.FrameBytes());
    ASSERT_EQ(std::string(song.begin() + 36, song.begin() + 40), "Xing");
    const uint32_t count = song[44] << 24 | song[45] << 16 | song[46] << 8 | song[47];
    mp3craft::WriteBytes(dir + "/plain.mp3",
                         std::vector<uint8_t>(song.begin() + frame, song.end()));
    for (uint32_t wrong : {0u, 0xFFFFFFFFu}) {
        std::vector<uint8_t> bytes = song;
        PutBigEndian(bytes, 44, wrong);
        mp3craft::WriteBytes(dir + "/count" + std::to_string(wrong) + ".mp3", bytes);
    }
    std::vector<uint8_t> vbri = song;
    std::fill(vbri.begin() + 4, vbri.begin() + static_cast<std::ptrdiff_t>(frame), 0);
    std::copy_n("VBRI", 4, vbri.begin() + 36);
    PutBigEndian(vbri, 36 + 14, count);
    mp3craft::WriteBytes(dir + "/vbri.mp3", vbri);

    const std::vector<std::string> names = {"plain", "count0", "count4294967295", "vbri"};
    std::vector<std::string> times;
    for (const std::string& name : names) {
        auto r = RunProgram({Cli(), "list", dir + "/" + name + ".mp3"});
        ASSERT_EQ(r.status, 0) << name << r.err;
        times.push_back(Squeeze(Lines(r.out).at(1)).substr(name.size() + 1, 5));
        ASSERT_EQ(
            RunProgram({Cli(), "export-raw", dir + "/" + name + ".mp3", dir + "/" + name + ".bin"})
                .status,
            0);
        EXPECT_EQ(times.back(), times.front()) << name;
        EXPECT_TRUE(mp3craft::ReadBytes(dir + "/" + name + ".bin") ==
                    mp3craft::ReadBytes(dir + "/plain.bin"))
            << name;
    }
    EXPECT_NE(times.front(), "00:00");

    for (const char* name : {"/a.mp3", "/b.mp3", "/Caf\xC3\xA9.mp3"})
        std::filesystem::copy_file(Fixture("m1_44100_mono.mp3"), dir + name);
    mp3craft::WriteBytes(dir + "/list.m3u",
                         Bytes(std::string("a.mp3\0b.mp3\r\nCaf\xE9.mp3\r\n", 23)));
    mp3craft::WriteBytes(dir + "/list.pls",
                         Bytes("[playlist]\nFile2=a.mp3\nFile10=Caf\xC3\xA9.mp3\nFile1=b.mp3\n"));
    auto r = RunProgram({Cli(), "list", "list.m3u", "list.pls"}, dir);
    ASSERT_EQ(r.status, 0) << r.err;
    auto lines = Lines(r.out);
    ASSERT_EQ(lines.size(), 6u) << r.out;
    const char* const order[] = {"/Caf\xC3\xA9.mp3", "/b.mp3", "/a.mp3", "/Caf\xC3\xA9.mp3"};
    for (size_t i = 0; i < 4; ++i)
        EXPECT_EQ(lines[i + 1].substr(lines[i + 1].rfind(' ') + 1), dir + order[i]);
    EXPECT_NE(r.err.find("skipped a.mp3 in " + dir + "/list.m3u"), std::string::npos) << r.err;
}

// An ID3 version 2 tag of one title frame (Latin-1 text), in front of a song; version 3
// or 4, the frame compressed with zlib when asked.
std::vector<uint8_t> TitleTag(uint8_t version, const std::string& text, bool compress) {
    std::vector<uint8_t> data = Bytes(text);
    std::vector<uint8_t> frame = {'T', 'I', 'T', '2', 0, 0, 0, 0, 0, 0};
    if (compress) {
        uLongf length = compressBound(data.size());
        std::vector<uint8_t> packed(length);
        EXPECT_EQ(compress2(packed.data(), &length, data.data(), data.size(), 9), Z_OK);
        packed.resize(length);
        frame[9] = 0x80;
        frame.insert(frame.end(), 4, 0);
        PutBigEndian(frame, 10, static_cast<uint32_t>(data.size()));
        data = packed;
    }
    frame.insert(frame.end(), data.begin(), data.end());
    const uint32_t size = static_cast<uint32_t>(frame.size() - 10);
    std::vector<uint8_t> tag =
        mp3craft::Id3v2Header(version, 0, static_cast<uint32_t>(frame.size()));
    if (version == 4)
        std::copy_n(mp3craft::Id3v2Header(4, 0, size).begin() + 6, 4, frame.begin() + 4);
    else
        PutBigEndian(frame, 4, size);
    tag.insert(tag.end(), frame.begin(), frame.end());
    return tag;
}

// What the tags say becomes the title as a person would write it: an ID3 version 1 title
// alone without its empty artist, the file's name for an empty tag, a compressed frame
// read, a byte order mark gone, a line break a blank.
TEST(CliList, TitlesAsTheTagsMeanThem) {
    const std::string dir = testpaths::TempDir("cli-titles");
    const std::vector<uint8_t> song = mp3craft::ReadBytes(Fixture("title_base.mp3"));
    auto write = [&](const std::string& name, std::vector<uint8_t> front,
                     std::vector<uint8_t> back) {
        front.insert(front.end(), song.begin(), song.end());
        front.insert(front.end(), back.begin(), back.end());
        mp3craft::WriteBytes(dir + "/" + name + ".mp3", front);
    };
    write("1", {}, mp3craft::Id3v1Tag("Only A Title", "", false));
    write("2", {}, mp3craft::Id3v1Tag("", "", true));
    write("3", TitleTag(3, std::string("\0Squeezed Title", 15), true), {});
    write("4",
          TitleTag(4,
                   "\x03\xEF\xBB\xBF"
                   "Marked Title",
                   false),
          {});
    write("5", TitleTag(3, std::string("\0Two\r\nLines", 11), false), {});
    auto r = RunProgram({Cli(), "list", dir});
    ASSERT_EQ(r.status, 0) << r.err;
    auto lines = Lines(r.out);
    ASSERT_EQ(lines.size(), 7u) << r.out;
    const char* const titles[] = {"Only A Title", "2", "Squeezed Title", "Marked Title",
                                  "Two Lines"};
    for (size_t i = 0; i < 5; ++i)
        EXPECT_EQ(Squeeze(lines[i + 1]).rfind(std::string(titles[i]) + " 00:", 0), 0u)
            << lines[i + 1];
}
}  // namespace
