#pragma once
// How the record command turns the song list into the disc: the disc image is cleared
// and every row added as a track with its path and title.  The disc takes what it can
// (99 tracks at most, within its own budget); rows whose songs no longer inspect are
// left out as well, and so are songs shorter than a second, which would make a track of
// no blocks that no drive takes in a cue sheet.  The song list itself is not changed.
#include <cstdint>
#include <functional>

class CSongList;
class CDiscImage;

constexpr int32_t kMinTrackSeconds = 1;

// leftOut, when given, hears of each row left out at the moment it is refused, while
// the disc image still shows why (a full disc, say).  Returns the number of tracks.
int32_t FillDiscImage(const CSongList& songs, CDiscImage& disc,
                      const std::function<void(int32_t row)>& leftOut = {});
