#pragma once
// How the record command turns the song list into the disc: the disc image is cleared
// and every row added as a track with its path and title.  The disc takes what it can
// (99 tracks at most, within its own budget); rows whose songs no longer inspect, or
// play nothing, are left out as well.  A song shorter than the shortest track a CD
// allows becomes a track of that length, silence after the song.  The disc is laid
// gapless or on whole seconds as the caller set it before.  The song list itself is not
// changed.
#include <cstdint>
#include <functional>

class CSongList;
class CDiscImage;

// leftOut, when given, hears of each row left out at the moment it is refused, while
// the disc image still shows why (a full disc, say); padded of each row whose track is
// longer than its song.  Returns the number of tracks.
int32_t FillDiscImage(const CSongList& songs, CDiscImage& disc,
                      const std::function<void(int32_t row)>& leftOut = {},
                      const std::function<void(int32_t row)>& padded = {});
