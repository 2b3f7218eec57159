// The cover dialog through real clicks: the background picture, colour and Clear.  (The
// song list it gets: the main window's session.)
#include <gtest/gtest.h>

#include <QColorDialog>
#include <QImage>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <string>

#include "GuiRig.h"
#include "gui/CoverDialog.h"
#include "gui/CoverFontDlg.h"
#include "gui/CoverPreview.h"
#include "gui/PreviewFileDlg.h"
#include "support/TestPaths.h"

namespace {

using D = CCoverDialog;

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

// A picture of one colour, saved in the format the content asks for whatever the name.
std::string WritePicture(const std::string& dir, const std::string& name, QSize size, QColor color,
                         const char* format) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(color);
    const std::string path = dir + "/" + name;
    EXPECT_TRUE(image.save(Q(path), format)) << path;
    return path;
}

bool Near(QColor a, QColor b, int tolerance = 24) {
    return std::abs(a.red() - b.red()) <= tolerance &&
           std::abs(a.green() - b.green()) <= tolerance &&
           std::abs(a.blue() - b.blue()) <= tolerance;
}

// The colour in the middle of the preview's lower right part, where no text is.
QColor BackgroundPixel(CCoverDialog& dialog) {
    const QImage shot = dialog.Preview()->grab().toImage();
    return shot.pixelColor(shot.width() * 3 / 4, shot.height() * 9 / 10);
}

void Click(CCoverDialog& dialog, int32_t controlId) {
    QTest::mouseClick(dialog.Button(controlId), Qt::LeftButton);
}

// Picks path in the picture dialog when it opens.
void WhenPictureDialog(const std::string& path) {
    WhenModal<CPreviewFileDlg>([path](CPreviewFileDlg* dialog) {
        // Typing goes to the name field, so what it names replaces a file selected before.
        QApplication::setActiveWindow(dialog);
        if (auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
            edit->setFocus();
        ChooseInFileDialog(dialog, Q(path));
    });
}

void ChooseColor(QWidget* dialog, QColor color) {
    static_cast<QColorDialog*>(dialog)->setCurrentColor(color);
    ClickButton(dialog, QStringLiteral("OK"));
}

}  // namespace

TEST(CoverDialog, PictureThenBackColorThenClear) {
    const std::string dir = testpaths::TempDir("cover-pictures");
    // A JPEG by content under a BMP name: read by what it holds.
    const std::string red = WritePicture(dir, "red.bmp", QSize(300, 200), Qt::red, "JPEG");
    D dialog;
    dialog.Cover().AddCoverSong("Morning - Sample Band", "00:04");
    dialog.Cover().AddCoverSong("Noon - Sample Band", "00:03");
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));

    WhenPictureDialog(red);
    Click(dialog, D::kBackground);
    ASSERT_TRUE(dialog.Cover().HasPicture());
    EXPECT_EQ(dialog.Cover().PicturePath(), red);
    EXPECT_EQ(dialog.Preview()->Picture().size(), dialog.Preview()->DrawingArea());
    EXPECT_TRUE(Near(BackgroundPixel(dialog), Qt::red))
        << BackgroundPixel(dialog).name().toStdString();
    EXPECT_EQ(D::LastPicturePath(), Q(red));

    WhenModal("QColorDialog", [](QWidget* w) { ChooseColor(w, QColor(0, 0, 160)); });
    Click(dialog, D::kBackColor);
    EXPECT_FALSE(dialog.Cover().HasPicture());
    EXPECT_EQ(dialog.Cover().BackgroundColor(), (CCoverColor{0, 0, 160}));
    EXPECT_EQ(BackgroundPixel(dialog), QColor(0, 0, 160));

    // Clear keeps the title and the fonts.
    dialog.TitleEdit()->setText(QStringLiteral("Kept"));
    WhenModal<CCoverFontDlg>([](CCoverFontDlg* font) {
        QFont bigger = font->currentFont();
        bigger.setPointSize(30);
        font->setCurrentFont(bigger);
        ClickButton(font, QStringLiteral("OK"));
    });
    Click(dialog, D::kListFont);
    ASSERT_EQ(dialog.Cover().Font(CoverText::kList).height, -30);
    WhenPictureDialog(red);
    Click(dialog, D::kBackground);
    ASSERT_TRUE(dialog.Cover().HasPicture());
    Click(dialog, D::kClear);
    EXPECT_FALSE(dialog.Cover().HasPicture());
    EXPECT_EQ(dialog.Cover().BackgroundColor(), kCoverWhite);
    EXPECT_EQ(BackgroundPixel(dialog), QColor(Qt::white));
    EXPECT_EQ(dialog.Cover().AlbumTitle(), "Kept");
    EXPECT_EQ(dialog.Cover().Font(CoverText::kList).height, -30);
}
