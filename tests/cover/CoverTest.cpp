// The cover's data and the operations the cover dialog calls: song slots, titles cut at a
// character boundary, and the picture dialog's preview frame.
#include <gtest/gtest.h>

#include <string>

#include "cover/Cover.h"
#include "cover/CoverLayout.h"
#include "cover/PictureChoice.h"
#include "cover/RecordingCanvas.h"
#include "songlist/SongList.h"

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
