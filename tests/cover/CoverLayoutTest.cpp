// The cover's layout on paper and on the preview, through a canvas that records what is
// drawn: positions, crop marks, the number and time columns, wrapping, font failures.
#include <gtest/gtest.h>

#include <string>

#include "cover/CoverLayout.h"
#include "cover/RecordingCanvas.h"

namespace {

// An A4 page at 600 dpi as a printer reports it.
constexpr CCoverPage kA4At600{4960, 7016, 210, 297, 600};

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

TEST(CoverPrint, A4At600DpiPlacesSquareCropMarksTitleListAndTitleLimit) {
    const auto g = PrintGeometry(kA4At600);
    ASSERT_TRUE(g.has_value());
    // The fractions of 599.92 and 600.02 dpi are cut off, not rounded.
    EXPECT_EQ(g->dpiX, 599);
    EXPECT_EQ(g->dpiY, 600);
    EXPECT_EQ(g->square, (CCoverRect{1058, 600, 1058 + 2845, 600 + 2850}));
    EXPECT_EQ(g->markLength, 239);
    EXPECT_EQ(g->titleX, 1174);
    EXPECT_EQ(g->titleY, 833);
    EXPECT_EQ(g->listY, 1225);
    EXPECT_EQ(g->timeX, 3528);
    EXPECT_EQ(g->rightLimit, 3487);

    // The list font is 83 pixels high (10 points at 600 dpi, cut), so titles start at
    // 1174 + 124 and may reach 3486: 2188 pixels.  54 + 1 + 54 characters of 20 pixels
    // and eight narrow ones fill that exactly; a ninth narrow one makes it wrap.
    const std::string fits = Repeat('a', 54) + " " + Repeat('b', 54) + Repeat('i', 8);
    const std::string wraps = Repeat('a', 54) + " " + Repeat('b', 54) + Repeat('i', 9);
    CCover cover;
    cover.AddCoverSong(fits, "03:15");
    cover.AddCoverSong(wraps, "12:01");
    cover.AddCoverSong("Coda", "00:42");
    CRecordingCanvas canvas;
    EXPECT_EQ(PrintPage(cover, canvas, kA4At600), CoverDrawResult::kComplete);

    const int32_t l = 1058, t = 600, r = 3903, b = 3450, m = 239;
    const std::vector<CDrawn> lines = canvas.Only(CDrawn::kLine);
    const std::vector<CCoverRect> marks{
        {l, t, l - m, t}, {l, t, l, t - m}, {l, b, l - m, b}, {l, b, l, b + m},
        {r, t, r + m, t}, {r, t, r, t - m}, {r, b, r + m, b}, {r, b, r, b + m},
    };
    ASSERT_EQ(lines.size(), marks.size());
    for (size_t i = 0; i < marks.size(); ++i) {
        EXPECT_EQ(lines[i].rect, marks[i]) << "crop mark " << i;
        EXPECT_EQ(lines[i].size, 1);
        EXPECT_EQ(lines[i].color, kCoverBlack);
    }
    // White paper is not painted.
    EXPECT_TRUE(canvas.Only(CDrawn::kFill).empty());

    const std::vector<CDrawn> fonts = canvas.Only(CDrawn::kFont);
    ASSERT_EQ(fonts.size(), 2u);
    EXPECT_EQ(fonts[0].size, 150);  // 18 points at 600 dpi
    EXPECT_EQ(fonts[1].size, 83);
    const int32_t line = 83 + 3;
    ExpectTexts(canvas, {
                            {1174, 833, "TUNEVARN SONG LIST"},
                            {1174, 1225, "01"},
                            {3528, 1225, "03:15"},
                            {1298, 1225, fits},
                            {1174, 1225 + line, "02"},
                            {3528, 1225 + line, "12:01"},
                            {1298, 1225 + line, Repeat('a', 54)},
                            {1298, 1225 + 2 * line, Repeat('b', 54) + Repeat('i', 9)},
                            {1174, 1225 + 3 * line, "03"},
                            {3528, 1225 + 3 * line, "00:42"},
                            {1298, 1225 + 3 * line, "Coda"},
                        });
}

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

TEST(CoverPreview, ScalesAcrossByWidthAndDownByHeightWithFontsFollowingTheWidth) {
    CCover cover;
    cover.SetPicture("/covers/sea.jpg");
    cover.AddCoverSong("Wave", "04:10");
    CRecordingCanvas canvas;
    canvas.charWidth = 5;
    // Drawing area 328 x 276.
    EXPECT_EQ(PaintPreview(cover, canvas, 330, 278), CoverDrawResult::kComplete);

    const CCoverColor grey{64, 64, 64};
    const std::vector<CDrawn>& d = canvas.drawn;
    ASSERT_GE(d.size(), 6u);
    EXPECT_EQ(d[0].kind, CDrawn::kClip);
    EXPECT_EQ(d[0].rect, (CCoverRect{0, 0, 330, 278}));
    EXPECT_EQ(d[1].kind, CDrawn::kFill);
    EXPECT_EQ(d[1].rect, (CCoverRect{0, 0, 328, 276}));
    EXPECT_EQ(d[1].color, kCoverWhite);
    EXPECT_EQ(d[2].kind, CDrawn::kLine);
    EXPECT_EQ(d[2].rect, (CCoverRect{2, 274, 326, 274}));
    EXPECT_EQ(d[3].rect, (CCoverRect{326, 2, 326, 274}));
    EXPECT_EQ(d[3].size, 3);
    EXPECT_EQ(d[3].color, grey);
    // The picture, resampled to the drawing area, lies under the texts.
    EXPECT_EQ(d[4].kind, CDrawn::kPicture);
    EXPECT_EQ(d[4].text, "/covers/sea.jpg");
    EXPECT_EQ(d[4].rect, (CCoverRect{0, 0, 328, 276}));

    // 18 x 328 / 342 = 17.26 and 10 x 328 / 342 = 9.59, both rounded.
    const std::vector<CDrawn> fonts = canvas.Only(CDrawn::kFont);
    ASSERT_EQ(fonts.size(), 2u);
    EXPECT_EQ(fonts[0].size, 17);
    EXPECT_EQ(fonts[1].size, 10);
    // x: 14, 297 of 342 across 328 -> 13, 284; y: 28, 65 of 342 down 276 -> 22, 52.
    ExpectTexts(canvas, {{13, 22, "TUNEVARN SONG LIST"},
                         {13, 52, "01"},
                         {284, 52, "04:10"},
                         {13 + 15, 52, "Wave"}});
}

TEST(CoverPreview, TitleLimitIsTheScaledTitleColumn) {
    // Drawing area 328 wide: the limit is 287 x 328 / 342 = 275, titles start at 13 + 15
    // and may reach 274, so 246 pixels.  A title of exactly that width stays on its line.
    for (int32_t width : {246, 247}) {
        CCover cover;
        cover.AddCoverSong(Repeat('a', 23) + " " + Repeat('i', static_cast<size_t>(width - 240)),
                           "01:00");
        CRecordingCanvas canvas;
        canvas.charWidth = 10;
        PaintPreview(cover, canvas, 330, 278);
        EXPECT_EQ(canvas.Only(CDrawn::kText).size(), width == 246 ? 4u : 5u) << width;
    }
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
