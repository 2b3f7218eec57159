// The cover's layout through a canvas that records what is drawn: a page without a
// usable size, wrapping, font failures and the song limit.
#include <gtest/gtest.h>

#include <string>

#include "cover/CoverLayout.h"
#include "cover/RecordingCanvas.h"

namespace {

struct CExpectText {
    int32_t x;
    int32_t y;
    std::string text;
};

void ExpectTexts(const CRecordingCanvas& canvas, const std::vector<CExpectText>& expected) {
    const std::vector<CDrawn> texts = canvas.Only(CDrawn::kText);
    ASSERT_EQ(texts.size(), expected.size());
    for (size_t i = 0; i < texts.size(); ++i) {
        EXPECT_EQ(texts[i].text, expected[i].text) << "text " << i;
        EXPECT_EQ(texts[i].rect.left, expected[i].x) << "text " << i << " " << texts[i].text;
        EXPECT_EQ(texts[i].rect.top, expected[i].y) << "text " << i << " " << texts[i].text;
    }
}

std::string Repeat(char c, size_t n) {
    return std::string(n, c);
}

}  // namespace

TEST(CoverPrint, PageWithoutUsableSizeDrawsNothing) {
    CCover cover;
    for (CCoverPage page :
         {CCoverPage{4960, 7016, 0, 297, 600}, CCoverPage{4960, 0, 210, 297, 600},
          CCoverPage{4960, 7016, 210, 297, 0}, CCoverPage{2000000000, 7016, 1, 297, 600}}) {
        CRecordingCanvas canvas;
        EXPECT_EQ(PrintPage(cover, canvas, page), CoverDrawResult::kNoArea);
        EXPECT_TRUE(canvas.drawn.empty());
    }
}

// A 344 x 344 frame has a 342 x 342 drawing area: one pixel per point, so the list starts
// at (14, 65), its titles at 14 + 15, and titles must stay narrower than 286 - 29 = 257.
TEST(CoverWrap, LongestRunOfWordsNarrowerThanTheColumnAndOverflowWithoutBlanks) {
    CCover cover;
    // Words of 50 pixels and blanks of 10: four words are 230 wide, five 290.
    cover.AddCoverSong("aaaaa bbbbb ccccc ddddd eeeee fffff ggggg hhhhh jjjjj kkkkk", "01:00");
    // The first four words are exactly 257 wide: not narrower, so three are taken.
    cover.AddCoverSong(Repeat('i', 27) + "aaaaa bbbbb ccccc ddddd eeeee", "02:00");
    // No blank at all: one line, running into the time column.
    cover.AddCoverSong(Repeat('x', 30), "03:00");
    // A word that fits nowhere after one that does.
    cover.AddCoverSong("short " + Repeat('x', 30), "04:00");
    cover.AddCoverSong("end", "05:00");
    CRecordingCanvas canvas;
    canvas.charWidth = 10;
    EXPECT_EQ(PaintPreview(cover, canvas, 344, 344), CoverDrawResult::kComplete);

    const int32_t line = 10 + 3;
    int32_t y = 65;
    std::vector<CExpectText> expected{{14, 28, "TUNEVARN SONG LIST"}};
    auto song = [&](const char* number, const char* time, std::vector<std::string> lines) {
        expected.push_back({14, y, number});
        expected.push_back({297, y, time});
        for (const std::string& text : lines) {
            expected.push_back({29, y, text});
            y += line;
        }
    };
    song("01", "01:00", {"aaaaa bbbbb ccccc ddddd", "eeeee fffff ggggg hhhhh", "jjjjj kkkkk"});
    song("02", "02:00", {Repeat('i', 27) + "aaaaa bbbbb ccccc", "ddddd eeeee"});
    song("03", "03:00", {Repeat('x', 30)});
    song("04", "04:00", {"short", Repeat('x', 30)});
    song("05", "05:00", {"end"});
    ExpectTexts(canvas, expected);
}

TEST(CoverDraw, StopsWhereAFontCannotBeMade) {
    CCover cover;
    cover.AddCoverSong("One", "01:00");
    {
        CRecordingCanvas canvas;
        canvas.failFontCall = 0;
        EXPECT_EQ(PaintPreview(cover, canvas, 344, 344), CoverDrawResult::kFontFailed);
        EXPECT_TRUE(canvas.Only(CDrawn::kText).empty());
        EXPECT_EQ(canvas.drawn.back().kind, CDrawn::kFont);
    }
    {
        CRecordingCanvas canvas;
        canvas.failFontCall = 1;
        EXPECT_EQ(PrintPage(cover, canvas, kA4At600), CoverDrawResult::kFontFailed);
        ExpectTexts(canvas, {{1174, 833, "TUNEVARN SONG LIST"}});
        EXPECT_EQ(canvas.drawn.back().kind, CDrawn::kFont);
    }
}

TEST(CoverDraw, EightyOneSongsShowEighty) {
    CCover cover;
    for (int32_t i = 1; i <= 81; ++i) cover.AddCoverSong("Song " + std::to_string(i), "00:01");
    ASSERT_EQ(cover.Songs().size(), 80u);
    EXPECT_EQ(cover.Songs().back().title, "Song 80");
    CRecordingCanvas canvas;
    PrintPage(cover, canvas, kA4At600);
    const std::vector<CDrawn> texts = canvas.Only(CDrawn::kText);
    ASSERT_EQ(texts.size(), 1u + 80u * 3u);
    EXPECT_EQ(texts[texts.size() - 3].text, "80");
    EXPECT_EQ(texts.back().text, "Song 80");
    // Nothing is cut at the square's bottom: the 80th line lies far below it.
    EXPECT_EQ(texts.back().rect.top, 1225 + 79 * (83 + 3));
}
