#include "gui/PreviewFileDlg.h"

#include <QCheckBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QLineEdit>
#include <QVBoxLayout>

#include "cover/PictureChoice.h"
#include "gui/PictureFrame.h"

namespace {
// The preview frame: 124 x 113 dialog units of the classic dialog font.
constexpr QSize kFrameSize(186, 184);
}  // namespace

QStringList CPreviewFileDlg::PictureNameFilters() {
    QStringList filters;
    for (const CPictureFilter& filter : kPictureFilters) {
        QString patterns = QString::fromUtf8(filter.patterns);
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        // "*.*" would leave out the many names here without a dot.
        if (patterns == QStringLiteral("*.*"))
            patterns = QStringLiteral("*");
        QString name = QString::fromUtf8(filter.name);
        filters << (name.isEmpty() ? QString() : name + QLatin1Char(' ')) + QLatin1Char('(') +
                       patterns + QLatin1Char(')');
    }
    return filters;
}

CPreviewFileDlg::CPreviewFileDlg(QWidget* parent) : QFileDialog(parent) {
    setObjectName(QStringLiteral("pictureDialog"));
    // Our own dialog, so that it can hold the preview; it never shows a read-only box.
    setOption(QFileDialog::DontUseNativeDialog, true);
    setAcceptMode(QFileDialog::AcceptOpen);
    setFileMode(QFileDialog::ExistingFile);
    // Names are matched in any letter case: cameras write IMG_0001.JPG.
    QDir::Filters entries = filter();
    entries.setFlag(QDir::CaseSensitive, false);
    setFilter(entries);
    const QStringList filters = PictureNameFilters();
    setNameFilters(filters);
    selectNameFilter(filters[static_cast<qsizetype>(kPreselectedPictureFilter)]);

    previewBox_ = new QCheckBox(QStringLiteral("Preview"), this);
    previewBox_->setObjectName(QStringLiteral("previewBox"));
    previewBox_->setChecked(previewOn_);
    frame_ = new CPictureFrame(kFrameSize, this);
    auto* side = new QVBoxLayout;
    side->addWidget(previewBox_);
    side->addWidget(frame_);
    side->addStretch(1);
    if (auto* grid = qobject_cast<QGridLayout*>(layout()))
        grid->addLayout(side, 0, grid->columnCount(), grid->rowCount(), 1);
    else if (layout() != nullptr)
        layout()->addItem(side);
    // Wide enough that the list keeps its columns and the type list its patterns beside
    // the preview.
    resize(sizeHint().expandedTo(QSize(820, 440)));

    connect(this, &QFileDialog::currentChanged, this, &CPreviewFileDlg::SelectionChanged);
    // A name typed into the name field selects its file without making it current: follow
    // the field as well, so the preview shows what Open would take.
    if (auto* name = findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
        connect(name, &QLineEdit::textChanged, this, [this](const QString& text) {
            if (!text.isEmpty())
                SelectionChanged(directory().absoluteFilePath(text));
        });
    connect(previewBox_, &QCheckBox::toggled, this, &CPreviewFileDlg::PreviewToggled);
}

void CPreviewFileDlg::SelectPicture(const QString& path) {
    selectFile(path);
    SelectionChanged(path);
}

void CPreviewFileDlg::SelectionChanged(const QString& path) {
    // A folder is only passed through on the way to a picture.
    if (path.isEmpty() || !QFileInfo(path).isFile() || path == selected_)
        return;
    selected_ = path;
    if (previewOn_)
        frame_->ShowFile(path);
}

void CPreviewFileDlg::PreviewToggled(bool on) {
    previewOn_ = on;
    if (on && !selected_.isEmpty())
        frame_->ShowFile(selected_);
    else if (!on)
        frame_->Clear();
}
