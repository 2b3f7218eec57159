// The player's logic with a scripted decoder, device and window: moving on after a song,
// the buffer rule, the song limit and the silent failures.  Every song plays on the feeder thread,
// so the suites are Threaded.
#include <gtest/gtest.h>

#include "player/Player.h"
#include "player/PlayerFakes.h"
#include "ui/LanguageTable.h"

using namespace playertest;

namespace {
constexpr int32_t kBuffer = 44100;

// A player over the fakes, with a clock the test sets.
struct Rig {
    explicit Rig(CScriptedOutput::Pace pace = CScriptedOutput::Pace::kInstant)
        : output(pace), player(view, source, output, [this] { return now; }) {}

    void Songs(std::vector<std::string> titles, int32_t current, int64_t bytes = 2 * kBuffer,
               int32_t seconds = 1) {
        CPlayerSongs songs;
        for (const std::string& title : titles) {
            std::string path = "/music/" + title + ".mp3";
            source.songs[path] = {bytes, seconds};
            songs.paths.push_back(path);
            songs.titles.push_back(title);
        }
        songs.current = current;
        player.SetSongs(songs);
    }
    bool Ended() {
        return WaitUntil([this] { return !player.Playing(); });
    }

    int64_t now = 1000;
    CRecordingView view;
    CScriptedSource source;
    CScriptedOutput output;
    CPlayer player;
};

std::vector<uint8_t> Pattern(const std::string& path, int64_t bytes) {
    std::vector<uint8_t> out;
    for (int64_t i = 0; i < bytes; ++i) out.push_back(PatternByte(path, i));
    return out;
}
}  // namespace

TEST(ThreadedPlayer, ASongOfWholeBuffersEndsAtTheEmptyReadAndTheNextFollowsAfterThePause) {
    Rig rig;
    rig.Songs({"Alpha", "Beta"}, 0, 2 * kBuffer);
    rig.player.Open();
    EXPECT_EQ(rig.view.names.back(), NameLine(1, "Alpha"));
    EXPECT_EQ(rig.view.times.back(), "Time: 00:00/00:01");
    EXPECT_EQ(rig.view.titles.back(), "Playing: Alpha");
    EXPECT_EQ(rig.view.clockPeriod, 1000);
    ASSERT_TRUE(rig.Ended());

    // Two full buffers, then the read that finds nothing; every byte heard in order.
    EXPECT_EQ(rig.source.Reads(), (std::vector<int32_t>{kBuffer, kBuffer, 0}));
    EXPECT_EQ(rig.output.Captured(), Pattern("/music/Alpha.mp3", 2 * kBuffer));
    EXPECT_EQ(rig.output.Closes(), 1);
    EXPECT_EQ(rig.source.Closes(), 1);

    // The next tick moves on, and asks for the pause instead of starting at once.
    rig.player.OnClockTick();
    EXPECT_EQ(rig.player.CurrentIndex(), 1);
    EXPECT_EQ(rig.view.delayedStart, 1500);
    EXPECT_EQ(rig.view.names.back(), NameLine(1, "Alpha"));
    EXPECT_EQ(rig.output.Opens(), 1);
    rig.player.OnClockTick();  // the song ended once: one move only
    EXPECT_EQ(rig.player.CurrentIndex(), 1);

    rig.player.OnDelayedStart();
    EXPECT_EQ(rig.view.names.back(), NameLine(2, "Beta"));
    EXPECT_EQ(rig.view.titles.back(), "Playing: Beta");
    ASSERT_TRUE(rig.Ended());
    EXPECT_EQ(rig.source.Opened(),
              (std::vector<std::string>{"/music/Alpha.mp3", "/music/Beta.mp3"}));
}

// At most eighty songs are taken, the current one kept in range; never more than three
// buffers are queued.
TEST(ThreadedPlayer, TakesAtMostEightySongsAndNeverQueuesMoreThanThreeBuffers) {
    Rig rig(CScriptedOutput::Pace::kHeld);
    std::vector<std::string> titles;
    for (int i = 0; i < 90; ++i) titles.push_back("S" + std::to_string(i));
    rig.Songs(titles, 85, 8 * kBuffer + 4);
    EXPECT_EQ(rig.player.SongCount(), 80);
    EXPECT_EQ(rig.player.CurrentIndex(), 79);
    rig.player.Open();
    ASSERT_TRUE(WaitUntil([&] { return rig.output.TotalQueued() == 3; }));
    // One heard, one more queued; the device records the most ever waiting at a Queue.
    rig.output.Release(1);
    ASSERT_TRUE(WaitUntil([&] { return rig.output.TotalQueued() == 4; }));
    rig.output.Release(2);
    ASSERT_TRUE(WaitUntil([&] { return rig.output.TotalQueued() == 6; }));
    // The end of the song waits until the last buffers have been heard.
    rig.output.Release(3);
    ASSERT_TRUE(WaitUntil([&] { return rig.output.TotalQueued() == 9; }));
    EXPECT_TRUE(rig.player.Playing());
    EXPECT_EQ(rig.output.Closes(), 0);
    rig.output.Release(-1);
    ASSERT_TRUE(rig.Ended());
    EXPECT_EQ(rig.output.MaxOutstanding(), 3);
    EXPECT_EQ(rig.output.Captured(), Pattern("/music/S79.mp3", 8 * kBuffer + 4));
    rig.player.OnClockTick();
    EXPECT_EQ(rig.view.delayedStart, 1500);
    EXPECT_EQ(rig.player.CurrentIndex(), 0) << "after the last of the eighty, the first";
}

TEST(ThreadedPlayer, ASongThatDoesNotOpenOrADeviceThatCannotBeHadStaysSilent) {
    Rig rig(CScriptedOutput::Pace::kHeld);
    rig.Songs({"Gone", "Here"}, 0, 2 * kBuffer, 200);
    rig.source.songs.erase("/music/Gone.mp3");
    rig.player.Open();
    EXPECT_EQ(rig.view.names.back(), NameLine(1, "Gone"));
    EXPECT_EQ(rig.view.times.back(), "Time: 00:00/00:00");
    EXPECT_EQ(rig.view.clockPeriod, 0);
    EXPECT_TRUE(rig.view.titles.empty());
    EXPECT_EQ(rig.output.Opens(), 0);
    EXPECT_FALSE(rig.player.Playing());

    rig.player.Next();  // plays to its end, its clock running until the next tick
    rig.output.Release(-1);
    ASSERT_TRUE(rig.Ended());
    rig.output.openFails = true;
    rig.player.Open();  // again before that tick, on a device that cannot be had
    EXPECT_EQ(rig.view.names.back(), NameLine(2, "Here"));
    EXPECT_EQ(rig.view.times.back(), Text(4008)) << "the window says there is no device";
    EXPECT_EQ(rig.view.clockPeriod, 0);
    EXPECT_EQ(rig.view.titles.size(), 1u) << "no second title";
    EXPECT_FALSE(rig.player.Playing());
    EXPECT_EQ(rig.source.Closes(), 2);  // the decoder is not left open
    rig.player.OnClockTick();
    EXPECT_EQ(rig.player.CurrentIndex(), 1);  // the earlier end does not move it on
}
