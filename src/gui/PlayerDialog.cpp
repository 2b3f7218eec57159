#include "gui/PlayerDialog.h"

#include <QLabel>

namespace {
constexpr int kPlayerWidth = 400;
constexpr int kPlayerHeight = 90;
constexpr int32_t kBackground = 192;

// Control, normal and hover picture, position; the player's pictures have no tooltips,
// only the names a screen reader announces.
const CPictureButton kPlayerButtons[] = {
    {CPlayerDialog::kPlay, 201, 202, {20, 60}, 0, 4015},
    {CPlayerDialog::kStop, 203, 204, {40, 60}, 0, 4016},
    {CPlayerDialog::kPrevious, 193, 194, {60, 60}, 0, 4017},
    {CPlayerDialog::kNext, 197, 198, {96, 60}, 0, 4018},
    {CPlayerDialog::kClose, 195, 196, {368, 7}, 0, 4019},
};

// The two lines sit in the background's dark panels.
const QRect kNameRect(26, 28, 352, 20);
const QRect kTimeRect(230, 57, 150, 20);
}  // namespace

CPlayerDialog::CPlayerDialog(const CPlayerSongs& songs, QWidget* parent) : CSkinDialog(parent) {
    Build();
    player_ = std::make_unique<CPlayer>(*this);
    player_->SetSongs(songs);
}

CPlayerDialog::CPlayerDialog(const CPlayerSongs& songs, CAudioSource& decoder, IAudioOutput& output,
                             CPlayer::SecondsClock nowSeconds, QWidget* parent)
    : CSkinDialog(parent) {
    Build();
    player_ = std::make_unique<CPlayer>(*this, decoder, output, std::move(nowSeconds));
    player_->SetSongs(songs);
}

CPlayerDialog::~CPlayerDialog() = default;

void CPlayerDialog::Build() {
    setObjectName(QStringLiteral("playerDialog"));
    setWindowTitle(QStringLiteral("Tunevarn"));
    SetBackground(kBackground, kTile);
    setFixedSize(kPlayerWidth, kPlayerHeight);
    for (const CPictureButton& button : kPlayerButtons) AddPictureButton(button);

    name_ = new QLabel(QStringLiteral("Name: "), this);
    name_->setObjectName(QStringLiteral("nameLine"));
    name_->setGeometry(kNameRect);
    time_ = new QLabel(QStringLiteral("Time: 00:00"), this);
    time_->setObjectName(QStringLiteral("timeLine"));
    time_->setGeometry(kTimeRect);
    for (QLabel* label : {name_, time_}) {
        // Moves and presses over the lines belong to the window: hover and dragging.
        label->setAttribute(Qt::WA_TransparentForMouseEvents);
        label->setTextFormat(Qt::PlainText);
    }

    clock_.setInterval(CPlayer::kClockPeriodMs);
    connect(&clock_, &QTimer::timeout, this, [this] { player_->OnClockTick(); });
    delayedStart_.setSingleShot(true);
    connect(&delayedStart_, &QTimer::timeout, this, [this] { player_->OnDelayedStart(); });
}

void CPlayerDialog::Run(QWidget* parent, const CPlayerSongs& songs) {
    CPlayerDialog dialog(songs, parent);
    dialog.exec();
}

void CPlayerDialog::showEvent(QShowEvent* event) {
    CSkinDialog::showEvent(event);
    // The window has opened: its song starts.
    if (!opened_) {
        opened_ = true;
        player_->Open();
    }
}

void CPlayerDialog::OnPictureClicked(int32_t controlId) {
    switch (controlId) {
        case kPlay:
            player_->Play();
            break;
        case kStop:
            player_->Stop();
            break;
        case kPrevious:
            player_->Previous();
            break;
        case kNext:
            player_->Next();
            break;
        case kClose:
            reject();
            break;
        default:
            break;
    }
}

void CPlayerDialog::done(int result) {
    player_->Close();
    CSkinDialog::done(result);
}

void CPlayerDialog::SetNameLine(const std::string& text) {
    name_->setText(QString::fromStdString(text));
}

void CPlayerDialog::SetTimeLine(const std::string& text) {
    time_->setText(QString::fromStdString(text));
}

void CPlayerDialog::SetWindowTitle(const std::string& text) {
    setWindowTitle(QString::fromStdString(text));
}

void CPlayerDialog::StartClock(int32_t milliseconds) {
    clock_.start(milliseconds);
}

void CPlayerDialog::StopClock() {
    clock_.stop();
}

void CPlayerDialog::StartDelayedStart(int32_t milliseconds) {
    delayedStart_.start(milliseconds);
}

void CPlayerDialog::CancelDelayedStart() {
    delayedStart_.stop();
}
