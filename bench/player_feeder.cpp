// The player's feeder while a song plays: the feeder thread's CPU time over a song heard
// in real time by a device that paces itself like a sound card, against the CPU time of
// decoding the same song alone in the same run (the player's decoder reads ahead on a
// thread of its own).  A feeder that sleeps between buffers costs a fraction of the
// decoding; one that spins costs the whole playing time.
//
// usage: bench_player_feeder [SONG]   (default: the fixtures' 5-second 44100 Hz song)
#include <chrono>
#include <cstdio>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "PacedOutput.h"
#include "audio/Mp3Source.h"
#include "player/AudioOutput.h"
#include "player/Player.h"
#include "player/PlayerView.h"

namespace {
struct CSilentView : IPlayerView {
    void SetNameLine(const std::string&) override {}
    void SetTimeLine(const std::string&) override {}
    void SetWindowTitle(const std::string&) override {}
    void StartClock(int32_t) override {}
    void StopClock() override {}
    void StartDelayedStart(int32_t) override {}
    void CancelDelayedStart() override {}
};

// CPU seconds of decoding the whole song on this thread, as the feeder reads it.
double DecodeCpuSeconds(const std::string& path) {
    CMp3Source source;
    if (source.Open(path.c_str()) != 0)
        return -1;
    std::vector<uint8_t> buffer(44100);
    const double before = ThreadCpuSeconds();
    while (source.Read(buffer.data(), static_cast<int32_t>(buffer.size())) > 0) {
    }
    return ThreadCpuSeconds() - before;
}
}  // namespace

int main(int argc, char** argv) {
    const std::string song =
        argc > 1 ? argv[1] : std::string(TUNEVARN_FIXTURE_DIR) + "/m1_44100_stereo.mp3";
    const double decode = DecodeCpuSeconds(song);
    if (decode < 0) {
        std::fprintf(stderr, "bench_player_feeder: cannot read %s (build the fixtures first)\n",
                     song.c_str());
        return 1;
    }
    CSilentView view;
    CMp3Source decoder;
    CPacedOutput output;
    {
        CPlayer player(view, decoder, output, nullptr);
        player.SetSongs({{song}, {"Song"}, 0});
        player.Open();
        while (player.Playing()) std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    std::printf("song played in %.2f s\n", output.playing);
    std::printf("decoding alone      %.3f s CPU\n", decode);
    std::printf("feeder while played %.3f s CPU: %.2fx the decoding, %.2f%% of the playing time\n",
                output.feederCpu, output.feederCpu / decode,
                100.0 * output.feederCpu / output.playing);
    return 0;
}
