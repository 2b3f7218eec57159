#include "gui/CoverDialog.h"

#include <fcntl.h>
#include <unistd.h>
#include <QColorDialog>
#include <QDir>
#include <QFileInfo>
#include <QFontInfo>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QVBoxLayout>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <string>

#include "cover/CoverLayout.h"
#include "gui/CoverFontDlg.h"
#include "gui/CoverPreview.h"
#include "gui/PreviewFileDlg.h"
#include "gui/QtText.h"
#include "gui/paint/CoverPictures.h"
#include "gui/paint/QtCoverCanvas.h"
#include "ui/LanguageTable.h"
#include "ui/TextFormat.h"

namespace {

// The preview frame: 245 x 205 dialog units of the classic dialog font.
constexpr QSize kPreviewSize(368, 333);

// Texts of the messages that name a picture that cannot be read.
constexpr int32_t kPictureKeptText = 910;
constexpr int32_t kPrintedWithoutPictureText = 911;

QString& LastPicture() {
    static QString path;
    return path;
}

CCoverColor FromQColor(const QColor& color) {
    return CCoverColor{static_cast<uint8_t>(color.red()), static_cast<uint8_t>(color.green()),
                       static_cast<uint8_t>(color.blue())};
}

// The font dialog shows whole points, as the font's height in screen pixels gives them.
QFont ToQFont(const CCoverFontChoice& choice, int32_t dpi) {
    QFont font(QString::fromStdString(choice.font.family));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSize(std::max(1, std::abs(ScreenPixelsToPoints(choice.font.height, dpi))));
    font.setWeight(static_cast<QFont::Weight>(std::clamp(choice.font.weight, 1, 1000)));
    font.setItalic(choice.font.italic);
    font.setUnderline(choice.font.underline);
    font.setStrikeOut(choice.font.strikeOut);
    // The dialog lists installed families only: open it on the one that draws the cover
    // ("Arial" is seldom installed here), so its style list shows the weight.
    font.setFamily(QFontInfo(font).family());
    return font;
}

CCoverFontChoice FromQFont(const QFont& font, const QColor& color, int32_t dpi) {
    CCoverFontChoice choice;
    choice.font.family = font.family().toStdString();
    const double pixels = font.pointSizeF() > 0 ? font.pointSizeF() * dpi / 72.0 : font.pixelSize();
    choice.font.height = -std::max(1, static_cast<int32_t>(std::lround(pixels)));
    choice.font.weight = font.weight();
    choice.font.italic = font.italic();
    choice.font.underline = font.underline();
    choice.font.strikeOut = font.strikeOut();
    choice.color = FromQColor(color);
    return choice;
}

// Printing into a file goes to a temporary name beside it and takes the file's name
// only once the page is complete: an unfinished print never looks like a cover.
class CPrintFile {
  public:
    explicit CPrintFile(QPrinter& printer) : printer_(printer) {
        const QByteArray target = QFile::encodeName(printer.outputFileName());
        if (target.isEmpty())
            return;
        // Reserved with the usual 0666 & ~umask mode, as the file itself would be made;
        // a folder we cannot write in lets the printer fail as it would.
        for (int attempt = 0; attempt < 100 && temp_.empty(); ++attempt) {
            std::string name = target.toStdString() + ".part-" + std::to_string(::getpid()) + "-" +
                               std::to_string(attempt);
            const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            if (fd >= 0) {
                ::close(fd);
                temp_ = std::move(name);
            } else if (errno != EEXIST) {
                break;
            }
        }
        if (!temp_.empty()) {
            target_ = target.toStdString();
            printer_.setOutputFileName(QFile::decodeName(QByteArray::fromStdString(temp_)));
        }
    }
    ~CPrintFile() {
        if (!temp_.empty())
            std::remove(temp_.c_str());
    }
    CPrintFile(const CPrintFile&) = delete;
    CPrintFile& operator=(const CPrintFile&) = delete;

    // After a complete page: the file under its own name.  False when that fails.
    bool Keep() {
        if (temp_.empty())
            return true;
        if (std::rename(temp_.c_str(), target_.c_str()) != 0)
            return false;
        temp_.clear();
        return true;
    }

  private:
    QPrinter& printer_;
    std::string target_;
    std::string temp_;
};

}  // namespace

CCoverDialog::CCoverDialog(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("coverDialog"));
    setWindowTitle(FromBytes(Text(907)));
    preview_ = new CCoverPreview(cover_, kPreviewSize, this);

    auto* titleLabel = new QLabel(FromBytes(Text(906)), this);
    titleEdit_ = new QLineEdit(this);
    titleEdit_->setObjectName(QStringLiteral("albumTitle"));
    titleLabel->setBuddy(titleEdit_);

    auto* buttons = new QVBoxLayout;
    auto addButton = [&](int32_t controlId, int32_t textId) {
        auto* button = new QPushButton(FromBytes(Text(textId)), this);
        button->setObjectName(QStringLiteral("button%1").arg(controlId));
        buttons_[controlId] = button;
        buttons->addWidget(button);
        return button;
    };
    connect(addButton(kBackground, 900), &QPushButton::clicked, this,
            &CCoverDialog::ChooseBackground);
    connect(addButton(kBackColor, 901), &QPushButton::clicked, this,
            &CCoverDialog::ChooseBackColor);
    connect(addButton(kClear, 902), &QPushButton::clicked, this, &CCoverDialog::ClearBackground);
    buttons->addSpacing(12);
    connect(addButton(kTitleFont, 903), &QPushButton::clicked, this,
            [this] { ChooseFont(CoverText::kTitle); });
    connect(addButton(kListFont, 904), &QPushButton::clicked, this,
            [this] { ChooseFont(CoverText::kList); });
    buttons->addStretch(1);
    QPushButton* print = addButton(kPrint, 905);
    print->setDefault(true);
    connect(print, &QPushButton::clicked, this, &CCoverDialog::Print);
    connect(addButton(kExit, 105), &QPushButton::clicked, this, &QDialog::reject);

    auto* grid = new QGridLayout(this);
    grid->addWidget(preview_, 0, 0, 1, 2);
    grid->addWidget(titleLabel, 1, 0);
    grid->addWidget(titleEdit_, 1, 1);
    grid->addLayout(buttons, 0, 2, 2, 1);
    grid->setSizeConstraint(QLayout::SetFixedSize);

    // What the title edit shows is the cover's title; every change repaints.
    titleEdit_->setText(FromBytes(cover_.AlbumTitle()));
    connect(titleEdit_, &QLineEdit::textChanged, this, &CCoverDialog::TitleEdited);
}

CCoverDialog::~CCoverDialog() = default;

void CCoverDialog::SetPictureFolder(const std::string& folder, const std::string& fallback) {
    pictureFolder_ = QFileInfo(PathText(folder)).isDir() ? PathText(folder) : PathText(fallback);
}

QPushButton* CCoverDialog::Button(int32_t controlId) const {
    auto it = buttons_.find(controlId);
    return it == buttons_.end() ? nullptr : it->second;
}

QString CCoverDialog::LastPicturePath() {
    return LastPicture();
}

void CCoverDialog::TitleEdited(const QString& text) {
    cover_.SetAlbumTitle(ToBytes(text));
    preview_->update();
}

void CCoverDialog::ChooseBackground() {
    CPreviewFileDlg dialog(this);
    dialog.setWindowTitle(FromBytes(Text(908)));
    if (!LastPicture().isEmpty())
        dialog.SelectPicture(LastPicture());
    else if (!pictureFolder_.isEmpty())
        dialog.setDirectory(pictureFolder_);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    const QString path = dialog.selectedFiles().front();
    LastPicture() = path;
    UsePicture(path);
}

bool CCoverDialog::UsePicture(const QString& path) {
    const QSize area = preview_->DrawingArea();
    // Twice the area keeps the smooth reduction afterwards sharp.
    const QImage picture = ReadPicture(path, nullptr, area * 2);
    if (picture.isNull()) {
        Tell(FormatText(kPictureKeptText, {PathBytes(path)}), true);
        return false;
    }
    cover_.SetPicture(PathBytes(path));
    preview_->SetPicture(ResamplePicture(picture, area));
    return true;
}

void CCoverDialog::ChooseBackColor() {
    QColorDialog dialog(ToQColor(cover_.BackgroundColor()), this);
    dialog.setObjectName(QStringLiteral("colorDialog"));
    dialog.setOption(QColorDialog::DontUseNativeDialog, true);
    if (dialog.exec() != QDialog::Accepted)
        return;
    cover_.SetBackgroundColor(FromQColor(dialog.selectedColor()));
    preview_->SetPicture(QImage());
}

void CCoverDialog::ClearBackground() {
    cover_.Clear();
    cover_.SetAlbumTitle(ToBytes(titleEdit_->text()));
    preview_->SetPicture(QImage());
}

void CCoverDialog::ChooseFont(CoverText which) {
    const int32_t dpi = logicalDpiY();
    const CCoverFontChoice choice = cover_.FontChoice(which, dpi);
    CCoverFontDlg dialog(ToQFont(choice, dpi), ToQColor(choice.color), this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    cover_.SetFontChoice(which, FromQFont(dialog.selectedFont(), dialog.Color(), dpi), dpi);
    preview_->update();
}

void CCoverDialog::Print() {
    cover_.SetAlbumTitle(ToBytes(titleEdit_->text()));
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(QStringLiteral("TUNEVARN"));
    QPrintDialog dialog(&printer, this);
    dialog.setObjectName(QStringLiteral("printDialog"));
    // One page, all of it; a PDF file is one of the printers offered.
    dialog.setOptions(QAbstractPrintDialog::PrintToFile | QAbstractPrintDialog::PrintShowPageSize);
    if (dialog.exec() != QDialog::Accepted ||
        (printer.outputFormat() == QPrinter::NativeFormat && printer.printerName().isEmpty())) {
        Tell(Text(1004));
        return;
    }

    CPrintFile file(printer);
    QPainter painter;
    if (!painter.begin(&printer)) {
        Tell(Text(1005));
        return;
    }
    // The picture is read again from its file, at its own size, for the paper.
    CQtCoverCanvas canvas(painter);
    const CoverDrawResult drawn = PrintPage(cover_, canvas, CoverPageOf(printer));
    if (drawn == CoverDrawResult::kFontFailed || drawn == CoverDrawResult::kNoArea) {
        printer.abort();
        painter.end();
        Tell(Text(1003), true);
        return;
    }
    if (!painter.end() || !file.Keep()) {
        Tell(Text(1003), true);
        return;
    }
    if (drawn == CoverDrawResult::kPictureUnreadable)
        Tell(FormatText(kPrintedWithoutPictureText, {cover_.PicturePath()}), true);
}

void CCoverDialog::Tell(const std::string& text, bool warning) {
    QMessageBox box(warning ? QMessageBox::Warning : QMessageBox::NoIcon,
                    QStringLiteral("Tunevarn"), FromBytes(text), QMessageBox::Ok, this);
    box.setObjectName(QStringLiteral("message"));
    box.exec();
}
