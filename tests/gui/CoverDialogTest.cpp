// The cover dialog through real clicks and keys: the preview following the title, the
// background picture, colour and Clear, pictures that cannot be decoded, the font dialog
// with colour and effects, the picture dialog's preview, printing into a PDF file, and
// the main window's Print handing over the song list.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QFile>
#include <QImage>
#include <QLineEdit>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPushButton>
#include <QTest>
#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

#include "GuiRig.h"
#include "gui/CoverDialog.h"
#include "gui/CoverFontDlg.h"
#include "gui/CoverPreview.h"
#include "gui/PictureFrame.h"
#include "gui/PreviewFileDlg.h"
#include "support/RunCommand.h"
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

struct CShownDialog {
    CCoverDialog dialog;
    CShownDialog() {
        dialog.Cover().AddCoverSong("Morning - Sample Band", "00:04");
        dialog.Cover().AddCoverSong("Noon - Sample Band", "00:03");
        dialog.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    }
};

}  // namespace

TEST(CoverDialog, EveryControlCarriesItsTextAndTheTitleEditRepaintsThePreview) {
    CShownDialog shown;
    D& dialog = shown.dialog;
    EXPECT_EQ(dialog.windowTitle(), "Print CD Cover");
    const std::vector<std::pair<int32_t, QString>> buttons{{D::kBackground, "&Background"},
                                                           {D::kBackColor, "Back&Color"},
                                                           {D::kClear, "Cl&ear"},
                                                           {D::kTitleFont, "&Title Font"},
                                                           {D::kListFont, "&List Font"},
                                                           {D::kPrint, "&Print"},
                                                           {D::kExit, "&Exit"}};
    for (const auto& [id, text] : buttons) {
        ASSERT_NE(dialog.Button(id), nullptr) << id;
        EXPECT_EQ(dialog.Button(id)->text(), text);
    }
    EXPECT_TRUE(dialog.Button(D::kPrint)->isDefault());
    EXPECT_EQ(dialog.TitleEdit()->text(), "TUNEVARN SONG LIST");

    const QImage before = dialog.Preview()->grab().toImage();
    dialog.TitleEdit()->selectAll();
    QTest::keyClicks(dialog.TitleEdit(), QStringLiteral("Summer Mix"));
    QApplication::processEvents();
    EXPECT_EQ(dialog.Cover().AlbumTitle(), "Summer Mix");
    const QImage after = dialog.Preview()->grab().toImage();
    ASSERT_EQ(before.size(), after.size());
    // The title's band changed; the songs' lines below it did not.
    const int w = before.width();
    const int h = before.height();
    const QRect titleBand(0, h * 28 / 342, w, h * 30 / 342);
    const QRect listBand(0, h * 65 / 342, w, h * 30 / 342);
    EXPECT_NE(before.copy(titleBand), after.copy(titleBand));
    EXPECT_EQ(before.copy(listBand), after.copy(listBand));
    // And the songs' ink is there at all.
    int ink = 0;
    for (int y = listBand.top(); y <= listBand.bottom(); ++y)
        for (int x = 0; x < w; ++x) ink += qGray(after.pixel(x, y)) < 100;
    EXPECT_GT(ink, 50);

    // Exit closes it.
    Click(dialog, D::kExit);
    EXPECT_FALSE(dialog.isVisible());
}

TEST(CoverDialog, PictureThenBackColorThenClear) {
    const std::string dir = testpaths::TempDir("cover-pictures");
    // A JPEG by content under a BMP name: read by what it holds.
    const std::string red = WritePicture(dir, "red.bmp", QSize(300, 200), Qt::red, "JPEG");
    CShownDialog shown;
    D& dialog = shown.dialog;

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

TEST(CoverDialog, UndecodablePicturesAreNamedAndTheBackgroundStays) {
    const std::string dir = testpaths::TempDir("cover-broken");
    const std::string green = WritePicture(dir, "green.png", QSize(64, 64), Qt::green, "PNG");
    // A JPEG cut off after its first bytes, then garbage; and an empty TIFF.
    QByteArray jpeg;
    {
        QImage image(64, 64, QImage::Format_RGB32);
        image.fill(Qt::blue);
        QBuffer buffer(&jpeg);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "JPEG");
    }
    jpeg = jpeg.left(40) + QByteArray(200, '\x5a');
    const std::string corrupt = dir + "/corrupt.jpg";
    {
        QFile file(Q(corrupt));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(jpeg);
    }
    const std::string empty = dir + "/empty.tif";
    std::ofstream{empty};

    CShownDialog shown;
    D& dialog = shown.dialog;
    WhenPictureDialog(green);
    Click(dialog, D::kBackground);
    ASSERT_TRUE(dialog.Cover().HasPicture());

    for (const std::string& bad : {corrupt, empty}) {
        WhenPictureDialog(bad);
        QString message;
        WhenModal<QMessageBox>([&message](QMessageBox* box) {
            message = box->text();
            box->accept();
        });
        Click(dialog, D::kBackground);
        EXPECT_TRUE(message.contains(Q(bad))) << message.toStdString();
        EXPECT_EQ(dialog.Cover().PicturePath(), green);
        EXPECT_TRUE(Near(BackgroundPixel(dialog), Qt::green));
        // The next picture dialog opens on what was chosen, readable or not.
        EXPECT_EQ(D::LastPicturePath(), Q(bad));
    }
}

TEST(CoverDialog, FontDialogCarriesColourUnderlineAndStrikeOut) {
    CShownDialog shown;
    D& dialog = shown.dialog;
    QFont opened;
    WhenModal<CCoverFontDlg>([&opened](CCoverFontDlg* font) {
        opened = font->currentFont();
        for (QCheckBox* box : font->findChildren<QCheckBox*>())
            if (box->isVisible() && !box->isChecked())
                QTest::mouseClick(box, Qt::LeftButton, Qt::NoModifier,
                                  QPoint(6, box->height() / 2));
        WhenModal("QColorDialog", [](QWidget* w) { ChooseColor(w, QColor(200, 0, 0)); });
        QTest::mouseClick(font->ColorButton(), Qt::LeftButton);
        EXPECT_EQ(font->Color(), QColor(200, 0, 0));
        ClickButton(font, QStringLiteral("OK"));
    });
    Click(dialog, D::kTitleFont);
    // Opened on the title font as stored: 18 points, bold.
    EXPECT_EQ(opened.pointSize(), 18);
    EXPECT_EQ(opened.weight(), QFont::Bold);
    const CCoverFont& font = dialog.Cover().Font(CoverText::kTitle);
    EXPECT_TRUE(font.underline);
    EXPECT_TRUE(font.strikeOut);
    EXPECT_EQ(font.height, -18);
    EXPECT_EQ(dialog.Cover().Color(CoverText::kTitle), (CCoverColor{200, 0, 0}));
    // The title is drawn in it.
    const QImage shot = dialog.Preview()->grab().toImage();
    int reddish = 0;
    for (int y = 0; y < shot.height() / 5; ++y)
        for (int x = 0; x < shot.width(); ++x) {
            const QColor c = shot.pixelColor(x, y);
            reddish += c.red() > 150 && c.green() < 100 && c.blue() < 100;
        }
    EXPECT_GT(reddish, 20);
    // The list's font is untouched.
    EXPECT_FALSE(dialog.Cover().Font(CoverText::kList).underline);
    EXPECT_EQ(dialog.Cover().Color(CoverText::kList), kCoverBlack);
}

TEST(PreviewFileDlg, FiltersAndAPreviewThatCentresAndNeverEnlarges) {
    const std::string dir = testpaths::TempDir("cover-preview");
    const std::string big = WritePicture(dir, "big.jpg", QSize(800, 600), Qt::blue, "JPEG");
    const std::string small = WritePicture(dir, "small.tif", QSize(40, 30), Qt::yellow, "TIFF");
    const std::string broken = dir + "/broken.bmp";
    std::ofstream(broken) << "BM not a picture";

    CPreviewFileDlg dialog;
    const QStringList filters = dialog.nameFilters();
    ASSERT_EQ(filters.size(), 5);
    EXPECT_EQ(filters[0], "BMP file (*.bmp *.dib *.rle)");
    EXPECT_EQ(filters[1], "JPEG file (*.jpg *.jpeg *.jif)");
    EXPECT_EQ(filters[2], "TIFF file (*.tif)");
    EXPECT_EQ(filters[3],
              "All supported graphic formats (*.bmp *.dib *.rle *.jpg *.jpeg *.jif *.tif)");
    EXPECT_EQ(filters[4], "(*)");
    EXPECT_EQ(dialog.selectedNameFilter(), filters[3]);
    EXPECT_TRUE(dialog.testOption(QFileDialog::DontUseNativeDialog));
    dialog.setDirectory(Q(dir));
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    ASSERT_TRUE(dialog.PreviewBox()->isVisible());
    EXPECT_TRUE(dialog.PreviewBox()->isChecked());
    EXPECT_EQ(dialog.PreviewBox()->text(), "Preview");

    CPictureFrame* frame = dialog.Frame();
    auto select = [&dialog](const std::string& path) {
        auto* edit = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        ASSERT_NE(edit, nullptr);
        QApplication::setActiveWindow(&dialog);
        edit->setFocus();
        edit->clear();
        QTest::keyClicks(edit, Q(std::filesystem::path(path).filename().string()));
        QApplication::processEvents();
    };
    select(big);
    ASSERT_TRUE(frame->HasPicture());
    // Inside the one-pixel border, reduced to the full width and centred in height.
    const QRect inside(1, 1, frame->width() - 2, frame->height() - 2);
    const QRect bigRect = frame->PictureRect();
    EXPECT_EQ(bigRect.width(), inside.width());
    EXPECT_NEAR(bigRect.height(), inside.width() * 3 / 4, 1);
    EXPECT_NEAR(bigRect.center().y(), inside.center().y(), 1);
    QImage shot = frame->grab().toImage();
    EXPECT_TRUE(Near(shot.pixelColor(bigRect.center()), Qt::blue));

    select(small);
    ASSERT_TRUE(frame->HasPicture());
    EXPECT_EQ(frame->PictureRect().size(), QSize(40, 30));
    EXPECT_NEAR(frame->PictureRect().center().x(), inside.center().x(), 1);
    EXPECT_NEAR(frame->PictureRect().center().y(), inside.center().y(), 1);
    shot = frame->grab().toImage();
    EXPECT_TRUE(Near(shot.pixelColor(frame->PictureRect().center()), Qt::yellow));
    EXPECT_EQ(shot.pixelColor(inside.left() + 2, inside.top() + 2).rgb(),
              frame->palette().color(QPalette::Button).rgb());

    // Preview off: the frame empties; on again: the selected file at once.
    QCheckBox* box = dialog.PreviewBox();
    QTest::mouseClick(box, Qt::LeftButton, Qt::NoModifier, QPoint(6, box->height() / 2));
    EXPECT_FALSE(frame->HasPicture());
    select(big);
    EXPECT_FALSE(frame->HasPicture());
    QTest::mouseClick(box, Qt::LeftButton, Qt::NoModifier, QPoint(6, box->height() / 2));
    EXPECT_TRUE(frame->HasPicture());
    EXPECT_EQ(frame->PictureRect(), bigRect);

    select(broken);
    EXPECT_FALSE(frame->HasPicture());
    shot = frame->grab().toImage();
    EXPECT_EQ(shot.pixelColor(inside.center()).rgb(), frame->palette().color(QPalette::Dark).rgb());
}

TEST(CoverDialog, PrintCancelledAsksForAPrinterAndAPdfPrintIsComplete) {
    CShownDialog shown;
    D& dialog = shown.dialog;
    WhenModal<QPrintDialog>(
        [](QPrintDialog* print) { ClickButton(print, QStringLiteral("Cancel")); });
    QString message;
    WhenModal<QMessageBox>([&message](QMessageBox* box) {
        message = box->text();
        box->accept();
    });
    Click(dialog, D::kPrint);
    EXPECT_EQ(message, "Select a printer first.");

    // Into a PDF file, the printer the dialog always offers.
    const std::string pdf = testpaths::TempDir("cover-print") + "/cover.pdf";
    bool offered = false;
    WhenModal<QPrintDialog>([&](QPrintDialog* print) {
        QComboBox* printers = print->findChild<QComboBox*>(QStringLiteral("printers"));
        QLineEdit* file = print->findChild<QLineEdit*>(QStringLiteral("filename"));
        if (printers != nullptr && file != nullptr) {
            for (int i = 0; i < printers->count(); ++i)
                if (printers->itemText(i).contains(QStringLiteral("PDF")))
                    printers->setCurrentIndex(i), offered = true;
            file->setText(Q(pdf));
        }
        print->accept();
    });
    Click(dialog, D::kPrint);
    ASSERT_TRUE(offered);
    QFile written(Q(pdf));
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    const QByteArray bytes = written.readAll();
    EXPECT_TRUE(bytes.startsWith("%PDF"));
    EXPECT_TRUE(bytes.trimmed().endsWith("%%EOF"));
    // One page, the document named as the program prints it.
    const auto info = testpaths::RunProgram({"/usr/bin/pdfinfo", pdf});
    EXPECT_TRUE(std::regex_search(info.out, std::regex("(^|\n)Title: +TUNEVARN\n"))) << info.out;
    EXPECT_TRUE(std::regex_search(info.out, std::regex("\nPages: +1\n"))) << info.out;
    // Nothing of the temporary file is left beside it.
    int files = 0;
    for ([[maybe_unused]] const auto& entry :
         std::filesystem::directory_iterator(std::filesystem::path(pdf).parent_path()))
        ++files;
    EXPECT_EQ(files, 1);
}

TEST(CoverDialog, PrintCommandHandsOverTheSongListAndTheCoverFolder) {
    CMainWindowRig rig;
    rig.Drop(rig.Viewport(), QPoint(50, 50), {testpaths::Fixture("songs")});
    ASSERT_EQ(rig.Songs().RowCount(), 3);
    const std::string covers = rig.StartFolder() + "/cover";
    std::filesystem::create_directories(covers);

    QString opened;
    std::vector<CCoverSong> songs;
    WhenModal<CCoverDialog>([&](CCoverDialog* dialog) {
        songs = dialog->Cover().Songs();
        if (D::LastPicturePath().isEmpty()) {
            WhenModal<CPreviewFileDlg>([&opened](CPreviewFileDlg* files) {
                opened = files->directory().absolutePath();
                files->reject();
            });
            QTest::mouseClick(dialog->Button(D::kBackground), Qt::LeftButton);
        }
        QTest::mouseClick(dialog->Button(D::kExit), Qt::LeftButton);
    });
    CModalWindows real;
    real.RunCoverDialog(&rig.Window(), rig.Main());
    ASSERT_EQ(songs.size(), 3u);
    for (int32_t i = 0; i < 3; ++i) {
        EXPECT_EQ(songs[i].title, rig.Songs().Row(i).title);
        EXPECT_EQ(songs[i].time, rig.Songs().Row(i).timeText);
    }
    if (D::LastPicturePath().isEmpty()) {
        EXPECT_EQ(opened, Q(covers));
    }
}
