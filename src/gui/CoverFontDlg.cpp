#include "gui/CoverFontDlg.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QGroupBox>
#include <QLayout>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>

namespace {
// The group that holds the effects' check boxes; nullptr if the dialog has none.
QGroupBox* EffectsGroup(QWidget* dialog) {
    for (QGroupBox* group : dialog->findChildren<QGroupBox*>())
        if (!group->findChildren<QCheckBox*>().isEmpty())
            return group;
    return nullptr;
}
}  // namespace

CCoverFontDlg::CCoverFontDlg(const QFont& font, QColor color, QWidget* parent)
    : QFontDialog(parent), color_(color) {
    setObjectName(QStringLiteral("fontDialog"));
    // Ours, not the desktop's, so that it can hold the colour.
    setOption(QFontDialog::DontUseNativeDialog, true);
    setCurrentFont(font);

    colorButton_ = new QPushButton(QStringLiteral("&Color..."), this);
    colorButton_->setObjectName(QStringLiteral("colorButton"));
    colorButton_->setAutoDefault(false);
    QGroupBox* effects = EffectsGroup(this);
    if (effects != nullptr && effects->layout() != nullptr)
        effects->layout()->addWidget(colorButton_);
    else if (layout() != nullptr)
        layout()->addWidget(colorButton_);
    connect(colorButton_, &QPushButton::clicked, this, &CCoverFontDlg::ChooseColor);
    ShowColor();
}

void CCoverFontDlg::ChooseColor() {
    QColorDialog dialog(color_, this);
    dialog.setObjectName(QStringLiteral("colorDialog"));
    dialog.setOption(QColorDialog::DontUseNativeDialog, true);
    if (dialog.exec() != QDialog::Accepted)
        return;
    color_ = dialog.selectedColor();
    ShowColor();
}

void CCoverFontDlg::ShowColor() {
    QPixmap swatch(24, 12);
    swatch.fill(color_);
    colorButton_->setIcon(QIcon(swatch));
    colorButton_->setIconSize(swatch.size());
    // The sample text in the chosen colour.
    for (QLineEdit* sample : findChildren<QLineEdit*>()) {
        if (sample->isReadOnly() || sample->objectName().isEmpty()) {
            QPalette palette = sample->palette();
            palette.setColor(QPalette::Text, color_);
            sample->setPalette(palette);
        }
    }
}
