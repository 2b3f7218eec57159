#include "gui/RecordDialog.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QTimerEvent>
#include <iterator>

#include "app/BurnerApp.h"
#include "app/MainWindowUi.h"
#include "gui/QtText.h"
#include "gui/UpDown.h"
#include "recording/RecordDialogControls.h"
#include "recording/RecordDialogLogic.h"

namespace {
using Kind = CRecordDialogControl::Kind;
using namespace recordctl;

// The dialog's size and every control's place, in dialog units: a quarter of the
// font's average character width across, an eighth of its height down.
constexpr int kWidthUnits = 260;
constexpr int kHeightUnits = 188;

struct Place {
    int32_t id;
    int x, y, width, height;
};

const Place kPlaces[] = {
    {kSpeedGroup, 7, 4, 104, 94},     {kSpeedFirst, 15, 17, 92, 10},
    {kSpeed2x, 15, 30, 92, 10},       {kSpeed4x, 15, 43, 92, 10},
    {kSpeed6x, 15, 56, 92, 10},       {kSpeed8x, 15, 69, 92, 10},
    {kSpeedMax, 15, 82, 92, 10},      {kNormalizeGroup, 117, 4, 136, 94},
    {kNormalize, 125, 16, 120, 10},   {kTargetLabel, 137, 31, 50, 8},
    {kTargetEdit, 189, 29, 26, 12},   {kTargetUpDown, 215, 29, 9, 12},
    {kTargetPercent, 227, 31, 12, 8}, {kOnlyIf, 125, 45, 124, 10},
    {kLowerLabel, 137, 60, 50, 8},    {kLowerEdit, 189, 58, 26, 12},
    {kLowerUpDown, 215, 58, 9, 12},   {kLowerPercent, 227, 60, 12, 8},
    {kOrLabel, 137, 71, 40, 8},       {kHigherLabel, 137, 82, 50, 8},
    {kHigherEdit, 189, 80, 26, 12},   {kHigherUpDown, 215, 80, 9, 12},
    {kHigherPercent, 227, 82, 12, 8}, {kCdTextGroup, 7, 101, 246, 30},
    {kUseCdText, 15, 114, 72, 10},    {kAlbumLabel, 90, 115, 46, 8},
    {kAlbumTitle, 138, 112, 108, 12}, {kTotals, 7, 136, 246, 8},
    {kPhase, 7, 147, 246, 8},         {kProgress, 7, 157, 246, 9},
    {kTest, 7, 169, 50, 14},          {kRecord, 61, 169, 50, 14},
    {kStop, 115, 169, 50, 14},        {kExit, 203, 169, 50, 14},
};

const Place* PlaceOf(int32_t id) {
    for (const Place& place : kPlaces)
        if (place.id == id)
            return &place;
    return nullptr;
}

// Dialog units to pixels for the window's font.
class CDialogUnits {
  public:
    explicit CDialogUnits(const QFont& font) {
        QFontMetrics metrics(font);
        const int letters = metrics.horizontalAdvance(
            QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
        baseX_ = (letters / 26 + 1) / 2;
        baseY_ = metrics.height();
    }
    int X(int units) const { return (units * baseX_ + 2) / 4; }
    int Y(int units) const { return (units * baseY_ + 4) / 8; }
    QRect Rect(const Place& place) const {
        return QRect(X(place.x), Y(place.y), X(place.width), Y(place.height));
    }

  private:
    int baseX_ = 0;
    int baseY_ = 0;
};

// Shows text from its start: a title longer than the box keeps its first words in view.
void ShowText(QLineEdit* edit, const QString& text) {
    if (edit->text() == text)
        return;  // leaves the cursor where the user put it
    edit->setText(text);
    edit->setCursorPosition(0);
}

int32_t EditNumber(QWidget* edit, int32_t value) {
    bool ok = false;
    const int number = static_cast<QLineEdit*>(edit)->text().toInt(&ok);
    return ok ? number : value;
}
}  // namespace

CRecordDialog::CRecordDialog(CCdrDriver* driver, CDiscImage& disc, CCdTextBuilder& cdText,
                             CDriverMessageQueue& messages, int32_t normalizeOn, QWidget* parent)
    : QDialog(parent) {
    CreateControls();
    IRecordDialogView& view = *this;
    logic_ =
        std::make_unique<CRecordDialogLogic>(view, driver, disc, cdText, messages, normalizeOn);
    connect(static_cast<QAbstractButton*>(Control(kTest)), &QAbstractButton::clicked, this,
            [this] { logic_->OnTest(); });
    connect(static_cast<QAbstractButton*>(Control(kRecord)), &QAbstractButton::clicked, this,
            [this] { logic_->OnRecordStart(); });
    connect(static_cast<QAbstractButton*>(Control(kStop)), &QAbstractButton::clicked, this,
            [this] { logic_->OnStop(); });
    connect(static_cast<QAbstractButton*>(Control(kExit)), &QAbstractButton::clicked, this,
            &QDialog::accept);
    connect(static_cast<QAbstractButton*>(Control(kNormalize)), &QAbstractButton::clicked, this,
            [this] { logic_->OnNormalizeClicked(); });
    connect(static_cast<QAbstractButton*>(Control(kOnlyIf)), &QAbstractButton::clicked, this,
            [this] { logic_->OnOnlyIfClicked(); });
    connect(static_cast<QAbstractButton*>(Control(kUseCdText)), &QAbstractButton::clicked, this,
            [this] { logic_->OnCdTextClicked(); });
    logic_->OnInitDialog();
}

CRecordDialog::~CRecordDialog() {
    // The run uses the dialog's fields: it ends before they do.
    logic_->OnEnding();
    logic_.reset();
}

void CRecordDialog::Run(QWidget* parent, const CRecordDialogRequest& request,
                        CDriverMessageQueue& messages) {
    CBurnerApp& app = request.app;
    CCdTextBuilder* cdText = app.CdTextBuilder();
    if (cdText == nullptr)
        cdText = &app.NewCdTextBuilder();
    CRecordDialog dialog(app.Driver(), app.DiscImage(), *cdText, messages, request.normalizeOn,
                         parent);
    dialog.exec();
}

void CRecordDialog::CreateControls() {
    const CDialogUnits units(font());
    setFixedSize(units.X(kWidthUnits), units.Y(kHeightUnits));
    speeds_ = new QButtonGroup(this);
    QLineEdit* lastEdit = nullptr;
    int32_t speedIndex = 0;
    // Template order: group boxes come before the controls drawn on them, and the tab
    // order follows.
    for (const CRecordDialogControl& control : RecordDialogControls()) {
        const QString text = QString::fromUtf8(control.templateText);
        QWidget* widget = nullptr;
        switch (control.kind) {
            case Kind::kButton:
            case Kind::kDefaultButton: {
                auto* button = new QPushButton(text, this);
                button->setDefault(control.kind == Kind::kDefaultButton);
                widget = button;
                break;
            }
            case Kind::kGroupBox:
                widget = new QGroupBox(text, this);
                break;
            case Kind::kRadioButton: {
                auto* radio = new QRadioButton(text, this);
                speeds_->addButton(radio, speedIndex++);
                widget = radio;
                break;
            }
            case Kind::kCheckBox:
                widget = new QCheckBox(text, this);
                break;
            case Kind::kLabel:
                widget = new QLabel(text, this);
                break;
            case Kind::kNumberEdit: {
                auto* edit = new QLineEdit(this);
                edit->setValidator(new QRegularExpressionValidator(
                    QRegularExpression(QStringLiteral("[0-9]{0,9}")), edit));
                lastEdit = edit;
                widget = edit;
                break;
            }
            case Kind::kUpDown:
                widget = new CUpDown(lastEdit, this);
                break;
            case Kind::kEdit:
                widget = new QLineEdit(text, this);
                break;
            case Kind::kProgressBar:
                bar_ = new QProgressBar(this);
                bar_->setTextVisible(false);
                widget = bar_;
                break;
        }
        widget->setObjectName(QStringLiteral("control%1").arg(control.id));
        widget->setEnabled(!control.disabled);
        if (const Place* place = PlaceOf(control.id))
            widget->setGeometry(units.Rect(*place));
        controls_[control.id] = widget;
    }
}

QWidget* CRecordDialog::Control(int32_t id) const {
    auto it = controls_.find(id);
    return it == controls_.end() ? nullptr : it->second;
}

void CRecordDialog::done(int result) {
    logic_->OnEnding();
    QDialog::done(result);
}

void CRecordDialog::closeEvent(QCloseEvent* event) {
    logic_->OnStop();
    QDialog::closeEvent(event);
}

void CRecordDialog::timerEvent(QTimerEvent* event) {
    QDialog::timerEvent(event);
    if (event->timerId() == progressTimer_)
        logic_->OnProgressTimer(CRecordDialogLogic::kProgressTimer);
    else if (event->timerId() == repaintTimer_)
        logic_->OnProgressRepaint();
}

void CRecordDialog::ReadControls(CRecordControls& values) {
    values.speedChoice = speeds_->checkedId();
    values.normalize = static_cast<QCheckBox*>(Control(kNormalize))->isChecked() ? 1 : 0;
    values.onlyIf = static_cast<QCheckBox*>(Control(kOnlyIf))->isChecked() ? 1 : 0;
    values.lower = EditNumber(Control(kLowerEdit), values.lower);
    values.higher = EditNumber(Control(kHigherEdit), values.higher);
    values.target = EditNumber(Control(kTargetEdit), values.target);
    values.useCdText = static_cast<QCheckBox*>(Control(kUseCdText))->isChecked() ? 1 : 0;
    values.albumTitle = ToBytes(static_cast<QLineEdit*>(Control(kAlbumTitle))->text());
}

void CRecordDialog::PushFields(const CRecordControls& values) {
    if (QAbstractButton* speed = speeds_->button(values.speedChoice)) {
        speed->setChecked(true);
    } else {
        speeds_->setExclusive(false);
        for (QAbstractButton* button : speeds_->buttons()) button->setChecked(false);
        speeds_->setExclusive(true);
    }
    static_cast<QCheckBox*>(Control(kNormalize))->setChecked(values.normalize != 0);
    static_cast<QCheckBox*>(Control(kOnlyIf))->setChecked(values.onlyIf != 0);
    static_cast<QLineEdit*>(Control(kLowerEdit))->setText(QString::number(values.lower));
    static_cast<QLineEdit*>(Control(kHigherEdit))->setText(QString::number(values.higher));
    static_cast<QLineEdit*>(Control(kTargetEdit))->setText(QString::number(values.target));
    static_cast<QCheckBox*>(Control(kUseCdText))->setChecked(values.useCdText != 0);
    ShowText(static_cast<QLineEdit*>(Control(kAlbumTitle)), FromBytes(values.albumTitle));
}

void CRecordDialog::EnableControl(int32_t id, bool enabled) {
    if (QWidget* control = Control(id))
        control->setEnabled(enabled);
}

void CRecordDialog::SetControlText(int32_t id, const std::string& text) {
    QWidget* control = Control(id);
    const QString shown = FromBytes(text);
    if (auto* button = qobject_cast<QAbstractButton*>(control))
        button->setText(shown);
    else if (auto* group = qobject_cast<QGroupBox*>(control))
        group->setTitle(shown);
    else if (auto* label = qobject_cast<QLabel*>(control))
        label->setText(shown);
    else if (auto* edit = qobject_cast<QLineEdit*>(control))
        ShowText(edit, shown);
}

void CRecordDialog::SetCaption(const std::string& text) {
    setWindowTitle(FromBytes(text));
}

void CRecordDialog::SetProgressRange(int32_t low, int32_t high) {
    bar_->setRange(low, high);
}

void CRecordDialog::SetProgress(int32_t position) {
    // Below the range the bar is empty; Qt would keep the old position instead.
    if (position < bar_->minimum())
        bar_->reset();
    else
        bar_->setValue(std::min(position, bar_->maximum()));
}

void CRecordDialog::StartTimer(int32_t id, int32_t milliseconds) {
    if (id != CRecordDialogLogic::kProgressTimer)
        return;
    progressTimer_ = startTimer(milliseconds);
    repaintTimer_ = startTimer(kRepaintPeriod);
}

void CRecordDialog::PostToUi(std::function<void()> call) {
    QMetaObject::invokeMethod(this, std::move(call), Qt::QueuedConnection);
}
