#pragma once
// The MP3 player's logic, beneath its window: a copy of up to 80 songs of the song list,
// the current one, and the commands Play, Stop, Previous, Next and Close.  A song plays
// through a feeder thread (CPlayerFeeder) from one decoder, reused for every song, to the
// sound device.  The window binds its buttons and its two timers to these operations and
// shows what IPlayerView is given; everything here runs on the window's thread.
//
// When a song has ended by itself, the next clock tick moves on to the next song (after
// the last, the first) and asks the window to start it 1.5 seconds later.  A song that
// does not open shows its name and stays silent; so does every song when the sound
// device cannot be had, and the time line then says so (the device says why on stderr).
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/MainWindowUi.h"
#include "player/PlayerFeeder.h"

class CAudioSource;
class IAudioOutput;
class IPlayerView;

class CPlayer {
  public:
    static constexpr int32_t kMaxSongs = 80;
    static constexpr int32_t kSlotSize = 256;  // path and title slots, terminator included
    static constexpr int32_t kClockTimerId = 9999;
    static constexpr int32_t kClockPeriodMs = 1000;
    static constexpr int32_t kPauseMs = 1500;  // between a song's end and the next one
    static constexpr int32_t kNameBlanks = 56;

    // Whole seconds of a clock that only goes forward.
    using SecondsClock = std::function<int64_t()>;

    // Plays MP3 files through ALSA's default device.
    explicit CPlayer(IPlayerView& view);
    // For tests: any decoder, device and clock; all must outlive the player.
    CPlayer(IPlayerView& view, CAudioSource& decoder, IAudioOutput& output,
            SecondsClock nowSeconds);
    // Stops a song that still plays.
    ~CPlayer();
    CPlayer(const CPlayer&) = delete;
    CPlayer& operator=(const CPlayer&) = delete;

    // Before Open: the first 80 songs and the one to start with (moved into range).
    void SetSongs(const CPlayerSongs& songs);
    // The window has opened: plays the current song.
    void Open();

    // Play (1003): starts the current song unless one is playing.
    void Play();
    // Stop (1005): silence at once; the clock halts, and a pending move to the next song
    // is forgotten.
    void Stop();
    // Next (1088) and Previous (1087), wrapping at either end of the list.
    void Next();
    void Previous();
    // Close (1092, the window's close and cancel): stops everything; the window then
    // ends its modal run.
    void Close();

    // Timer 9999.
    void OnClockTick();
    // The single-shot timer asked for by StartDelayedStart.
    void OnDelayedStart();

    int32_t SongCount() const { return static_cast<int32_t>(paths_.size()); }
    int32_t CurrentIndex() const { return current_; }
    // True while a song is being fed to the device.
    bool Playing() const { return feeder_.Running(); }

  private:
    void StartCurrentSong();
    void Advance(int32_t step);
    std::string TimeLine(int32_t elapsed) const;

    IPlayerView& view_;
    std::unique_ptr<CAudioSource> ownDecoder_;
    std::unique_ptr<IAudioOutput> ownOutput_;
    CAudioSource& decoder_;
    IAudioOutput& output_;
    SecondsClock nowSeconds_;
    CPlayerFeeder feeder_;

    std::vector<std::string> paths_;
    std::vector<std::string> titles_;
    int32_t current_ = 0;
    int32_t duration_ = 0;       // of the current song, whole seconds
    int64_t startSeconds_ = 0;   // when it started
    bool startPending_ = false;  // a delayed start has been asked of the window
};
