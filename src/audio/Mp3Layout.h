#pragma once
// Where the parts of an MP3 file lie, as opening a song finds them: the ID3 version 2
// tag in front, the first frame, the end of the audio before the APEv2 and ID3 version 1
// tags, and the song's length in whole seconds.
//
// The first frame is searched for after the ID3 version 2 tags (a cover picture in a
// tag is full of false syncs), and a candidate counts only when the next frame is where
// its header says and belongs to the same stream.  The length is what the decoder will
// deliver, rounded up to a whole second: from the Xing, Info or VBRI header when the
// first frame has one whose count the file's size bears out, otherwise from the frames
// themselves, by stepping from header to header without reading what lies between.
// The exact length in samples comes from the same count.
#include <array>
#include <cstdint>

#include "audio/Mp3Header.h"

class CFile;

struct CMp3Layout {
    static constexpr int32_t kId3v1Size = 128;
    // Stepping through frames ends here: longer than any disc, so such a song is refused
    // whatever its exact length.
    static constexpr int64_t kLongestWalk = 6000;

    int64_t id3v2Bytes = 0;   // the ID3 version 2 tag at offset 0, header and footer
                              // included; 0 when there is none
    int64_t firstFrame = -1;  // offset of the first frame
    int64_t decodeFrom = -1;  // where decoding starts: the first frame, or the one after a
                              // VBRI header's
    int64_t audioEnd = 0;     // first byte after the audio
    bool hasId3v1 = false;
    std::array<uint8_t, kId3v1Size> id3v1{};  // the file's last 128 bytes when they are a tag
    int64_t apeItems = -1;                    // offset of the APEv2 tag's items, -1 none
    int64_t apeItemBytes = 0;
    int32_t apeItemCount = 0;
    CMp3FrameHeader header;  // the first frame's
    int64_t seconds = 0;     // the length, whole seconds rounded up
    int64_t samples = 0;     // the length in samples per channel at the first frame's rate

    // 0 when the file holds a Layer III stream we take (the fields are then set), -2
    // when it does not.
    int32_t Inspect(const CFile& file);
};
