#pragma once
// The CD cover as the user lays it out: album title, up to 80 songs with their times,
// fonts, colours and an optional background picture.  The cover dialog shows and edits
// it, and the layout (CoverLayout.h) draws it on the preview and on paper.  Nothing of it
// is kept after the dialog closes.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "cover/CoverColor.h"
#include "cover/CoverFont.h"

class CSongList;

struct CCoverSong {
    std::string title;
    std::string time;  // as the song list's Time column shows it
};

// Which of the cover's two texts a font or colour belongs to.
enum class CoverText { kTitle, kList };

class CCover {
  public:
    static constexpr int32_t kMaxSongs = 80;
    static constexpr size_t kMaxTitleBytes = 159;
    static constexpr size_t kMaxTimeBytes = 15;
    static constexpr const char* kDefaultAlbumTitle = "TUNEVARN SONG LIST";

    // Songs.  Titles and times longer than their slots are cut at a character boundary;
    // songs past the 80th are left out.
    void AddCoverSong(std::string_view title, std::string_view time);
    // Every row of the list in order, with the titles and times its columns show.
    void AddCoverSongs(const CSongList& songs);
    const std::vector<CCoverSong>& Songs() const { return songs_; }

    const std::string& AlbumTitle() const { return albumTitle_; }
    void SetAlbumTitle(std::string_view title) { albumTitle_ = title; }

    const CCoverFont& Font(CoverText which) const;
    CCoverColor Color(CoverText which) const;
    CCoverColor BackgroundColor() const { return background_; }
    bool HasPicture() const { return hasPicture_; }
    const std::string& PicturePath() const { return picturePath_; }

    // Background: a picture was chosen and could be read.
    void SetPicture(std::string_view path);
    // Back Color: the colour replaces any picture.
    void SetBackgroundColor(CCoverColor color);
    // Clear: white and no picture; fonts, text colours and the album title stay.
    void Clear();

    // Title Font and List Font: what the font dialog opens on (height in screen pixels
    // at screenDpi), and storing what it gave back.
    CCoverFontChoice FontChoice(CoverText which, int32_t screenDpi) const;
    void SetFontChoice(CoverText which, const CCoverFontChoice& choice, int32_t screenDpi);

  private:
    std::string albumTitle_ = kDefaultAlbumTitle;
    std::vector<CCoverSong> songs_;
    CCoverFont titleFont_{.height = -18, .weight = CCoverFont::kBold};
    CCoverFont listFont_{.height = -10, .weight = CCoverFont::kNormal};
    CCoverColor titleColor_ = kCoverBlack;
    CCoverColor listColor_ = kCoverBlack;
    CCoverColor background_ = kCoverWhite;
    bool hasPicture_ = false;
    std::string picturePath_;
};
