// While a song plays, the feeder sleeps: its CPU time over a 10-second song, decoding
// included, is a small fraction of the time the song takes to play.
#include <gtest/gtest.h>

#include <cstdio>

#include "audio/Mp3Source.h"
#include "player/Player.h"
#include "player/PlayerFakes.h"
#include "support/Mp3Craft.h"
#include "support/TestPaths.h"

using namespace playertest;

TEST(ThreadedPlayerLoad, TheFeederSleepsWhileTheDevicePlays) {
    // Two 5-second CBR files one after the other are one 10-second song.
    std::vector<uint8_t> half = mp3craft::ReadBytes(testpaths::Fixture("m1_44100_stereo.mp3"));
    std::vector<uint8_t> whole = half;
    whole.insert(whole.end(), half.begin(), half.end());
    std::string path = testpaths::TempDir("player-load") + "/ten.mp3";
    mp3craft::WriteBytes(path, whole);

    CRecordingView view;
    CMp3Source decoder;
    CScriptedOutput output(CScriptedOutput::Pace::kTimed, 1.0);  // real time
    CPlayer player(view, decoder, output, nullptr);
    player.SetSongs({{path}, {"Ten"}, 0});
    player.Open();
    ASSERT_TRUE(WaitUntil([&] { return !player.Playing(); }, 60000));

    EXPECT_GE(output.Captured().size(), 9u * 176400u);
    double cpu = output.FeederCpuSeconds();
    double wall = output.PlaySeconds();
    std::printf("feeder CPU %.3f s over %.3f s of playing: %.2f%%\n", cpu, wall,
                100.0 * cpu / wall);
    RecordProperty("feeder_cpu_percent", std::to_string(100.0 * cpu / wall));
    EXPECT_GE(wall, 9.0);
    // Spinning would make this about 1; decoding alone is far below 0.1 even under the
    // sanitizers.
    EXPECT_LT(cpu / wall, 0.1);
}
