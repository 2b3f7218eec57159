#include "gui/RecordDialog.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFontMetrics>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QTimerEvent>
#include <QVBoxLayout>
#include <iterator>

#include "app/BurnerApp.h"
#include "app/ImageRecorder.h"
#include "app/MainWindowUi.h"
#include "base/DisplayText.h"
#include "base/FolderMemory.h"
#include "base/Version.h"
#include "gui/FileDialogs.h"
#include "gui/QtText.h"
#include "gui/UpDown.h"
#include "recording/GaplessSetting.h"
#include "recording/RecordDialogControls.h"
#include "recording/RecordDialogLogic.h"
#include "recording/RecordRunSetup.h"
#include "ui/LanguageTable.h"

namespace {
using Kind = CRecordDialogControl::Kind;
using namespace recordctl;

// The number boxes hold a few digits; their arrows sit right beside them.
constexpr int kNumberDigits = 4;
constexpr int kUpDownWidth = 16;
constexpr int32_t kImageFolderText = 4026;
// Room for a web address in the album title without scrolling.
constexpr int kAlbumTitleLetters = 30;
// The Normalize group's second-level controls stand this far in.
constexpr int kIndent = 16;

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
    connect(static_cast<QAbstractButton*>(Control(kGapless)), &QAbstractButton::clicked, this,
            [this] {
                logic_->OnGaplessClicked();
                if (gaplessChanged_)
                    gaplessChanged_(logic_->Gapless());
            });
    connect(static_cast<QAbstractButton*>(Control(kVerify)), &QAbstractButton::clicked, this,
            [this] {
                logic_->OnVerifyClicked();
                if (verifyChanged_)
                    verifyChanged_(logic_->Verify());
            });
    logic_->OnInitDialog();
    // A disabled box says why.
    if (const std::string why = GaplessRefusal(driver); !why.empty())
        Control(kGapless)->setToolTip(FromBytes(why));
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
    dialog.Logic().SetImageLocator([&app] { return app.LastDiscImage(); });
    const std::string start = app.StartFolder();
    dialog.gaplessChanged_ = [start](bool on) { SaveGaplessSetting(start, on); };
    dialog.Logic().SetVerify(LoadVerifySetting(start));
    dialog.verifyChanged_ = [start](bool on) { SaveVerifySetting(start, on); };
    if (app.ImageRecorderChosen()) {
        CFolderMemory& folders = request.folders;
        dialog.Logic().SetImageFolderQuestion(
            [&dialog, &app, &folders] { return dialog.AskImageFolder(app, folders); });
    }
    dialog.exec();
}

bool CRecordDialog::AskImageFolder(CBurnerApp& app, CFolderMemory& folders) {
    std::string folder;
    if (!AskFolder(this, Text(kImageFolderText), folders.EnterFolderMemory(FolderKind::kImage),
                   folder))
        return false;
    if (const std::string why = ImageFolderProblem(folder); !why.empty()) {
        QMessageBox box(QMessageBox::Warning, QString::fromLatin1(tunevarn::kProgramName),
                        FromBytes(DisplayText(folder) + ": " + why), QMessageBox::Ok, this);
        box.exec();
        return false;
    }
    folders.SaveFolderMemory(FolderKind::kImage, folder);
    app.ImageRecorder()->SetFolder(folder);
    return true;
}

void CRecordDialog::CreateControls() {
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
        controls_[control.id] = widget;
    }
    Arrange();
}

void CRecordDialog::Arrange() {
    // Laid out from what the controls hold: every language's texts show in full, and
    // the window takes the size they need.
    const QFontMetrics metrics(font());
    for (int32_t id : {kTargetEdit, kLowerEdit, kHigherEdit}) {
        auto* edit = static_cast<QLineEdit*>(Control(id));
        edit->setFixedWidth(metrics.horizontalAdvance(QString(kNumberDigits, QLatin1Char('0'))) +
                            metrics.averageCharWidth() * 2);
    }
    for (int32_t id : {kTargetUpDown, kLowerUpDown, kHigherUpDown}) {
        Control(id)->setFixedWidth(kUpDownWidth);
        Control(id)->setFixedHeight(Control(kTargetEdit)->sizeHint().height());
    }
    Control(kAlbumTitle)->setMinimumWidth(metrics.averageCharWidth() * kAlbumTitleLetters);
    // The lines of a run change while it goes; they never resize the window.
    for (int32_t id : {kTotals, kPhase})
        Control(id)->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);

    auto* speeds = new QVBoxLayout(static_cast<QGroupBox*>(Control(kSpeedGroup)));
    for (int32_t id : kSpeedButtons) speeds->addWidget(Control(id));
    speeds->addStretch();

    auto* normalize = new QGridLayout(static_cast<QGroupBox*>(Control(kNormalizeGroup)));
    normalize->setColumnMinimumWidth(0, kIndent);
    auto numberRow = [&](int row, int32_t label, int32_t edit, int32_t upDown, int32_t percent) {
        normalize->addWidget(Control(label), row, 1);
        auto* box = new QHBoxLayout;
        box->setSpacing(0);
        box->addWidget(Control(edit));
        box->addWidget(Control(upDown));
        normalize->addLayout(box, row, 2);
        normalize->addWidget(Control(percent), row, 3);
    };
    normalize->addWidget(Control(kNormalize), 0, 0, 1, 4);
    numberRow(1, kTargetLabel, kTargetEdit, kTargetUpDown, kTargetPercent);
    normalize->addWidget(Control(kOnlyIf), 2, 0, 1, 4);
    numberRow(3, kLowerLabel, kLowerEdit, kLowerUpDown, kLowerPercent);
    normalize->addWidget(Control(kOrLabel), 4, 1);
    numberRow(5, kHigherLabel, kHigherEdit, kHigherUpDown, kHigherPercent);
    normalize->setColumnStretch(4, 1);
    normalize->setRowStretch(6, 1);

    auto* cdText = new QHBoxLayout(static_cast<QGroupBox*>(Control(kCdTextGroup)));
    cdText->addWidget(Control(kUseCdText));
    cdText->addSpacing(kIndent);
    cdText->addWidget(Control(kAlbumLabel));
    cdText->addWidget(Control(kAlbumTitle), 1);

    auto* gapless = new QHBoxLayout;
    gapless->addWidget(Control(kGapless));
    gapless->addSpacing(kIndent);
    gapless->addWidget(Control(kVerify));
    gapless->addStretch();

    auto* groups = new QHBoxLayout;
    groups->addWidget(Control(kSpeedGroup));
    groups->addWidget(Control(kNormalizeGroup), 1);

    auto* buttons = new QHBoxLayout;
    for (int32_t id : {kTest, kRecord, kStop}) buttons->addWidget(Control(id));
    buttons->addStretch();
    buttons->addWidget(Control(kExit));

    auto* root = new QVBoxLayout(this);
    root->addLayout(groups);
    root->addWidget(Control(kCdTextGroup));
    root->addLayout(gapless);
    root->addWidget(Control(kTotals));
    root->addWidget(Control(kPhase));
    root->addWidget(Control(kProgress));
    root->addLayout(buttons);
    root->setSizeConstraint(QLayout::SetFixedSize);
}

QWidget* CRecordDialog::Control(int32_t id) const {
    auto it = controls_.find(id);
    return it == controls_.end() ? nullptr : it->second;
}

bool CRecordDialog::MayEnd() {
    const std::string question = logic_->EndingQuestion();
    if (question.empty())
        return true;
    QMessageBox box(QMessageBox::Warning, QString::fromLatin1(tunevarn::kProgramName),
                    FromBytes(question), QMessageBox::Yes | QMessageBox::No, this);
    box.setObjectName(QStringLiteral("stopQuestion"));
    // A stray Enter must not waste the disc.
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

void CRecordDialog::done(int result) {
    if (!MayEnd())
        return;
    logic_->OnEnding();
    QDialog::done(result);
}

void CRecordDialog::closeEvent(QCloseEvent* event) {
    if (!MayEnd()) {
        event->ignore();
        return;
    }
    logic_->OnStop();
    QDialog::closeEvent(event);
}

void CRecordDialog::ShowRunResult(const std::string& text) {
    QMessageBox box(QMessageBox::Information, QString::fromLatin1(tunevarn::kProgramName),
                    FromBytes(text), QMessageBox::Ok, this);
    box.setObjectName(QStringLiteral("runResult"));
    // The image's path can be copied from the box.
    box.setTextInteractionFlags(Qt::TextSelectableByMouse);
    box.exec();
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
    values.gapless = static_cast<QCheckBox*>(Control(kGapless))->isChecked() ? 1 : 0;
    values.verify = static_cast<QCheckBox*>(Control(kVerify))->isChecked() ? 1 : 0;
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
    static_cast<QCheckBox*>(Control(kGapless))->setChecked(values.gapless != 0);
    static_cast<QCheckBox*>(Control(kVerify))->setChecked(values.verify != 0);
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
