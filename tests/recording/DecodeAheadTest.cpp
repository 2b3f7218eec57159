// A song's source decodes ahead of its reader on a thread of its own; the level analysis
// reads several songs at once, one source per worker.  Whatever the readers' pace, and
// however they close part-way, each gets the song as it decodes alone.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "audio/Mp3Source.h"
#include "support/ReferenceDecode.h"
#include "support/TestPaths.h"

namespace {
using testpaths::Fixture;

TEST(ThreadedMp3Decode, ReadersOfEveryPaceGetTheSongAsItIsAlone) {
    // Decoding runs ahead of the reader on a thread of its own.  Four sources on four
    // threads at once, as the level analysis has them: one reader pauses so that the
    // decoder fills every batch and waits, one takes the song in a few big pieces, and
    // two close part-way, while the decoder is busy or waiting, and open again.  Each
    // sees the bytes of the song decoded alone, every time.
    const std::string path = Fixture("m1_48000_stereo.mp3");
    const std::vector<uint8_t> expected = reference::ToCdAudio(reference::DecodeFile(path));
    ASSERT_GT(expected.size(), 5u * 176400);
    std::array<std::string, 4> problems;
    std::vector<std::thread> readers;
    for (size_t r = 0; r < problems.size(); ++r) {
        readers.emplace_back([&, r] {
            CMp3Source source;
            std::vector<uint8_t> buffer(r == 1 ? 1 << 20 : 4096);
            for (int round = 0; round < 3; ++round) {
                if (source.Open(path.c_str()) != 0) {
                    problems[r] = "does not open";
                    return;
                }
                // The two closing readers stop after 1 byte, then further in each round.
                const size_t stopAt =
                    r < 2 ? expected.size() + 1 : (round == 0 ? 1 : r * 150000 * round);
                std::vector<uint8_t> got;
                for (int reads = 0; got.size() < stopAt; ++reads) {
                    const size_t want = std::min(buffer.size(), stopAt - got.size());
                    const int32_t n = source.Read(buffer.data(), static_cast<int32_t>(want));
                    got.insert(got.end(), buffer.begin(), buffer.begin() + std::max(n, 0));
                    if (n < static_cast<int32_t>(want))
                        break;
                    if (r == 0 && reads % 64 == 0)
                        std::this_thread::sleep_for(std::chrono::milliseconds(2));
                }
                const size_t length = r < 2 ? expected.size() : std::min(stopAt, expected.size());
                const size_t n = std::min(got.size(), expected.size());
                const auto same =
                    std::mismatch(got.begin(), got.begin() + static_cast<std::ptrdiff_t>(n),
                                  expected.begin())
                        .first -
                    got.begin();
                if (got.size() != length || static_cast<size_t>(same) != n) {
                    problems[r] = "round " + std::to_string(round) + ": " +
                                  std::to_string(got.size()) + " bytes, the same for " +
                                  std::to_string(same);
                    return;
                }
                source.Close();
            }
        });
    }
    for (std::thread& reader : readers) reader.join();
    for (size_t r = 0; r < problems.size(); ++r) EXPECT_EQ(problems[r], "") << "reader " << r;
}

}  // namespace
