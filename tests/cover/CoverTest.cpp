// The cover's data and the operations the cover dialog calls: song slots, picture and
// colour, Clear, font choices, and the picture dialog's file types and preview frame.
#include <gtest/gtest.h>

#include <string>

#include "cover/Cover.h"
#include "cover/CoverLayout.h"
#include "cover/PictureChoice.h"
#include "cover/RecordingCanvas.h"
#include "songlist/SongList.h"

namespace {

constexpr CCoverPage kA4At600{4960, 7016, 210, 297, 600};
constexpr CCoverRect kSquare{1058, 600, 3903, 3450};

}  // namespace

TEST(Cover, StartsAsTheDialogOpens) {
    const CCover cover;
    EXPECT_EQ(cover.AlbumTitle(), "TUNEVARN SONG LIST");
    EXPECT_TRUE(cover.Songs().empty());
    EXPECT_EQ(cover.Font(CoverText::kTitle),
              (CCoverFont{"Arial", -18, CCoverFont::kBold, false, false, false}));
    EXPECT_EQ(cover.Font(CoverText::kList),
              (CCoverFont{"Arial", -10, CCoverFont::kNormal, false, false, false}));
    EXPECT_EQ(cover.Color(CoverText::kTitle), kCoverBlack);
    EXPECT_EQ(cover.Color(CoverText::kList), kCoverBlack);
    EXPECT_EQ(cover.BackgroundColor(), kCoverWhite);
    EXPECT_FALSE(cover.HasPicture());
}

TEST(Cover, LongTitlesAreCutAtACharacterBoundaryWithin159Bytes) {
    CCover cover;
    cover.AddCoverSong(std::string(200, 'a'), "1234567890:12345678");
    // "é" is two bytes: 158 + 2 would split it at 159, so it goes whole.
    cover.AddCoverSong(std::string(158, 'a') + "\xC3\xA9" + "z", "00:01");
    cover.AddCoverSong(std::string(157, 'a') + "\xC3\xA9" + "z", "00:01");
    // Not UTF-8 (Latin-1 "é" bytes): cut at 159 bytes exactly.
    cover.AddCoverSong(std::string(200, '\xE9'), "00:01");
    const auto& songs = cover.Songs();
    ASSERT_EQ(songs.size(), 4u);
    EXPECT_EQ(songs[0].title, std::string(159, 'a'));
    EXPECT_EQ(songs[0].time, "1234567890:1234");
    EXPECT_EQ(songs[1].title, std::string(158, 'a'));
    EXPECT_EQ(songs[2].title, std::string(157, 'a') + "\xC3\xA9");
    EXPECT_EQ(songs[3].title, std::string(159, '\xE9'));

    // Latin-1 titles reach the canvas as UTF-8.
    CRecordingCanvas canvas;
    PrintPage(cover, canvas, kA4At600);
    std::string utf8;
    for (int32_t i = 0; i < 159; ++i) utf8 += "\xC3\xA9";
    EXPECT_EQ(canvas.Only(CDrawn::kText).back().text, utf8);
}

TEST(Cover, TakesTheSongListsTitlesAndTimesInOrder) {
    CSongList list;
    ASSERT_TRUE(list.InsertSong(CSong{"First", "03:05", "/m/1.mp3", 185}));
    ASSERT_TRUE(list.InsertSong(CSong{"Second", "10:00", "/m/2.mp3", 600}));
    CCover cover;
    cover.AddCoverSongs(list);
    ASSERT_EQ(cover.Songs().size(), 2u);
    EXPECT_EQ(cover.Songs()[0].title, "First");
    EXPECT_EQ(cover.Songs()[0].time, "03:05");
    EXPECT_EQ(cover.Songs()[1].title, "Second");
}

TEST(Cover, BackColorAfterAPictureDropsItFromPreviewAndPrint) {
    CCover cover;
    cover.SetPicture("/covers/sea.jpg");
    {
        CRecordingCanvas canvas;
        EXPECT_EQ(PrintPage(cover, canvas, kA4At600), CoverDrawResult::kComplete);
        const std::vector<CDrawn> pictures = canvas.Only(CDrawn::kPicture);
        ASSERT_EQ(pictures.size(), 1u);
        EXPECT_EQ(pictures[0].text, "/covers/sea.jpg");
        EXPECT_EQ(pictures[0].rect, kSquare);  // stretched over the whole square
        EXPECT_TRUE(canvas.Only(CDrawn::kFill).empty());
    }
    {
        // A picture gone since it was chosen: the rest of the cover still prints.
        CRecordingCanvas canvas;
        canvas.picturesReadable = false;
        EXPECT_EQ(PrintPage(cover, canvas, kA4At600), CoverDrawResult::kPictureUnreadable);
        EXPECT_EQ(canvas.Only(CDrawn::kText).size(), 1u);
    }

    const CCoverColor red{200, 10, 10};
    cover.SetBackgroundColor(red);
    EXPECT_FALSE(cover.HasPicture());
    CRecordingCanvas paper;
    PrintPage(cover, paper, kA4At600);
    EXPECT_TRUE(paper.Only(CDrawn::kPicture).empty());
    const std::vector<CDrawn> fills = paper.Only(CDrawn::kFill);
    ASSERT_EQ(fills.size(), 1u);
    EXPECT_EQ(fills[0].rect, kSquare);
    EXPECT_EQ(fills[0].color, red);

    CRecordingCanvas preview;
    PaintPreview(cover, preview, 344, 344);
    EXPECT_TRUE(preview.Only(CDrawn::kPicture).empty());
    EXPECT_EQ(preview.Only(CDrawn::kFill).at(0).color, red);
}

TEST(Cover, ClearRestoresWhiteAndKeepsFontsColoursAndTitle) {
    CCover cover;
    cover.SetAlbumTitle("Road Trip");
    const CCoverFont title{"DejaVu Serif", -24, CCoverFont::kNormal, true, true, false};
    const CCoverFont list{"DejaVu Sans", -12, CCoverFont::kBold, false, false, true};
    cover.SetFontChoice(CoverText::kTitle, {title, {0, 0, 255}}, 72);
    cover.SetFontChoice(CoverText::kList, {list, {0, 128, 0}}, 72);
    cover.SetBackgroundColor({10, 20, 30});
    cover.SetPicture("/covers/sea.jpg");

    cover.Clear();
    EXPECT_FALSE(cover.HasPicture());
    EXPECT_EQ(cover.BackgroundColor(), kCoverWhite);
    EXPECT_EQ(cover.AlbumTitle(), "Road Trip");
    EXPECT_EQ(cover.Font(CoverText::kTitle), title);
    EXPECT_EQ(cover.Font(CoverText::kList), list);
    EXPECT_EQ(cover.Color(CoverText::kTitle), (CCoverColor{0, 0, 255}));
    EXPECT_EQ(cover.Color(CoverText::kList), (CCoverColor{0, 128, 0}));

    CRecordingCanvas paper;
    PrintPage(cover, paper, kA4At600);
    EXPECT_TRUE(paper.Only(CDrawn::kFill).empty());
    EXPECT_TRUE(paper.Only(CDrawn::kPicture).empty());
    const std::vector<CDrawn> fonts = paper.Only(CDrawn::kFont);
    ASSERT_EQ(fonts.size(), 2u);
    EXPECT_EQ(fonts[0].text, "DejaVu Serif");
    EXPECT_EQ(fonts[0].size, 200);  // 24 points at 600 dpi
    EXPECT_EQ(paper.Only(CDrawn::kText).at(0).text, "Road Trip");
}

TEST(Cover, FontDialogWorksInScreenPixelsAndOkWithoutChangeKeepsTheSize) {
    CCover cover;
    const CCoverFontChoice shown = cover.FontChoice(CoverText::kList, 96);
    EXPECT_EQ(shown.font.height, -13);  // 10 points at 96 dpi is 13.3 pixels
    EXPECT_EQ(shown.color, kCoverBlack);
    cover.SetFontChoice(CoverText::kList, shown, 96);
    EXPECT_EQ(cover.Font(CoverText::kList).height, -10);

    for (int32_t dpi : {72, 96, 110, 120, 144, 192, 300}) {
        for (int32_t points = 1; points <= 200; ++points) {
            const int32_t pixels = PointsToScreenPixels(-points, dpi);
            ASSERT_EQ(ScreenPixelsToPoints(pixels, dpi), -points) << points << " pt at " << dpi;
        }
    }
    // A height the dialog gives as positive is kept as a negative point size.
    cover.SetFontChoice(CoverText::kTitle,
                        {{"Arial", 32, CCoverFont::kBold, false, false, false}, kCoverWhite}, 96);
    EXPECT_EQ(cover.Font(CoverText::kTitle).height, -24);
}

TEST(PictureChoice, OffersFiveFileTypesWithAllSupportedPreselected) {
    ASSERT_EQ(kPictureFilters.size(), 5u);
    EXPECT_STREQ(kPictureFilters[0].name, "BMP file");
    EXPECT_STREQ(kPictureFilters[0].patterns, "*.bmp;*.dib;*.rle");
    EXPECT_STREQ(kPictureFilters[1].name, "JPEG file");
    EXPECT_STREQ(kPictureFilters[1].patterns, "*.jpg;*.jpeg;*.jif");
    EXPECT_STREQ(kPictureFilters[2].name, "TIFF file");
    EXPECT_STREQ(kPictureFilters[2].patterns, "*.tif");
    EXPECT_STREQ(kPictureFilters[3].name, "All supported graphic formats");
    EXPECT_EQ(std::string(kPictureFilters[3].patterns), std::string(kPictureFilters[0].patterns) +
                                                            ";" + kPictureFilters[1].patterns +
                                                            ";" + kPictureFilters[2].patterns);
    EXPECT_STREQ(kPictureFilters[4].name, "");
    EXPECT_STREQ(kPictureFilters[4].patterns, "*.*");
    EXPECT_EQ(kPreselectedPictureFilter, 3u);
}

TEST(PictureChoice, PreviewCentresReducesKeepingProportionsAndNeverEnlarges) {
    const CCoverRect frame{0, 0, 202, 186};  // filled inside: (1, 1) to (201, 185), 200 x 184
    const CPicturePreviewPlan wide = PlanPicturePreview(frame, 800, 400);
    EXPECT_EQ(wide.fill, (CCoverRect{1, 1, 201, 185}));
    EXPECT_TRUE(wide.pictureLoaded);
    EXPECT_EQ(wide.picture, (CCoverRect{1, 43, 201, 143}));
    EXPECT_EQ(PlanPicturePreview(frame, 300, 600).picture, (CCoverRect{55, 1, 147, 185}));
    EXPECT_EQ(PlanPicturePreview(frame, 50, 20).picture, (CCoverRect{76, 83, 126, 103}));
    EXPECT_EQ(PlanPicturePreview(frame, 200, 184).picture, (CCoverRect{1, 1, 201, 185}));
    // A sliver keeps at least a pixel.
    EXPECT_EQ(PlanPicturePreview(frame, 100000, 10).picture.Height(), 1);

    const CPicturePreviewPlan none = PlanPicturePreview(frame, 0, 0);
    EXPECT_FALSE(none.pictureLoaded);
    EXPECT_EQ(none.fill, (CCoverRect{1, 1, 201, 185}));
    EXPECT_EQ(none.picture.Width(), 0);
}
