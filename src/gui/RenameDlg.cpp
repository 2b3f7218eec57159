#include "gui/RenameDlg.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "gui/QtText.h"
#include "songlist/Song.h"
#include "ui/LanguageTable.h"

CRenameDlg::CRenameDlg(const std::string& title, QWidget* parent) : QDialog(parent) {
    setWindowTitle(FromBytes(Text(801)));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(FromBytes(Text(800)), this));
    edit_ = new QLineEdit(FromBytes(title), this);
    // The title keeps 255 bytes; the list cuts a longer one at a character boundary.
    edit_->setMaxLength(static_cast<int>(CSong::kMaxText));
    edit_->selectAll();
    edit_->setMinimumWidth(320);
    layout->addWidget(edit_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Cancel)->setText(FromBytes(Text(105)));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

std::string CRenameDlg::Title() const {
    return ToBytes(edit_->text());
}

bool CRenameDlg::Run(std::string& title, QWidget* parent) {
    CRenameDlg dialog(title, parent);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    title = dialog.Title();
    return true;
}
