#include "gui/paint/CoverPdf.h"

#include <QBuffer>
#include <QByteArray>
#include <QGuiApplication>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <cstring>
#include <memory>

#include "base/ReplacingFile.h"
#include "cover/Cover.h"
#include "cover/CoverLayout.h"
#include "gui/QtText.h"
#include "gui/paint/CoverPictures.h"
#include "gui/paint/QtCoverCanvas.h"

namespace {

constexpr int kPdfDpi = 600;

// The PDF in memory; false (with problem) when the cover could not be drawn.
bool DrawPdf(const CCover& cover, const QImage& picture, QByteArray& pdf, std::string& problem) {
    QBuffer buffer(&pdf);
    buffer.open(QIODevice::WriteOnly);
    QPdfWriter writer(&buffer);
    writer.setResolution(kPdfDpi);
    writer.setPageLayout(
        QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(0, 0, 0, 0)));
    writer.setTitle(QStringLiteral("TUNEVARN"));
    writer.setCreator(QStringLiteral("Tunevarn"));
    QPainter painter;
    if (!painter.begin(&writer)) {
        problem = "the PDF could not be started";
        return false;
    }
    CQtCoverCanvas canvas(painter, [&picture](const std::string&) { return picture; });
    const CoverDrawResult drawn = PrintPage(cover, canvas, CoverPageOf(writer));
    painter.end();
    if (drawn == CoverDrawResult::kFontFailed) {
        problem = "a font of the cover could not be made";
        return false;
    }
    if (drawn == CoverDrawResult::kNoArea) {
        problem = "the page has no room for the cover";
        return false;
    }
    return true;
}

}  // namespace

CoverPdfResult WriteCoverPdf(const CCover& cover, const std::string& path, std::string& problem,
                             const std::function<bool()>& stopRequested) {
    auto stop = [&stopRequested] { return stopRequested && stopRequested(); };
    // Qt draws text only inside a GUI application; the command line has none, and may
    // run where there is no display.  The arguments outlive the application made here.
    char name[] = "tunevarn-cli";
    char platformOption[] = "-platform";
    char offscreen[] = "offscreen";
    char* argv[] = {name, platformOption, offscreen, nullptr};
    int argc = 3;
    std::unique_ptr<QGuiApplication> application;
    if (QCoreApplication::instance() == nullptr)
        application = std::make_unique<QGuiApplication>(argc, argv);
    else if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) == nullptr) {
        problem = "drawing needs a GUI application";
        return CoverPdfResult::kNotDrawn;
    }

    // The picture first: a cover without the background asked for is not what the user
    // wants to cut out.  A photo far larger than the printed square comes in at the
    // square's size.
    QImage picture;
    if (cover.HasPicture()) {
        constexpr int kSquarePixels = kCoverSidePoints * kPdfDpi / 72;
        QString why;
        picture =
            ReadPicture(PathText(cover.PicturePath()), &why, QSize(kSquarePixels, kSquarePixels));
        if (picture.isNull()) {
            problem = why.toStdString();
            return CoverPdfResult::kPictureUnreadable;
        }
    }
    if (stop())
        return CoverPdfResult::kStopped;

    QByteArray pdf;
    if (!DrawPdf(cover, picture, pdf, problem))
        return CoverPdfResult::kNotDrawn;
    if (stop())
        return CoverPdfResult::kStopped;

    CReplacingFile file;  // abandoned unless committed: a stop leaves no file
    bool written =
        file.Create(path) && file.Write(pdf.constData(), static_cast<size_t>(pdf.size()));
    if (written && stop())
        return CoverPdfResult::kStopped;
    if (!written || !file.Commit()) {
        problem = std::strerror(file.Error());
        return CoverPdfResult::kCannotWrite;
    }
    return CoverPdfResult::kWritten;
}
