// tunevarn-cli cover: the PDF rendered back by pdftoppm at 600 dpi shows the crop marks,
// the title and the background picture where the layout's arithmetic puts them; a
// picture that cannot be read writes nothing.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "cover/CoverLayout.h"
#include "support/RunCommand.h"
#include "support/TestPaths.h"

namespace {
using testpaths::Cli;
using testpaths::Fixture;
using testpaths::RunProgram;

// The command's A4 page at 600 dpi: 595 x 842 points, as a PDF page is sized in whole
// points, so 4958 pixels across (a printer's A4 page has 4960).
constexpr CCoverPage kA4At600{4958, 7016, 210, 297, 600};

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// A part of the rendered page, grey or RGB, one byte a channel.
struct CRendered {
    int width = 0;
    int height = 0;
    int channels = 1;
    std::string pixels;
    const unsigned char* At(int x, int y) const {
        return reinterpret_cast<const unsigned char*>(pixels.data()) +
               (static_cast<size_t>(y) * width + x) * channels;
    }
    bool Dark(int x, int y) const { return At(x, y)[0] < 128; }
};

// Renders the page area (x, y, w, h) in pixels at 600 dpi through pdftoppm.
CRendered Render(const std::string& pdf, int x, int y, int w, int h, bool color) {
    const std::string prefix = testpaths::TempDir("cover-render") + "/part";
    std::vector<std::string> argv{"/usr/bin/pdftoppm",
                                  "-r",
                                  "600",
                                  "-x",
                                  std::to_string(x),
                                  "-y",
                                  std::to_string(y),
                                  "-W",
                                  std::to_string(w),
                                  "-H",
                                  std::to_string(h),
                                  "-singlefile",
                                  pdf,
                                  prefix};
    if (!color)
        argv.insert(argv.end() - 3, "-gray");
    auto r = RunProgram(argv);
    EXPECT_EQ(r.status, 0) << r.err;
    const std::string bytes = ReadFile(prefix + (color ? ".ppm" : ".pgm"));
    std::istringstream in(bytes);
    std::string magic;
    CRendered out;
    int maxValue = 0;
    in >> magic >> out.width >> out.height >> maxValue;
    in.get();
    out.channels = magic == "P6" ? 3 : 1;
    out.pixels = bytes.substr(static_cast<size_t>(in.tellg()));
    EXPECT_EQ(out.width, w);
    EXPECT_EQ(out.height, h);
    EXPECT_EQ(out.pixels.size(), static_cast<size_t>(w) * h * out.channels);
    return out;
}

// A binary PPM picture of one colour; the name says JPEG, the content decides.
std::string WritePicture(const std::string& dir, unsigned char r, unsigned char g,
                         unsigned char b) {
    const std::string path = dir + "/background.jpg";
    std::ofstream out(path, std::ios::binary);
    out << "P6\n8 8\n255\n";
    for (int i = 0; i < 64; ++i) out << r << g << b;
    return path;
}

}  // namespace

TEST(CliCover, PdfPageHasCropMarksTitleAndPictureWhereTheLayoutPutsThem) {
    const std::string dir = testpaths::TempDir("cli-cover");
    const std::string pdf = dir + "/cover.pdf";
    const std::string picture = WritePicture(dir, 170, 225, 195);
    auto r = RunProgram(
        {Cli(), "cover", "--title", "Road Trip", "--background", picture, pdf, Fixture("songs")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadFile(pdf).substr(0, 5), "%PDF-");
    const auto info = RunProgram({"/usr/bin/pdfinfo", pdf});
    EXPECT_NE(info.out.find("595 x 842 pts (A4)"), std::string::npos) << info.out;

    const auto g = PrintGeometry(kA4At600);
    ASSERT_TRUE(g.has_value());
    const CCoverRect& sq = g->square;
    const int m = g->markLength;
    // Each corner: the marks run outward along the square's edges, for their length and
    // no further, and the square's colour starts inside.
    struct Corner {
        int x, y, dx, dy;  // the corner and the outward directions
    };
    for (const Corner& c : {Corner{sq.left, sq.top, -1, -1}, Corner{sq.right, sq.top, 1, -1},
                            Corner{sq.left, sq.bottom, -1, 1}, Corner{sq.right, sq.bottom, 1, 1}}) {
        const int span = m + 20;
        const int left = c.dx < 0 ? c.x - span : c.x - 10;
        const int top = c.dy < 0 ? c.y - span : c.y - 10;
        const CRendered part = Render(pdf, left, top, span + 10, span + 10, false);
        auto dark = [&](int x, int y) { return part.Dark(x - left, y - top); };
        SCOPED_TRACE("corner " + std::to_string(c.x) + "," + std::to_string(c.y));
        // Along the horizontal mark, 3 to m - 3 pixels out; and the vertical one.
        for (int d = 3; d < m - 3; d += 7) {
            EXPECT_TRUE(dark(c.x + c.dx * d, c.y)) << "across " << d;
            EXPECT_TRUE(dark(c.x, c.y + c.dy * d)) << "along " << d;
            // One pixel beside a mark is paper.
            EXPECT_FALSE(dark(c.x + c.dx * d, c.y + c.dy * 2)) << "beside " << d;
        }
        EXPECT_FALSE(dark(c.x + c.dx * (m + 5), c.y)) << "past the mark";
        EXPECT_FALSE(dark(c.x + c.dx * 40, c.y + c.dy * 40)) << "outside the square";
    }

    // The picture stretched over the square, paper around it.
    const CRendered inside = Render(pdf, sq.left + 5, sq.bottom - 200, 2, 2, true);
    const unsigned char* p = inside.At(0, 0);
    EXPECT_NEAR(p[0], 170, 8);
    EXPECT_NEAR(p[1], 225, 8);
    EXPECT_NEAR(p[2], 195, 8);
    const CRendered outside = Render(pdf, sq.left - 60, sq.top + 400, 2, 2, true);
    EXPECT_EQ(outside.At(0, 0)[0], 255);

    // The title's ink starts just right of and below its position, and not before it.
    const int fontHeight = 150;  // 18 points at 600 dpi
    const CRendered title =
        Render(pdf, g->titleX - 60, g->titleY - 60, 600, fontHeight + 120, false);
    int firstX = -1;
    int firstY = -1;
    for (int y = 0; y < title.height; ++y)
        for (int x = 0; x < title.width; ++x)
            if (title.Dark(x, y)) {
                if (firstX < 0 || x < firstX)
                    firstX = x;
                if (firstY < 0)
                    firstY = y;
            }
    ASSERT_GE(firstX, 0) << "no title ink";
    EXPECT_GE(g->titleX - 60 + firstX, g->titleX);
    EXPECT_LE(g->titleX - 60 + firstX, g->titleX + 30);
    EXPECT_GE(g->titleY - 60 + firstY, g->titleY);
    EXPECT_LE(g->titleY - 60 + firstY, g->titleY + fontHeight / 2);
}

// An ordinary phone's photo, 8000 x 6000 pixels, is more than Qt takes by default.
TEST(CliCover, A48MegapixelPhotoIsTaken) {
    const std::string dir = testpaths::TempDir("cli-cover-photo");
    const std::string photo = dir + "/photo.jpg";
    ASSERT_EQ(RunProgram({"/usr/bin/convert", "-size", "8000x6000", "xc:#AAE1C3", photo}).status,
              0);
    auto r = RunProgram({Cli(), "cover", "--background", photo, dir + "/cover.pdf",
                         Fixture("songs/01 Morning.mp3")});
    ASSERT_EQ(r.status, 0) << r.err;
    const CCoverRect sq = PrintGeometry(kA4At600)->square;
    const CRendered inside = Render(dir + "/cover.pdf", sq.left + 5, sq.bottom - 200, 2, 2, true);
    const unsigned char* p = inside.At(0, 0);
    EXPECT_NEAR(p[0], 0xAA, 8);
    EXPECT_NEAR(p[1], 0xE1, 8);
    EXPECT_NEAR(p[2], 0xC3, 8);
}

TEST(CliCover, UnreadablePictureWritesNothingAndBadArgumentsAreRefused) {
    const std::string dir = testpaths::TempDir("cli-cover-bad");
    const std::string pdf = dir + "/cover.pdf";
    std::ofstream(pdf) << "%PDF-1.4 an older cover";
    const std::string empty = dir + "/empty.tif";
    std::ofstream{empty};
    const std::string corrupt = dir + "/corrupt.jpg";
    std::ofstream(corrupt, std::ios::binary)
        << std::string("\xff\xd8\xff\xe0", 4) << std::string(300, 'Z');
    for (const std::string& bad : {empty, corrupt}) {
        auto r = RunProgram({Cli(), "cover", "--background", bad, pdf, Fixture("songs")});
        EXPECT_EQ(r.status, 1);
        EXPECT_NE(r.err.find("cannot read the picture " + bad), std::string::npos) << r.err;
        EXPECT_EQ(ReadFile(pdf), "%PDF-1.4 an older cover");
    }
    EXPECT_EQ(RunProgram({Cli(), "cover", pdf}).status, 2);
    EXPECT_EQ(RunProgram({Cli(), "cover", "--colour", "red", pdf, Fixture("songs")}).status, 2);
    EXPECT_EQ(RunProgram({Cli(), "cover", pdf, Fixture("songs"), "--background"}).status, 2);
    // A folder that is not there: a clear error, nothing half written.
    auto r = RunProgram({Cli(), "cover", dir + "/missing/cover.pdf", Fixture("songs")});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("cannot write"), std::string::npos) << r.err;
}
