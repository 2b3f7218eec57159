#include "player/Player.h"

#include <algorithm>
#include <chrono>
#include <cstdio>

#include "audio/Mp3Source.h"
#include "base/DisplayText.h"
#include "player/AlsaOutput.h"
#include "player/PlayerView.h"
#include "ui/LanguageTable.h"
#include "ui/TextFormat.h"

namespace {
constexpr int32_t kTextPlaying = 200;  // "Playing: %s"
constexpr int32_t kTextTime = 202;     // "Time: %02d:%02d"
constexpr int32_t kTextNoDevice = 4008;

int64_t SteadySeconds() {
    using namespace std::chrono;
    return duration_cast<seconds>(steady_clock::now().time_since_epoch()).count();
}

// A slot of the song table: at most 255 bytes, cut at a character boundary.
std::string Slot(const std::string& text) {
    return text.substr(0, CutLength(text, CPlayer::kSlotSize - 1));
}
}  // namespace

CPlayer::CPlayer(IPlayerView& view)
    : view_(view),
      ownDecoder_(std::make_unique<CMp3Source>()),
      ownOutput_(std::make_unique<CAlsaOutput>()),
      decoder_(*ownDecoder_),
      output_(*ownOutput_),
      nowSeconds_(SteadySeconds),
      feeder_(decoder_, output_) {}

CPlayer::CPlayer(IPlayerView& view, CAudioSource& decoder, IAudioOutput& output,
                 SecondsClock nowSeconds)
    : view_(view),
      decoder_(decoder),
      output_(output),
      nowSeconds_(nowSeconds ? std::move(nowSeconds) : SecondsClock(SteadySeconds)),
      feeder_(decoder_, output_) {}

CPlayer::~CPlayer() {
    feeder_.Stop();
}

void CPlayer::SetSongs(const CPlayerSongs& songs) {
    feeder_.Stop();
    size_t count = std::min({songs.paths.size(), songs.titles.size(), size_t{kMaxSongs}});
    paths_.clear();
    titles_.clear();
    for (size_t i = 0; i < count; ++i) {
        paths_.push_back(Slot(songs.paths[i]));
        titles_.push_back(Slot(songs.titles[i]));
    }
    current_ = std::clamp(songs.current, 0, std::max(SongCount() - 1, 0));
}

void CPlayer::Open() {
    StartCurrentSong();
}

void CPlayer::StartCurrentSong() {
    feeder_.Stop();
    // The end of a song played before is not this one's: Play pressed just after a song
    // ended must not let the next tick move on from the song it starts again.
    feeder_.ClearSongFinished();
    startPending_ = false;
    if (paths_.empty())
        return;
    const std::string title = DisplayText(titles_[static_cast<size_t>(current_)]);
    // The trailing blanks cover the rest of a longer name shown before.
    view_.SetNameLine(std::to_string(current_ + 1) + ". " + title + std::string(kNameBlanks, ' '));

    int32_t opened = decoder_.Open(paths_[static_cast<size_t>(current_)].c_str());
    duration_ = opened == 0 ? std::max(decoder_.Duration(), 0) : 0;
    view_.SetTimeLine(TimeLine(0));
    if (opened != 0) {
        view_.StopClock();
        return;
    }
    if (!output_.Open()) {
        // Silent, but not without a word: the window says so, stderr says why.
        decoder_.Close();
        view_.StopClock();
        view_.SetTimeLine(DisplayText(Text(kTextNoDevice)));
        return;
    }
    startSeconds_ = nowSeconds_();
    view_.StartClock(kClockPeriodMs);
    view_.SetWindowTitle(DisplayText(FormatText(kTextPlaying, {title})));
    feeder_.Start();
}

std::string CPlayer::TimeLine(int32_t elapsed) const {
    char total[32];
    std::snprintf(total, sizeof total, "/%02d:%02d", duration_ / 60, duration_ % 60);
    return DisplayText(FormatText(kTextTime, {elapsed / 60, elapsed % 60})) + total;
}

void CPlayer::Play() {
    if (!feeder_.Running())
        StartCurrentSong();
}

void CPlayer::Stop() {
    feeder_.Stop();
    // A song that ended just before does not bring the next one on after a Stop.
    feeder_.ClearSongFinished();
    startPending_ = false;
    view_.CancelDelayedStart();
    view_.StopClock();
}

void CPlayer::Advance(int32_t step) {
    int32_t count = SongCount();
    if (count > 0)
        current_ = ((current_ + step) % count + count) % count;
}

void CPlayer::Next() {
    Stop();
    Advance(1);
    StartCurrentSong();
}

void CPlayer::Previous() {
    Stop();
    Advance(-1);
    StartCurrentSong();
}

void CPlayer::Close() {
    Stop();
}

void CPlayer::OnClockTick() {
    if (feeder_.TakeSongFinished()) {
        Advance(1);
        startPending_ = true;
        view_.StartDelayedStart(kPauseMs);
        return;
    }
    int64_t elapsed = nowSeconds_() - startSeconds_;
    if (elapsed < 0 || elapsed > duration_)
        return;
    view_.SetTimeLine(TimeLine(static_cast<int32_t>(elapsed)));
}

void CPlayer::OnDelayedStart() {
    if (startPending_)
        StartCurrentSong();
}
