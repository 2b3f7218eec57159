#include "app/DiscFilling.h"

#include "disc/DiscImage.h"
#include "songlist/SongList.h"

namespace {
// Whether the track just added is longer than its song.
bool Padded(const CDiscImage& disc, const CSong& song) {
    const auto last = static_cast<size_t>(disc.trackCount - 1);
    if (disc.gapless != 0)
        return song.frames > 0 && disc.songFrames[last] > song.frames;
    return disc.trackSeconds[last] > song.duration;
}
}  // namespace

int32_t FillDiscImage(const CSongList& songs, CDiscImage& disc,
                      const std::function<void(int32_t row)>& leftOut,
                      const std::function<void(int32_t row)>& padded) {
    disc.Clear();
    for (int32_t i = 0; i < songs.RowCount(); ++i) {
        // Drives refuse, and players skip, tracks shorter than the standard's minimum.
        if (disc.AddTrack(songs.FullPath(i).c_str(), songs.Title(i).c_str(),
                          CDiscImage::kMinTrackSeconds) != 1) {
            if (leftOut)
                leftOut(i);
        } else if (padded && Padded(disc, songs.Row(i))) {
            padded(i);
        }
    }
    return disc.trackCount;
}
