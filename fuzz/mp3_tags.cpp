// Opening a song without decoding it: the frame header and Xing/Info/VBRI reader, the
// search for the first frame behind ID3 version 2 tags, the APEv2 and ID3 version 1
// tags at the end, and the title the tags give.  Input: the file's bytes.  Being cheap,
// this runs far more inputs through the tag readers than mp3_source can.
//
// Beyond "no crash": the layout lies inside the file and the title is a clean text.
#include <cstdint>
#include <string>

#include "audio/Mp3Header.h"
#include "audio/Mp3Layout.h"
#include "audio/TagTitle.h"
#include "base/FileIo.h"
#include "support/FuzzInput.h"
#include "support/Require.h"
#include "support/ScratchFolder.h"

namespace {
void CheckLayout(const CMp3Layout& layout, int64_t size) {
    REQUIRE(layout.firstFrame >= layout.id3v2Bytes && layout.id3v2Bytes >= 0);
    REQUIRE(layout.firstFrame + 4 <= layout.audioEnd && layout.audioEnd <= size);
    if (layout.apeItems >= 0) {
        REQUIRE(layout.apeItems >= layout.audioEnd && layout.apeItemBytes >= 0);
        REQUIRE(layout.apeItems + layout.apeItemBytes <= size);
    }
    if (layout.hasId3v1)
        REQUIRE(layout.audioEnd <= size - CMp3Layout::kId3v1Size);
    REQUIRE(layout.header.sampleRate > 0 && layout.header.bitRate > 0);
    REQUIRE(layout.header.FrameBytes() > 4);
    REQUIRE(layout.seconds >= 0);
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The header readers on the bytes themselves, as if they started a frame.
    CMp3FrameHeader header;
    if (size >= 4 && ParseFrameHeader(data, header)) {
        REQUIRE(header.FrameBytes() > 4 && header.XingOffset() > 4);
        const CVbrHeader vbr = ReadVbrHeader(data, size, header);
        REQUIRE(!vbr.hasLength || (vbr.found && vbr.samples >= 0));
    }

    CFuzzInput in(data, size);
    const std::string path = WriteScratchFile("song.mp3", in.Rest());
    CFile file;
    REQUIRE(file.OpenForReading(path.c_str()));
    CMp3Layout layout;
    const int32_t inspected = layout.Inspect(file);
    REQUIRE(inspected == 0 || inspected == -2);
    if (inspected != 0)
        return 0;
    CheckLayout(layout, static_cast<int64_t>(size));

    std::string title;
    if (ReadTagTitle(file, layout, title))
        REQUIRE(!title.empty() && title.find('\0') == std::string::npos);
    // Inspecting again gives the same layout: nothing is left over from the first time.
    CMp3Layout again;
    REQUIRE(again.Inspect(file) == 0);
    REQUIRE(again.firstFrame == layout.firstFrame && again.audioEnd == layout.audioEnd &&
            again.seconds == layout.seconds && again.apeItems == layout.apeItems);
    return 0;
}
