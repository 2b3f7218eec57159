#include "gui/SelectDriveDlg.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QVBoxLayout>

#include "gui/Pictures.h"
#include "gui/QtText.h"
#include "ui/LanguageTable.h"

CSelectDriveDlg::CSelectDriveDlg(const std::vector<std::string>& lines, QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(FromBytes(Text(960)));
    setWindowIcon(ApplicationIcon());
    auto* layout = new QVBoxLayout(this);
    auto* prompt = new QLabel(FromBytes(Text(961)), this);
    prompt->setWordWrap(true);
    layout->addWidget(prompt);
    drives_ = new QComboBox(this);
    for (const std::string& line : lines) drives_->addItem(FromBytes(line));
    drives_->setCurrentIndex(lines.empty() ? -1 : 0);
    layout->addWidget(drives_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    setMinimumWidth(380);
}

int32_t CSelectDriveDlg::Choice() const {
    return drives_->currentIndex();
}

int32_t CSelectDriveDlg::Run(const std::vector<std::string>& lines, QWidget* parent) {
    CSelectDriveDlg dialog(lines, parent);
    return dialog.exec() == QDialog::Accepted ? dialog.Choice() : -1;
}
