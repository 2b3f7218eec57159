#include "app/DiscFilling.h"

#include "disc/DiscImage.h"
#include "songlist/SongList.h"

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
        } else if (padded && disc.trackSeconds[static_cast<size_t>(disc.trackCount - 1)] >
                                 songs.SongDuration(i)) {
            padded(i);
        }
    }
    return disc.trackCount;
}
