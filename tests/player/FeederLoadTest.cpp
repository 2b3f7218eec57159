// While a song plays, the feeder sleeps: its CPU time over a 5-second song, decoding
// included, is a small fraction of the time the song takes to play.
#include <gtest/gtest.h>

#include <cstdio>

#include "audio/Mp3Source.h"
#include "player/Player.h"
#include "player/PlayerFakes.h"
#include "support/TestPaths.h"

using namespace playertest;

TEST(ThreadedPlayerLoad, TheFeederSleepsWhileTheDevicePlays) {
    const std::string path = testpaths::Fixture("m1_44100_stereo.mp3");  // 5 seconds

    CRecordingView view;
    CMp3Source decoder;
    CScriptedOutput output(CScriptedOutput::Pace::kTimed, 1.0);  // real time
    CPlayer player(view, decoder, output, nullptr);
    player.SetSongs({{path}, {"Five"}, 0});
    player.Open();
    ASSERT_TRUE(WaitUntil([&] { return !player.Playing(); }, 60000));

    EXPECT_GE(output.Captured().size(), 4u * 176400u);
    double cpu = output.FeederCpuSeconds();
    double wall = output.PlaySeconds();
    std::printf("feeder CPU %.3f s over %.3f s of playing: %.2f%%\n", cpu, wall,
                100.0 * cpu / wall);
    RecordProperty("feeder_cpu_percent", std::to_string(100.0 * cpu / wall));
    EXPECT_GE(wall, 4.5);
    // Spinning would make this about 1; decoding alone is far below 0.1 even under the
    // sanitizers.
    EXPECT_LT(cpu / wall, 0.1);
}
