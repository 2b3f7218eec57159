// MP3 inspection, decoding to CD audio and the tags' titles, on a file of the
// fuzzer's bytes.  Input: one byte that picks how the audio is asked for, then the file.
//
// Beyond "no crash": the two ways of reading the title agree, the audio comes in whole
// stereo frames, a short read is followed only by empty ones, and the amount of audio
// does not depend on how it is asked for (one source reads in small pieces, another in
// large).  Only the amount: for some damaged frames libmpg123 (1.31) hands out samples
// made from uninitialised memory of its own, which differ from one decode to the next.
#include <array>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "audio/Mp3Source.h"
#include "support/FuzzInput.h"
#include "support/Require.h"
#include "support/ScratchFolder.h"

namespace {
constexpr int32_t kPieces[] = {3, 4, 5, 588 * 4, 4095, 8192, 44100, 176400};
constexpr size_t kMostAudio = 64 << 20;  // no input of ours decodes to more

// The bytes of audio the file decodes to, read piece by piece.
size_t DecodeAll(const std::string& path, int32_t piece) {
    CMp3Source source;
    size_t total = 0;
    if (source.Open(path.c_str()) != 0)
        return total;
    std::vector<uint8_t> buffer(static_cast<size_t>(piece));
    for (;;) {
        const int32_t got = source.Read(buffer.data(), piece);
        REQUIRE(got >= 0 && got <= piece);
        total += static_cast<size_t>(got);
        REQUIRE(total <= kMostAudio);
        if (got < piece)
            break;
    }
    // Once short, always empty.
    REQUIRE(source.Read(buffer.data(), piece) == 0);
    return total;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CFuzzInput in(data, size);
    const uint8_t mode = in.Byte();
    const std::string path = WriteScratchFile("song.mp3", in.Rest());

    CMp3Source source;
    const int32_t opened = source.Open(path.c_str());
    REQUIRE(opened == 0 || opened == -2);

    std::array<char, 64> title{};
    const bool tagged = ReadId3Title(path.c_str(), title.data(), title.size());
    REQUIRE(std::memchr(title.data(), '\0', title.size()) != nullptr);
    // A slot of any size gets a terminated text.
    std::array<char, 7> small{};
    REQUIRE(ReadId3Title(path.c_str(), small.data(), mode % small.size() + 1) == tagged);
    REQUIRE(std::memchr(small.data(), '\0', small.size()) != nullptr);
    if (opened != 0)
        return 0;

    REQUIRE(source.duration >= 0 && source.bitRate > 0 && source.FirstFrameOffset() >= 0);
    // A version 1 tag gives a title unless its title is empty.
    REQUIRE(source.Id3v1Tag() != nullptr || !tagged);
    // Any tag's title (version 2, APEv2, version 1) is a text.
    std::string tagTitle;
    const bool titled = source.TagTitle(tagTitle);
    REQUIRE(titled == !tagTitle.empty() && tagTitle.find('\0') == std::string::npos);
    if (tagged) {
        std::array<char, 64> fromTag{};
        REQUIRE(Id3TitleFromTag(source.Id3v1Tag(), fromTag.data(), fromTag.size()));
        REQUIRE(std::strcmp(fromTag.data(), title.data()) == 0);
    }
    source.Close();

    const size_t bytes = DecodeAll(path, kPieces[mode % 4]);
    REQUIRE(bytes % 4 == 0);
    if ((mode & 0x80) != 0)
        REQUIRE(DecodeAll(path, kPieces[4 + (mode >> 2) % 4]) == bytes);
    return 0;
}
