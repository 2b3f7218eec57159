// The player through ALSA itself, on a machine without a sound card: the test points
// ALSA's default device at its "file" plugin (in front of the "null" device) and
// compares what was played with the song as the reference decoder gives it (the player's
// decoder is that one's equal: the decoding tests), byte for byte.
#include <alsa/asoundlib.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "player/Player.h"
#include "player/PlayerFakes.h"
#include "support/Mp3Craft.h"
#include "support/ReferenceDecode.h"
#include "support/TestPaths.h"

using namespace playertest;

namespace {
// Makes ALSA read a configuration whose default device is defaultPcm (after its own
// alsa.conf), for as long as it lives.
class CAlsaConfig {
  public:
    explicit CAlsaConfig(const std::string& defaultPcm) {
        const std::string path = testpaths::TempDir("alsa") + "/asound.conf";
        std::ofstream(path) << "<" << snd_config_topdir() << "/alsa.conf>\n"
                            << "pcm.!default " << defaultPcm << "\n";
        setenv("ALSA_CONFIG_PATH", path.c_str(), 1);
        snd_config_update_free_global();
    }
    ~CAlsaConfig() {
        unsetenv("ALSA_CONFIG_PATH");
        snd_config_update_free_global();
    }
    CAlsaConfig(const CAlsaConfig&) = delete;
    CAlsaConfig& operator=(const CAlsaConfig&) = delete;
};
}  // namespace

TEST(ThreadedAlsaPlayer, TheDefaultDeviceHearsTheSongByteForByte) {
    // The default device keeps what it plays, raw, in capture.
    std::string capture = testpaths::TempDir("alsa-capture") + "/played.raw";
    CAlsaConfig config("{ type file slave.pcm \"null\" file \"" + capture + "\" format \"raw\" }");
    for (const char* name : {"m1_44100_stereo.mp3", "m2_22050_mono.mp3"}) {
        SCOPED_TRACE(name);
        std::string song = testpaths::Fixture(name);
        std::vector<uint8_t> expected = reference::ToCdAudio(reference::DecodeFile(song));
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
