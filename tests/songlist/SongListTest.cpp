// The song list: the disc budget, insertion at the focus, moves, the status line, and
// the invariant that the total is the sum of the rows.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "songlist/SongList.h"
#include "support/Mp3Craft.h"
#include "support/TestPaths.h"

namespace {
CSong Song(const std::string& title, int32_t seconds) {
    CSong s;
    s.title = title;
    s.fullPath = "/music/" + title + ".mp3";
    s.duration = seconds;
    return s;
}

std::string Titles(const CSongList& list) {
    std::string out;
    for (int32_t i = 0; i < list.RowCount(); ++i) out += list.Title(i);
    return out;
}

void ExpectInvariant(const CSongList& list) {
    int32_t sum = 0;
    for (int32_t i = 0; i < list.RowCount(); ++i) sum += list.SongDuration(i);
    EXPECT_EQ(list.TotalSeconds(), sum);
    EXPECT_LE(list.TotalSeconds(), CSongList::kBudgetSeconds);
}

CSongList Wxyz() {
    CSongList list;
    for (const char* t : {"W", "X", "Y", "Z"}) list.InsertSong(Song(t, 60));
    return list;
}

TEST(SongListStatus, EmptyAndOverfullDiscs) {
    CSongList list;
    std::vector<std::string> shown;
    list.SetStatusLineSink([&](const std::string& s) { shown.push_back(s); });
    list.UpdateStatusLine();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0],
              "0 songs, total time: 00:00, time left:<74min disc>74:00 <80min disc>80:00");

    // Longer than a disc: by how much, not that nothing is left.
    list.InsertSong(Song("long", 4500));
    EXPECT_EQ(list.StatusLine().rfind("1 song, total time: 75:00, ", 0), 0u);
    EXPECT_NE(list.StatusLine().find(" 01:00"), std::string::npos);
    EXPECT_NE(list.StatusLine().find(">05:00"), std::string::npos);
    EXPECT_EQ(list.StatusLine().find("00:00"), std::string::npos);
    EXPECT_EQ(shown.back(), list.StatusLine());
    list.InsertSong(Song("more", 301));
    EXPECT_NE(list.StatusLine().find(" 06:01"), std::string::npos);
    EXPECT_NE(list.StatusLine().find(" 00:01"), std::string::npos);

    // A full 74-minute disc still has 00:00 left; a second more is over it.
    CSongList edge;
    edge.InsertSong(Song("74", CSongList::kDisc74Seconds));
    EXPECT_NE(edge.StatusLine().find(">00:00"), std::string::npos);
    edge.InsertSong(Song("one", 1));
    EXPECT_NE(edge.StatusLine().find(" 00:01"), std::string::npos);
    EXPECT_EQ(edge.StatusLine().find("00:00"), std::string::npos);
}

// A song that would pass the budget is refused, and the batch goes on with the next; a
// full disc still takes a song of no length.
TEST(SongListBudget, RefusedSongDoesNotStopTheBatch) {
    CSongList list;
    list.InsertSong(Song("a", 4000));
    for (auto [title, seconds] : {std::pair{"big", 1000}, {"fits", 900}, {"too", 21}, {"last", 20}})
        list.InsertSong(Song(title, seconds));
    EXPECT_EQ(Titles(list), "afitslast");
    EXPECT_EQ(list.TotalSeconds(), 4920);
    EXPECT_FALSE(list.InsertSong(Song("one more", 1)));
    EXPECT_TRUE(list.InsertSong(Song("nothing", 0)));
}

TEST(SongListBudget, AddSongInspectsRealFiles) {
    std::string dir = testpaths::TempDir("budget");
    mp3craft::WriteSeconds(dir + "/full.mp3", 4920);
    mp3craft::WriteSeconds(dir + "/one.mp3", 1);
    mp3craft::Shape tagged;
    tagged.audioBytes = 16000 * 3;
    tagged.tag = true;
    tagged.tagTitle = "Song";
    tagged.tagArtist = "Band";
    mp3craft::Write(dir + "/tagged.mp3", tagged);

    CSongList list;
    EXPECT_EQ(list.AddSong(dir + "/one.mp3"), AddSongResult::kAdded);
    EXPECT_EQ(list.AddSong(dir + "/full.mp3"), AddSongResult::kOverBudget);
    EXPECT_EQ(list.AddSong(dir + "/tagged.mp3"), AddSongResult::kAdded);
    EXPECT_EQ(list.AddSong(dir + "/missing.mp3"), AddSongResult::kCannotOpen);
    EXPECT_EQ(list.AddSong(dir), AddSongResult::kCannotOpen);
    EXPECT_EQ(list.AddSong(testpaths::Fixture("garbage.mp3")), AddSongResult::kNotMp3);
    ASSERT_EQ(list.RowCount(), 2);
    EXPECT_EQ(list.Title(0), "one");  // file name without folder and extension
    EXPECT_EQ(list.FullPath(0), dir + "/one.mp3");
    EXPECT_EQ(list.Title(1), "Song - Band");
    EXPECT_EQ(list.TimeText(1), "00:03");
    EXPECT_EQ(list.TotalSeconds(), 4);
}

TEST(SongListLimits, LongPathsAreRefusedAndLongTitlesCut) {
    // A path of 255 bytes fits its slot, one of 256 does not.
    std::string dir = testpaths::TempDir("long");
    std::string name = std::string(250 - dir.size(), 'n');
    for (const std::string& n : {name, name + "n"})
        mp3craft::WriteSeconds(dir + "/" + n + ".mp3", 2);

    CSongList list;
    EXPECT_EQ(list.AddSong(dir + "/" + name + "n.mp3"), AddSongResult::kPathTooLong);
    EXPECT_EQ(list.RowCount(), 0);
    EXPECT_EQ(list.AddSong(dir + "/" + name + ".mp3"), AddSongResult::kAdded);
    EXPECT_EQ(list.Title(0), name);

    list.SetTitle(0, std::string(300, 't'));
    EXPECT_EQ(list.Title(0).size(), 255u);
    // Cut at 255 bytes, but never inside a UTF-8 character.
    std::string wide;
    while (wide.size() < 300) wide += "\xC3\xA9";  // é
    list.SetTitle(0, wide);
    EXPECT_EQ(list.Title(0).size(), 254u);
    EXPECT_EQ(list.FullPath(0), dir + "/" + name + ".mp3");
}

TEST(SongListInsert, BatchGoesInFrontOfTheFocusedRowInOrder) {
    CSongList list;
    for (const char* t : {"A", "B", "C", "D"}) list.InsertSong(Song(t, 10));
    list.SetFocusedRow(2);
    for (const char* t : {"1", "2", "3"}) list.InsertSong(Song(t, 10));
    EXPECT_EQ(Titles(list), "AB123CD");
    EXPECT_EQ(list.FocusedRow(), 5);
    EXPECT_EQ(list.Title(list.FocusedRow()), "C");
    // Without a focus songs are appended.
    list.SetFocusedRow(-1);
    list.InsertSong(Song("E", 10));
    EXPECT_EQ(Titles(list), "AB123CDE");
}

// A row goes in front of the target row (the row count: after the last), and becomes the
// one selected and focused; nothing moves for equal indexes, negative ones (a drop
// below the last row hits no row), or indexes past the list.
TEST(SongListMove, MoveSongPlacesInFrontOfTheTargetRow) {
    const struct {
        int32_t from, to;
        const char* titles;
        int32_t row;  // selected and focused after the move, -1 when it did not move
    } cases[] = {{0, 3, "XYWZ", 2},   {3, 0, "ZWXY", 0},   {1, 4, "WYZX", 3},  {2, 2, "WXYZ", -1},
                 {-1, 2, "WXYZ", -1}, {2, -1, "WXYZ", -1}, {4, 0, "WXYZ", -1}, {0, 5, "WXYZ", -1}};
    for (const auto& c : cases) {
        CSongList list = Wxyz();
        list.SetSelected(c.from < 0 || c.from > 3 ? 0 : (c.from + 1) % 4,
                         true);  // not the row moved
        EXPECT_EQ(list.MoveSong(c.from, c.to), c.row >= 0) << c.from << "->" << c.to;
        EXPECT_EQ(Titles(list), c.titles) << c.from << "->" << c.to;
        if (c.row >= 0) {
            EXPECT_EQ(list.SelectedRows(), std::vector<int32_t>{c.row}) << c.from << "->" << c.to;
            EXPECT_EQ(list.FocusedRow(), c.row) << c.from << "->" << c.to;
        }
        EXPECT_EQ(list.TotalSeconds(), 240);
    }
}

TEST(SongListInvariant, HoldsThroughRandomOperations) {
    std::mt19937 rng(12345);
    CSongList list;
    auto pick = [&](int32_t n) { return static_cast<int32_t>(rng() % static_cast<uint32_t>(n)); };
    for (int step = 0; step < 5000; ++step) {
        int32_t rows = list.RowCount();
        switch (pick(9)) {
            case 0:
            case 1:
            case 2:
                list.InsertSong(Song("s" + std::to_string(step), pick(700)));
                break;
            case 3:
                if (rows)
                    list.SetSelected(pick(rows), true);
                break;
            case 4:
                list.SetFocusedRow(rows ? pick(rows + 1) - 1 : -1);
                break;
            case 5:
                if (pick(4) == 0)
                    list.DeleteSelectedSongs();
                break;
            case 6:
                list.MoveSong(pick(rows + 2) - 1, pick(rows + 3) - 1);
                break;
            case 7:
                list.MoveUp();
                list.MoveBottom();
                break;
            case 8:
                if (pick(50) == 0)
                    list.ClearSongs();
                break;
        }
        ExpectInvariant(list);
        ASSERT_GE(list.FocusedRow(), -1);
        ASSERT_LT(list.FocusedRow(), list.RowCount());
        if (HasFailure())
            break;
    }
}
}  // namespace
