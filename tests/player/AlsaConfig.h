#pragma once
// The real sound path on a machine without a sound card: ALSA's default device pointed
// somewhere else for a test (for example at the "file" plugin, which keeps what was
// played), and the decoding of a song that the device should then have heard.
#include <alsa/asoundlib.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "audio/Mp3Source.h"
#include "support/TestPaths.h"

namespace playertest {

// Makes ALSA read config (after its own alsa.conf) from now on in this process.
class CAlsaConfig {
  public:
    explicit CAlsaConfig(const std::string& defaultPcm) {
        path_ = testpaths::TempDir("alsa") + "/asound.conf";
        std::ofstream(path_) << "<" << snd_config_topdir() << "/alsa.conf>\n"
                             << "pcm.!default " << defaultPcm << "\n";
        setenv("ALSA_CONFIG_PATH", path_.c_str(), 1);
        snd_config_update_free_global();
    }
    ~CAlsaConfig() {
        unsetenv("ALSA_CONFIG_PATH");
        snd_config_update_free_global();
    }
    CAlsaConfig(const CAlsaConfig&) = delete;
    CAlsaConfig& operator=(const CAlsaConfig&) = delete;

    // The default device keeps what it plays, raw, in capturePath.
    static std::string FileCapture(const std::string& capturePath) {
        return "{ type file slave.pcm \"null\" file \"" + capturePath + "\" format \"raw\" }";
    }

  private:
    std::string path_;
};

// The whole song as the player's decoder delivers it: what the device should hear.
inline std::vector<uint8_t> DecodedSong(const std::string& path) {
    CMp3Source source;
    std::vector<uint8_t> all;
    if (source.Open(path.c_str()) != 0)
        return all;
    std::vector<uint8_t> chunk(44100);
    for (;;) {
        int32_t n = source.Read(chunk.data(), static_cast<int32_t>(chunk.size()));
        all.insert(all.end(), chunk.begin(), chunk.begin() + n);
        if (n < static_cast<int32_t>(chunk.size()))
            return all;
    }
}

}  // namespace playertest
