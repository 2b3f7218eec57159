// CD-TEXT packs between the writer and the reader.  Input: one byte; bit 0 clear: the
// rest is lead-in blocks of 96 bytes as a host could send them, read back as packs and
// titles; bit 0 set: a title count (one byte) and titles (a length byte and bytes each)
// built into packs and blocks, which the reader must give back unchanged.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>
#include <vector>

#include "base/DisplayText.h"
#include "disc/CdTextBuilder.h"
#include "support/FuzzInput.h"
#include "support/Require.h"
#include "virtualdrive/LeadInCdText.h"

namespace {
using Block = std::span<const uint8_t, CLeadInCdText::kBlockBytes>;

void ReadBlocks(CFuzzInput& in, uint8_t lastTrack) {
    CLeadInCdText reader;
    for (;;) {
        auto bytes = in.Bytes(CLeadInCdText::kBlockBytes);
        if (bytes.size() < CLeadInCdText::kBlockBytes)
            break;
        reader.AddBlock(Block(bytes.data(), CLeadInCdText::kBlockBytes));
    }
    const auto packs = reader.Packs();
    for (size_t s = 0; s < packs.size(); ++s)
        REQUIRE(packs[s][2] == s && CLeadInCdText::CrcMatches(packs[s]));
    REQUIRE(reader.Titles(lastTrack).size() == size_t{lastTrack} + 1);
}

void RoundTrip(CFuzzInput& in) {
    const int32_t tracks = in.Byte() % 100;
    std::vector<std::string> titles;
    CCdTextBuilder builder;
    for (int32_t t = 0; t <= tracks; ++t) {
        titles.push_back(in.ShortText());
        builder.AddText(titles.back(), t);
    }
    builder.BuildPacks();
    REQUIRE(builder.blockCount >= 0 && builder.blockCount <= CCdTextBuilder::kMaxBlocks);

    // The lead-in repeats the groups over and over, starting anywhere in the cycle.
    CLeadInCdText reader;
    const int32_t first = builder.blockCount > 0 ? in.Byte() % builder.blockCount : 0;
    for (int32_t k = 0; k < 2 * builder.blockCount; ++k) {
        const auto& block = builder.blocks[static_cast<size_t>((first + k) % builder.blockCount)];
        REQUIRE(block != nullptr);
        reader.AddBlock(Block(block->Data().data(), CLeadInCdText::kBlockBytes));
    }
    REQUIRE(reader.BadPacks() == 0);
    // Every pack written, of the MS-JIS block too when a title is Japanese.
    const auto packs = reader.Packs();
    const auto written = builder.AllPacks();
    REQUIRE(packs.size() == written.size());
    for (size_t p = 0; p < packs.size(); ++p) REQUIRE(packs[p] == written[p]);

    if (builder.TitlesShortened())
        return;
    const auto back = reader.Titles(tracks);
    for (int32_t t = 0; t <= tracks; ++t) {
        std::string title = titles[static_cast<size_t>(t)];
        title = title.substr(0, title.find('\0'));
        // UTF-8 beyond ASCII is converted to ISO 8859-1 on the way: not compared here.
        const bool ascii = std::all_of(title.begin(), title.end(),
                                       [](char c) { return static_cast<uint8_t>(c) < 0x80; });
        if (ascii || !IsValidUtf8(title))
            REQUIRE(back[static_cast<size_t>(t)] == title);
    }
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CFuzzInput in(data, size);
    const uint8_t mode = in.Byte();
    if ((mode & 1) == 0)
        ReadBlocks(in, mode >> 1);
    else
        RoundTrip(in);
    return 0;
}
