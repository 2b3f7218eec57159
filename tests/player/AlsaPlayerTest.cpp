// The player through ALSA itself, on a machine without a sound card: the test points
// ALSA's default device at its "file" plugin (in front of the "null" device) and
// compares what was played with the song's own decoding, byte for byte.
#include <gtest/gtest.h>

#include "player/AlsaConfig.h"
#include "player/Player.h"
#include "player/PlayerFakes.h"
#include "support/Mp3Craft.h"
#include "support/TestPaths.h"

using namespace playertest;

TEST(ThreadedAlsaPlayer, TheDefaultDeviceHearsTheSongByteForByte) {
    std::string capture = testpaths::TempDir("alsa-capture") + "/played.raw";
    CAlsaConfig config(CAlsaConfig::FileCapture(capture));
    for (const char* name : {"m1_44100_stereo.mp3", "m2_22050_mono.mp3"}) {
        SCOPED_TRACE(name);
        std::string song = testpaths::Fixture(name);
        std::vector<uint8_t> expected = DecodedSong(song);
        ASSERT_GT(expected.size(), 44100u * 3);
        ASSERT_NE(expected.size() % 44100, 0u);  // ends in a short buffer

        CRecordingView view;
        CPlayer player(view);
        player.SetSongs({{song}, {"Song"}, 0});
        player.Open();
        ASSERT_TRUE(WaitUntil([&] { return !player.Playing(); }));
        // It ended by itself, to its last frame.
        player.OnClockTick();
        EXPECT_EQ(view.delayedStart, 1500);
        std::vector<uint8_t> played = mp3craft::ReadBytes(capture);
        EXPECT_EQ(played.size(), expected.size());
        EXPECT_TRUE(played == expected);
    }
}

TEST(ThreadedAlsaPlayer, ADeviceThatCannotBeOpenedLeavesThePlayerSilentWithALineOnStderr) {
    CAlsaConfig config("{ type hw card 99 device 0 }");
    std::string song = testpaths::Fixture("m1_44100_stereo.mp3");
    CRecordingView view;
    CPlayer player(view);
    player.SetSongs({{song}, {"Song"}, 0});
    testing::internal::CaptureStderr();
    player.Open();
    std::string said = testing::internal::GetCapturedStderr();
    EXPECT_NE(said.find("tunevarn: sound device \"default\": cannot open it"), std::string::npos)
        << said;
    EXPECT_FALSE(player.Playing());  // what the window then shows: PlayerTest
}
