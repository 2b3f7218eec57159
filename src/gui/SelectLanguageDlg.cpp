#include "gui/SelectLanguageDlg.h"

#include <QDialogButtonBox>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QVBoxLayout>

#include "gui/Pictures.h"
#include "gui/QtText.h"

CSelectLanguageDlg::CSelectLanguageDlg(const std::vector<std::string>& rows, QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(QStringLiteral("Select Language"));
    setWindowIcon(ApplicationIcon());
    auto* layout = new QVBoxLayout(this);
    auto* group = new QGroupBox(this);
    auto* groupLayout = new QVBoxLayout(group);
    // The question in four languages: whoever starts the program reads one of them.
    const char* const lines[] = {
        "Please select the language you want to use.",
        "Veuillez sélectionner la langue que vous voulez utiliser.",
        "Por favor seleccione el idioma que desea utilizar.",
        "Wählen Sie die gewünschte Sprache.",
    };
    for (const char* line : lines)
        groupLayout->addWidget(new QLabel(QString::fromUtf8(line), group));
    layout->addWidget(group);

    list_ = new QListWidget(this);
    list_->setObjectName(QStringLiteral("languages"));
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    list_->setMinimumHeight(72);
    for (const std::string& row : rows) list_->addItem(FromBytes(row));
    if (list_->count() > 0)
        list_->setCurrentRow(0);
    // A double-click on a language is a choice, as OK is.
    connect(list_, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
    layout->addWidget(list_);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    setMinimumWidth(360);
}

int32_t CSelectLanguageDlg::Choice() const {
    return list_->currentRow() < 0 ? 0 : list_->currentRow();
}

int32_t CSelectLanguageDlg::Run(const std::vector<std::string>& rows, QWidget* parent) {
    CSelectLanguageDlg dialog(rows, parent);
    return dialog.exec() == QDialog::Accepted ? dialog.Choice() : -1;
}
