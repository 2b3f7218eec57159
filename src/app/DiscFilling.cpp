#include "app/DiscFilling.h"

#include "disc/DiscImage.h"
#include "songlist/SongList.h"

int32_t FillDiscImage(const CSongList& songs, CDiscImage& disc,
                      const std::function<void(int32_t row)>& leftOut) {
    disc.Clear();
    for (int32_t i = 0; i < songs.RowCount(); ++i) {
        bool added = songs.SongDuration(i) >= kMinTrackSeconds &&
                     disc.AddTrack(songs.FullPath(i).c_str(), songs.Title(i).c_str()) == 1;
        if (!added && leftOut)
            leftOut(i);
    }
    return disc.trackCount;
}
