#include "gui/NormalizeInfoDlg.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QRadioButton>
#include <QVBoxLayout>

#include "gui/QtText.h"
#include "ui/LanguageTable.h"

namespace {
int32_t choice = 0;
}

CNormalizeInfoDlg::CNormalizeInfoDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Normalizing info"));
    auto* layout = new QVBoxLayout(this);
    auto* text = new QLabel(FromBytes(Text(700)).trimmed(), this);
    text->setWordWrap(true);
    text->setMinimumWidth(320);
    layout->addWidget(text);
    on_ = new QRadioButton(QStringLiteral("Yes, I'd like the normalizing ON by default"), this);
    off_ = new QRadioButton(QStringLiteral("No, I'd like the normalizing OFF by default"), this);
    (choice == 0 ? on_ : off_)->setChecked(true);
    layout->addWidget(on_);
    layout->addWidget(off_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(buttons);
}

void CNormalizeInfoDlg::accept() {
    choice = off_->isChecked() ? 1 : 0;
    QDialog::accept();
}

int32_t CNormalizeInfoDlg::Run(QWidget* parent) {
    CNormalizeInfoDlg dialog(parent);
    dialog.exec();
    return choice;
}

int32_t CNormalizeInfoDlg::Choice() {
    return choice;
}
