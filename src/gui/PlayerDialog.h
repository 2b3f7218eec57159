#pragma once
// The player window (dialog 130): a small skinned window, 400 x 90, with Play, Stop,
// Previous, Next and Close pictures, the song's number and title, and its elapsed and
// total time.  All it does is present CPlayer: clicks go to its commands, its clock and
// its delayed start run on two timers of this window, and what it is told to show is
// shown.  The pause between two songs is a timer too, so the window stays alive while it
// lasts.  However the window ends (Close, the close box, Escape), the player stops first.
#include <QTimer>
#include <cstdint>
#include <memory>
#include <string>

#include "app/MainWindowUi.h"
#include "gui/SkinDialog.h"
#include "player/Player.h"
#include "player/PlayerView.h"

class CAudioSource;
class IAudioOutput;
class QLabel;

class CPlayerDialog : public CSkinDialog, public IPlayerView {
    Q_OBJECT
  public:
    static constexpr int32_t kDialogId = 130;
    // Control ids of the pictures and the two text lines.
    enum Control : int32_t {
        kPlay = 1003,
        kStop = 1005,
        kPrevious = 1087,
        kNext = 1088,
        kClose = 1092,
        kTimeLine = 1013,
        kNameLine = 1014,
    };

    // Plays the songs through the sound device, from songs.current on, once shown.
    explicit CPlayerDialog(const CPlayerSongs& songs, QWidget* parent = nullptr);
    // For tests: any decoder, device and clock (see CPlayer); all must outlive the window.
    CPlayerDialog(const CPlayerSongs& songs, CAudioSource& decoder, IAudioOutput& output,
                  CPlayer::SecondsClock nowSeconds, QWidget* parent = nullptr);
    ~CPlayerDialog() override;

    // Runs the player modally over parent (Play in the main window).
    static void Run(QWidget* parent, const CPlayerSongs& songs);

    const CPlayer& Player() const { return *player_; }
    QLabel* NameLine() const { return name_; }
    QLabel* TimeLine() const { return time_; }
    const QTimer& Clock() const { return clock_; }
    const QTimer& DelayedStart() const { return delayedStart_; }

    // IPlayerView.
    void SetNameLine(const std::string& text) override;
    void SetTimeLine(const std::string& text) override;
    void SetWindowTitle(const std::string& text) override;
    void StartClock(int32_t milliseconds) override;
    void StopClock() override;
    void StartDelayedStart(int32_t milliseconds) override;
    void CancelDelayedStart() override;

    // Every way the window ends (Close, the close box, Escape) stops the player first.
    void done(int result) override;

  protected:
    void OnPictureClicked(int32_t controlId) override;
    void showEvent(QShowEvent* event) override;

  private:
    void Build();

    std::unique_ptr<CPlayer> player_;
    QLabel* name_ = nullptr;
    QLabel* time_ = nullptr;
    QTimer clock_;         // timer 9999
    QTimer delayedStart_;  // the pause before the next song
    bool opened_ = false;
};
