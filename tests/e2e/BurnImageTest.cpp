// End to end: MP3 files -> tunevarn-cli burn -> the virtual recorder's image, read back
// by libcdio (cd-info, and its CD-TEXT parser for the .cdt file) and compared with the
// layout, the titles and the audio that the songs must give; one disc burnt through
// every driver on a drive of its kind, each image the same music; and gapless images
// and titles in other scripts through the image recorder, with no variable set.
#include <cdio/cdtext.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "disc/DiscImage.h"
#include "songlist/SongList.h"
#include "support/Mp3Craft.h"
#include "support/ReferenceDecode.h"
#include "support/RunCommand.h"
#include "support/TestPaths.h"

namespace {
using testpaths::Fixture;
using Bytes = std::vector<uint8_t>;

// Three sample rates: 44100, 48000 and 32000 Hz.
const std::vector<std::string> kSongs = {Fixture("songs/01 Morning.mp3"),
                                         Fixture("songs/02 Noon.MP3"),
                                         Fixture("songs/More/03 Evening.mp3")};
// Every kind of rate, one of them twice: after the level analysis has decoded every
// song once more, each still comes out as its export.
const std::vector<std::string> kMixedSongs = {
    Fixture("m1_48000_stereo.mp3"), Fixture("m2_22050_mono.mp3"), Fixture("vbr_xing_44100.mp3"),
    Fixture("m25_12000_stereo.mp3"), Fixture("m1_48000_stereo.mp3")};

// Every way to write: each driver on a virtual drive of its command set.
struct Way {
    const char* driver;
    const char* model;
    const char* blockTypes;  // of the raw drive
    bool named;              // --driver rather than driver.lst
    uint32_t writeBytes;     // of a full audio WRITE
};
const Way kWays[] = {
    {"MMC", "mmc", "", false, 27 * 2352},         {"MMCRAW", "mmc-raw", "1 2 3", false, 27 * 2368},
    {"MMCRAW", "mmc-raw", "3", false, 26 * 2448}, {"MMCRAW", "mmc-raw", "2", true, 26 * 2448},
    {"MMC2", "mmc2", "", false, 13 * 2352},       {"MMCTRACK", "tao", "", true, 27 * 2352},
    {"2600", "2600", "", false, 13 * 2352},       {"RIC", "ric", "", true, 27 * 2352},
    {"SONY", "sony", "", false, 27 * 2352},       {"TEAC", "teac", "", false, 27 * 2352},
    {"MMCCDTEXT", "mmc", "", false, 27 * 2352},
};
// A disc image as libcdio's cd-info reads it back from its cue sheet.
struct CdInfo {
    std::vector<int32_t> lsn;  // track starts
    int32_t leadOut = -1;
    std::vector<std::string> titles;  // [0] the disc
};

CdInfo ReadWithCdInfo(const std::string& cue) {
    auto r =
        testpaths::RunProgram({"/usr/bin/env", "cd-info", "--no-device-info", "--cue-file", cue});
    EXPECT_EQ(r.status, 0) << r.err;  // 127: libcdio-utils is not installed
    CdInfo info;
    const std::regex track(R"(^\s*(\d+): (\d\d:\d\d:\d\d)\s+(\d+) (audio|leadout))");
    const std::regex title(R"(^\s+TITLE: (.*)$)");
    std::stringstream lines(r.out);
    std::string line;
    std::smatch m;
    while (std::getline(lines, line)) {
        if (std::regex_search(line, m, track))
            (m[4] == "leadout" ? info.leadOut : info.lsn.emplace_back()) = std::stoi(m[3]);
        else if (std::regex_search(line, m, title))
            info.titles.push_back(m[1]);
    }
    return info;
}

testpaths::CommandResult Cli(const std::string& folder, const std::vector<std::string>& args) {
    return testpaths::RunCli({"TUNEVARN_VIRTUAL_RECORDER=" + folder}, args, folder);
}

// Each song exported as the raw track the export command makes: its whole seconds.
std::vector<Bytes> RawExports(const std::string& folder, const std::vector<std::string>& songs) {
    std::vector<Bytes> exports;
    for (size_t i = 0; i < songs.size(); ++i) {
        const std::string bin = folder + "/export-" + std::to_string(i) + ".bin";
        auto r = Cli(folder, {"export-raw", songs[i], bin});
        EXPECT_EQ(r.status, 0) << r.err;
        exports.push_back(mp3craft::ReadBytes(bin));
    }
    return exports;
}

struct Listed {
    std::vector<std::string> titles;
    std::vector<int32_t> seconds;  // of each track: its song's, 4 at least
};

// Titles as the song list takes them, and the songs' tracks' lengths: Noon's 3 seconds
// make a track of the shortest a CD allows.
Listed SongList() {
    CSongList list;
    for (const std::string& song : kSongs) EXPECT_EQ(list.AddSong(song), AddSongResult::kAdded);
    Listed listed;
    for (int32_t i = 0; i < list.RowCount(); ++i) {
        listed.titles.push_back(list.Title(i));
        listed.seconds.push_back(std::max(list.SongDuration(i), CDiscImage::kMinTrackSeconds));
    }
    return listed;
}

// The normalization of one track, computed here from the export: the peak over the
// blocks the analysis reads, and the gain target / level in single precision, which the
// disc image applies (its rounding and clipping: DiscImageGain).
Bytes Normalized(Bytes audio, int32_t target, bool onlyIf, int32_t lower, int32_t higher) {
    const size_t analysed = (audio.size() / 4608 - 1) * 4608;
    int32_t peak = 0;
    for (size_t i = 0; i + 1 < analysed; i += 2)
        peak = std::max(peak, std::abs(static_cast<int16_t>(audio[i] | audio[i + 1] << 8)));
    const int32_t level = peak * 100 / 32768;
    if (onlyIf && level >= lower && level <= higher)
        return audio;
    CDiscImage disc;
    disc.gain = level == 0 ? 1.0f : static_cast<float>(target) / static_cast<float>(level);
    disc.ApplyGain(audio.data(), static_cast<int32_t>(audio.size()));
    return audio;
}

Bytes Joined(const std::vector<Bytes>& parts) {
    Bytes all;
    for (const Bytes& p : parts) all.insert(all.end(), p.begin(), p.end());
    return all;
}

TEST(EndToEnd, NormalizedAudioIsTheExportsScaledByTheirGains) {
    const std::string folder = testpaths::TempDir("e2e-normalize");
    const std::vector<Bytes> exports = RawExports(folder, kMixedSongs);
    struct Case {
        std::vector<std::string> options;
        int32_t target;
        bool onlyIf;
        int32_t lower, higher;
    };
    // The songs' levels are about 50 %: inside the second case's band, outside the third's.
    const Case cases[] = {
        {{"--normalize"}, 98, false, 0, 0},
        {{"--normalize", "--only-if", "40,60"}, 98, true, 40, 60},
        {{"--normalize", "--target", "70", "--only-if", "10,20"}, 70, true, 10, 20},
    };
    int disc = 0;
    for (const Case& c : cases) {
        std::vector<std::string> args = {"burn"};
        args.insert(args.end(), c.options.begin(), c.options.end());
        args.insert(args.end(), kMixedSongs.begin(), kMixedSongs.end());
        auto r = Cli(folder, args);
        ASSERT_EQ(r.status, 0) << r.err;
        // Each run is a new recorder process: the second image takes the next name.
        const std::string bin = folder + "/disc-" + std::to_string(++disc) + ".bin";
        std::vector<Bytes> parts;
        for (const Bytes& e : exports)
            parts.push_back(Normalized(e, c.target, c.onlyIf, c.lower, c.higher));
        const Bytes expected = Joined(parts);
        EXPECT_EQ(expected == Joined(exports), c.lower == 40) << "the songs' levels";
        EXPECT_TRUE(mp3craft::ReadBytes(bin) == expected) << bin;
    }
}

// The same three songs through every way to write, each driver on a virtual drive of its
// command set named in driver.lst (or on the command line): every image reads back with
// its three tracks, and every track is byte for byte the song's raw export, padded to its
// track; the CD-TEXT driver's titles read back by cd-info and by libcdio's own CD-TEXT
// parser from the packs beside the image.  Each disc is verified as it is burnt, and
// again later: damaged, and against another list.
TEST(EndToEnd, EveryDriverBurnsTheSameMusic) {
    const std::string folder = testpaths::TempDir("e2e-drivers");
    const std::vector<Bytes> raw = RawExports(folder, kSongs);
    const Listed listed = SongList();

    // Each drive reads with one of these offsets; a disc written and read in the same
    // drive verifies whatever its offset.
    const int32_t kOffsets[] = {0, 667, -30};
    for (const Way& way : kWays) {
        const std::string what =
            std::string(way.driver) + " on " + way.model + " " + way.blockTypes;
        const std::string run = testpaths::TempDir("e2e-way");
        const int32_t offset = kOffsets[(&way - kWays) % 3];
        const std::string device =
            std::string("[device]\nproduct = ") + way.model + " DRIVE\nmodel = " + way.model +
            "\n" + (*way.blockTypes ? std::string("block-types = ") + way.blockTypes + "\n" : "") +
            "read-offset = " + std::to_string(offset) + "\n";
        const std::string bus = device + "output = " + run + "\n";
        testpaths::WriteText(run + "/bus.txt", bus);
        const std::string list = std::string(way.driver) + ": " + way.model + " DRIVE\n";
        if (!way.named)
            testpaths::WriteText(run + "/driver.lst", list);
        auto cli = [&](const std::string& busFile, std::vector<std::string> args,
                       const std::vector<std::string>& songs) {
            if (way.named)
                args.insert(args.end(), {"--driver", way.driver});
            args.insert(args.end(), songs.begin(), songs.end());
            return testpaths::RunCli({"TUNEVARN_VIRTUAL_BUS=" + busFile}, args, run);
        };
        // The CD-TEXT driver writes an album title too.
        const bool cdText = std::string(way.driver) == "MMCCDTEXT";
        std::vector<std::string> burn = {"burn", "--verify"};
        if (cdText)
            burn.insert(burn.end(), {"--cd-text", "--album", "Sample \"Album\""});
        auto r = cli(run + "/bus.txt", burn, kSongs);
        ASSERT_EQ(r.status, 0) << what << ": " << r.err << r.out;
        char found[64];
        std::snprintf(found, sizeof found, "Read offset: %+d samples\n", offset);
        EXPECT_NE(r.out.find(found), std::string::npos) << what << ": " << r.out;
        EXPECT_NE(r.out.find("All 3 tracks verified.\n"), std::string::npos) << what;

        // The tracks where the way of writing puts them: one after the other, or with
        // the two-second gaps a track-at-once drive leaves.
        const bool gaps = std::string(way.model) == "tao";
        const CdInfo info = ReadWithCdInfo(run + "/disc-1.cue");
        ASSERT_EQ(info.lsn.size(), 3u) << what;
        const Bytes image = mp3craft::ReadBytes(run + "/disc-1.bin");
        int32_t start = 0;
        for (size_t t = 0; t < 3; ++t) {
            EXPECT_EQ(info.lsn[t], start) << what << ", track " << t + 1;
            Bytes track = raw[t];
            track.resize(static_cast<size_t>(listed.seconds[t]) * 176400);
            const size_t from = static_cast<size_t>(start) * 2352;
            ASSERT_LE(from + track.size(), image.size()) << what;
            EXPECT_TRUE(std::equal(track.begin(), track.end(),
                                   image.begin() + static_cast<std::ptrdiff_t>(from)))
                << what << ": track " << t + 1 << " differs from its raw export";
            start += listed.seconds[t] * 75;
            if (gaps && t < 2) {
                EXPECT_TRUE(
                    std::all_of(image.begin() + static_cast<std::ptrdiff_t>(start) * 2352,
                                image.begin() + static_cast<std::ptrdiff_t>(start + 150) * 2352,
                                [](uint8_t b) { return b == 0; }))
                    << what << ": the gap after track " << t + 1;
                start += 150;
            }
        }
        EXPECT_EQ(info.leadOut, start) << what;
        EXPECT_EQ(image.size(), static_cast<size_t>(start) * 2352u) << what;
        if (cdText) {
            // A cue sheet's title cannot hold a quote: an apostrophe stands for it there.
            std::vector<std::string> titles = {"Sample \"Album\"", listed.titles[0],
                                               listed.titles[1], listed.titles[2]};
            Bytes cdt = mp3craft::ReadBytes(run + "/disc-1.cdt");
            ASSERT_EQ(cdt.size() % 18, 0u);
            cdtext_t* text = cdtext_init();
            ASSERT_EQ(cdtext_data_init(text, cdt.data(), cdt.size()), 0);
            for (int t = 0; t <= 3; ++t)
                EXPECT_STREQ(cdtext_get_const(text, CDTEXT_FIELD_TITLE, static_cast<track_t>(t)),
                             titles[static_cast<size_t>(t)].c_str());
            cdtext_destroy(text);
            titles[0] = "Sample 'Album'";
            EXPECT_EQ(info.titles, titles);
        }

        // The disc again, in a later run: damaged a second into track 2, and against a
        // list whose third song is another.
        const std::string damaged = device + "image = " + run +
                                    "/disc-1.cue\ndamage = " + std::to_string(info.lsn[1] + 75) +
                                    " 2\n";
        testpaths::WriteText(run + "/damaged.txt", damaged);
        r = cli(run + "/damaged.txt", {"verify"}, kSongs);
        EXPECT_EQ(r.status, 1) << what << ": " << r.err;
        EXPECT_NE(r.out.find("Track 1: verified\nTrack 2: differs in 2 blocks from 0:01.00\n"
                             "Track 3: verified\n"),
                  std::string::npos)
            << what << ": " << r.out;
        const std::string earlier = device + "image = " + run + "/disc-1.cue\n";
        testpaths::WriteText(run + "/earlier.txt", earlier);
        r = cli(run + "/earlier.txt", {"verify"}, {kSongs[0], kSongs[1], kSongs[0]});
        EXPECT_EQ(r.status, 1) << what << ": " << r.err;
        EXPECT_NE(r.out.find("Track 2: verified\nTrack 3: differs in "), std::string::npos)
            << what << ": " << r.out;

        const Bytes log = mp3craft::ReadBytes(run + "/commands-0.log");
        const std::string commands(log.begin(), log.end());
        char write[32];
        std::snprintf(write, sizeof write, "| out %u | good", way.writeBytes);
        EXPECT_NE(commands.find(write), std::string::npos) << what;
        // Raw: the drive got no cue sheet, so the tracks above come from the Q channel it
        // decoded (each block's Q: RawBlockWriterTest).
        if (std::string(way.model) == "mmc-raw") {
            EXPECT_EQ(commands.find("\n5D "), std::string::npos) << what;
        }
    }
}

// A burn with no recorder and no variable: the image recorder alone, into folder.
testpaths::CommandResult BurnImage(const std::string& folder, std::vector<std::string> args) {
    args.insert(args.begin(), {"burn", "--image", folder});
    return testpaths::RunCli({}, args, folder);
}

// The halves of one tone, titled in Greek and in Japanese.
const std::vector<std::string> kHalves = {Fixture("gapless/Καλημέρα.mp3"),
                                          Fixture("gapless/夜明けの歌.mp3")};

// Gapless through every driver that can write so: the image is the two halves as
// libmpg123's gapless decoding gives them, back to back, then silence to a whole block;
// track 2 starts at the block nearest to 6.5 seconds, without a pause before it.
TEST(EndToEnd, GaplessImagesThroughEveryDriverButTrackAtOnce) {
    Bytes expected;
    std::vector<int64_t> frames;
    for (const std::string& half : kHalves) {
        const Bytes cd = reference::ToCdAudio(reference::DecodeFile(half));
        frames.push_back(static_cast<int64_t>(cd.size() / 4));
        expected.insert(expected.end(), cd.begin(), cd.end());
    }
    ASSERT_EQ(frames[0], int64_t{13 * 44100 / 2}) << "the first half is not 6.5 seconds";
    const int32_t second = static_cast<int32_t>((frames[0] + 294) / 588);
    EXPECT_TRUE(second == 6 * 75 + 37 || second == 6 * 75 + 38) << second;
    expected.resize((expected.size() + 2351) / 2352 * 2352);

    std::string done;
    for (const Way& way : kWays) {
        if (done.find(std::string(" ") + way.driver + " ") != std::string::npos ||
            std::string(way.model) == "tao")
            continue;  // one run a driver
        done += std::string(" ") + way.driver + " ";
        const std::string run = testpaths::TempDir("e2e-gapless");
        std::vector<std::string> args = {"--gapless", "--driver", way.driver};
        args.insert(args.end(), kHalves.begin(), kHalves.end());
        auto r = BurnImage(run, args);
        ASSERT_EQ(r.status, 0) << way.driver << ": " << r.err;
        const std::string cue = run + "/disc-1.cue";
        EXPECT_NE(r.out.find("Image: " + cue + "\n"), std::string::npos) << r.out;

        const CdInfo info = ReadWithCdInfo(cue);
        EXPECT_EQ(info.lsn, (std::vector<int32_t>{0, second})) << way.driver;
        EXPECT_EQ(info.leadOut, static_cast<int32_t>(expected.size() / 2352)) << way.driver;
        const Bytes sheet = mp3craft::ReadBytes(cue);
        EXPECT_EQ(std::string(sheet.begin(), sheet.end()).find("INDEX 00"), std::string::npos)
            << way.driver << ": a pause before track 2";
        EXPECT_TRUE(mp3craft::ReadBytes(run + "/disc-1.bin") == expected)
            << way.driver << ": the disc's audio is not the halves back to back";
    }
    // Track at once leaves a gap before every track: refused in one line.
    std::vector<std::string> args = {"--gapless", "--driver", "MMCTRACK"};
    args.insert(args.end(), kHalves.begin(), kHalves.end());
    auto r = BurnImage(testpaths::TempDir("e2e-gapless"), args);
    EXPECT_NE(r.status, 0);
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
}

// The packs of one language block of CD-TEXT, as a reader of that block alone sees them.
Bytes BlockPacks(const Bytes& cdt, int block) {
    Bytes packs;
    for (size_t at = 0; at + 18 <= cdt.size(); at += 18)
        if (((cdt[at + 3] >> 4) & 0x07) == block)
            packs.insert(packs.end(), cdt.begin() + static_cast<std::ptrdiff_t>(at),
                         cdt.begin() + static_cast<std::ptrdiff_t>(at + 18));
    return packs;
}

// Titles in scripts Latin-1 lacks reach the first block in Latin letters, said once on
// stderr; the Japanese one also reaches a Japanese block in MS-JIS as it is.  libcdio
// reads each block on its own (it takes the last size information for every block).
TEST(EndToEnd, GreekAndJapaneseTitlesInLatinLettersAndInMsJis) {
    const std::string run = testpaths::TempDir("e2e-scripts");
    std::vector<std::string> args = {"--cd-text", "--album", "Album"};
    args.insert(args.end(), kHalves.begin(), kHalves.end());
    auto r = BurnImage(run, args);
    ASSERT_EQ(r.status, 0) << r.err;
    for (const char* original : {"Καλημέρα", "夜明けの歌"}) {
        const size_t at = r.err.find(original);
        EXPECT_NE(at, std::string::npos) << r.err;
        EXPECT_EQ(r.err.find(original, at + 1), std::string::npos) << "said twice: " << r.err;
    }

    const CdInfo info = ReadWithCdInfo(run + "/disc-1.cue");
    ASSERT_EQ(info.titles.size(), 3u);
    EXPECT_EQ(info.titles[1].rfind("Kal", 0), 0u) << info.titles[1];
    // Every title in letters (which letters Latin-1 has: CdTextCharsetTest).
    for (const std::string& title : info.titles)
        EXPECT_TRUE(!title.empty() && title.find('?') == std::string::npos) << title;

    Bytes cdt = mp3craft::ReadBytes(run + "/disc-1.cdt");
    for (int block : {0, 1}) {
        Bytes packs = BlockPacks(cdt, block);
        cdtext_t* text = cdtext_init();
        ASSERT_EQ(cdtext_data_init(text, packs.data(), packs.size()), 0) << block;
        ASSERT_TRUE(cdtext_set_language_index(text, block));
        if (block == 0) {
            EXPECT_EQ(cdtext_get_language(text), CDTEXT_LANGUAGE_ENGLISH);
            for (int t = 0; t <= 2; ++t)
                EXPECT_STREQ(cdtext_get_const(text, CDTEXT_FIELD_TITLE, static_cast<track_t>(t)),
                             info.titles[static_cast<size_t>(t)].c_str());
        } else {
            EXPECT_EQ(cdtext_get_language(text), CDTEXT_LANGUAGE_JAPANESE);
            EXPECT_STREQ(cdtext_get_const(text, CDTEXT_FIELD_TITLE, 2), "夜明けの歌");
        }
        cdtext_destroy(text);
    }
}

}  // namespace
