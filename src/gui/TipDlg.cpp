#include "gui/TipDlg.h"

#include <QCheckBox>
#include <QLabel>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QSettings>
#include <QTimer>

#include "gui/Pictures.h"
#include "gui/QtText.h"
#include "ui/LanguageTable.h"

namespace {
QString Key(const char* key) {
    return QStringLiteral("Tip/") + QString::fromLatin1(key);
}

QString ResourceString(int32_t id) {
    return FromBytes(CLanguageTable::ResourceString(id));
}
}  // namespace

int64_t CTipSettings::ReadNumber(const char* key, int64_t def) {
    bool ok = false;
    qlonglong value =
        QSettings().value(Key(key), QVariant::fromValue<qlonglong>(def)).toLongLong(&ok);
    return ok ? value : def;
}

std::string CTipSettings::ReadText(const char* key) {
    return QSettings().value(Key(key)).toString().toStdString();
}

void CTipSettings::WriteNumber(const char* key, int64_t value) {
    QSettings().setValue(Key(key), QVariant::fromValue<qlonglong>(value));
}

void CTipSettings::WriteText(const char* key, const std::string& value) {
    QSettings().setValue(Key(key), QString::fromStdString(value));
}

CTipDlg::CTipDlg(const std::string& startFolder, ITipStore& store, QWidget* parent)
    : QDialog(parent), tips_(std::make_unique<CTipOfTheDay>(store, startFolder)) {
    setWindowTitle(QStringLiteral("Tip of the Day"));
    setFixedSize(346, 296);
    // The white area with the light bulb, where the tip stands.
    frame_ = QRect(30, 28, 286, 180);

    tipText_ = new QLabel(this);
    tipText_->setObjectName(QStringLiteral("tip"));
    tipText_->setGeometry(frame_.x() + 14, frame_.y() + 64, 262, 104);
    tipText_->setWordWrap(true);
    tipText_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    tipText_->setAutoFillBackground(true);
    QPalette palette = tipText_->palette();
    palette.setColor(QPalette::Window, Qt::white);
    palette.setColor(QPalette::WindowText, Qt::black);
    tipText_->setPalette(palette);

    startUp_ = new QCheckBox(QStringLiteral("&Show Tips on StartUp"), this);
    startUp_->setGeometry(frame_.x(), 216, frame_.width(), 26);
    startUp_->setChecked(tips_->ShowAtStartUp());

    next_ = new QPushButton(QStringLiteral("&Next Tip"), this);
    next_->setGeometry(frame_.right() - 154, 252, 76, 28);
    next_->setAutoDefault(false);
    next_->setEnabled(tips_->HasFile());
    connect(next_, &QPushButton::clicked, this, [this] {
        tips_->NextTip();
        ShowTip();
        TellTrouble();
    });

    auto* close = new QPushButton(QStringLiteral("&Close"), this);
    close->setGeometry(frame_.right() - 72, 252, 76, 28);
    close->setDefault(true);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);

    ShowTip();
}

CTipDlg::~CTipDlg() = default;

void CTipDlg::ShowTip() {
    tipText_->setText(FromBytes(tips_->Tip()));
}

void CTipDlg::TellTrouble() {
    if (tips_->Trouble())
        QMessageBox::information(this, QStringLiteral("Tunevarn"), ResourceString(110));
}

void CTipDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // A file that could not be read is told once, over the dialog.
    if (!troubleTold_) {
        troubleTold_ = true;
        if (tips_->Trouble())
            QTimer::singleShot(0, this, [this] { TellTrouble(); });
    }
}

void CTipDlg::accept() {
    tips_->SetShowAtStartUp(startUp_->isChecked());
    tips_->StoreShowAtStartUp();
    QDialog::accept();
}

void CTipDlg::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(frame_, Qt::white);
    QPixmap bulb = Picture(pictures::kBulb);
    painter.drawPixmap(frame_.topLeft(), bulb);
    QFont font = painter.font();
    font.setBold(true);
    font.setPointSizeF(font.pointSizeF() * 1.3);
    painter.setFont(font);
    painter.setPen(Qt::black);
    QRect line(frame_.x() + bulb.width() + 8, frame_.y(), frame_.width() - bulb.width() - 8,
               bulb.height());
    painter.drawText(line, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                     ResourceString(108));
}

void CTipDlg::ShowTipOfTheDay(const std::string& startFolder, QWidget* parent) {
    CTipSettings settings;
    CTipDlg dialog(startFolder, settings, parent);
    dialog.exec();
}
