#include "cover/Cover.h"

#include <cstdlib>

#include "base/DisplayText.h"
#include "songlist/SongList.h"

void CCover::AddCoverSong(std::string_view title, std::string_view time) {
    if (static_cast<int32_t>(songs_.size()) >= kMaxSongs)
        return;
    songs_.push_back(CCoverSong{std::string(title.substr(0, CutLength(title, kMaxTitleBytes))),
                                std::string(time.substr(0, CutLength(time, kMaxTimeBytes)))});
}

void CCover::AddCoverSongs(const CSongList& songs) {
    for (int32_t i = 0; i < songs.RowCount(); ++i)
        AddCoverSong(songs.Row(i).title, songs.Row(i).timeText);
}

const CCoverFont& CCover::Font(CoverText which) const {
    return which == CoverText::kTitle ? titleFont_ : listFont_;
}

CCoverColor CCover::Color(CoverText which) const {
    return which == CoverText::kTitle ? titleColor_ : listColor_;
}

void CCover::SetPicture(std::string_view path) {
    picturePath_ = path;
    hasPicture_ = true;
}

void CCover::SetBackgroundColor(CCoverColor color) {
    background_ = color;
    hasPicture_ = false;
}

void CCover::Clear() {
    SetBackgroundColor(kCoverWhite);
}

CCoverFontChoice CCover::FontChoice(CoverText which, int32_t screenDpi) const {
    CCoverFontChoice choice{Font(which), Color(which)};
    choice.font.height = PointsToScreenPixels(choice.font.height, screenDpi);
    return choice;
}

void CCover::SetFontChoice(CoverText which, const CCoverFontChoice& choice, int32_t screenDpi) {
    CCoverFont font = choice.font;
    // Heights are kept as negative points whatever sign the dialog used.
    font.height = -std::abs(ScreenPixelsToPoints(choice.font.height, screenDpi));
    (which == CoverText::kTitle ? titleFont_ : listFont_) = font;
    (which == CoverText::kTitle ? titleColor_ : listColor_) = choice.color;
}
