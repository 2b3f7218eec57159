#include "songlist/SongList.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

#include "audio/Mp3Source.h"
#include "base/DisplayText.h"
#include "ui/TextFormat.h"

namespace {
constexpr int32_t kStatusText = 114;
constexpr int32_t kStatusOver74Text = 4003;
constexpr int32_t kStatusOverBothText = 4004;

// Cuts a text to CSong::kMaxText bytes, never in the middle of a UTF-8 character.
std::string CutText(std::string text) {
    text.resize(CutLength(text, CSong::kMaxText));
    return text;
}

// The file name without its folder and extension.
std::string TitleFromPath(const std::string& path) {
    size_t slash = path.find_last_of('/');
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    size_t dot = name.find_last_of('.');
    if (dot != std::string::npos)
        name.resize(dot);
    return name;
}
}  // namespace

std::string CSongList::FormatTime(int32_t seconds) {
    // "%02d:%02d" of minutes and seconds, without going through printf: it runs for
    // every song listed.
    auto twoDigits = [](std::string& out, int32_t v) {
        char digits[16];
        auto done = std::to_chars(digits, digits + sizeof digits, v);
        if (v >= 0 && v < 10)
            out.push_back('0');
        out.append(digits, done.ptr);
    };
    std::string text;
    twoDigits(text, seconds / 60);
    text.push_back(':');
    twoDigits(text, seconds % 60);
    return text;
}

AddSongResult CSongList::AddSong(const std::string& path, const std::string& titleIfUntagged) {
    // A path that does not fit its 255-byte slot is refused like a file that cannot be
    // opened: cutting it would name another file.
    if (path.size() > CSong::kMaxText)
        return AddSongResult::kPathTooLong;
    // A line break in a path could not be written to any of our line-based files.
    if (path.find_first_of("\r\n") != std::string::npos)
        return AddSongResult::kLineBreak;
    CMp3Source source;
    int32_t opened = source.Open(path.c_str());
    if (opened == -1)
        return AddSongResult::kCannotOpen;
    if (opened != 0)
        return AddSongResult::kNotMp3;

    CSong song;
    song.duration = source.Duration();
    song.frames = source.cdFrames;
    song.fullPath = path;
    // The tags are read through the file the inspection opened: no second open.
    if (!source.TagTitle(song.title))
        song.title = titleIfUntagged.empty() ? TitleFromPath(path) : titleIfUntagged;
    source.Close();
    return InsertSong(std::move(song)) ? AddSongResult::kAdded : AddSongResult::kOverBudget;
}

bool CSongList::InsertSong(CSong song) {
    if (song.duration < 0)
        return false;
    // A song whose exact length is not known counts its whole seconds.
    if (song.frames <= 0)
        song.frames = int64_t{song.duration} * kFramesPerSecond;
    const int32_t total =
        gapless_ ? SecondsOfFrames(totalFrames_ + song.frames) : totalSeconds_ + song.duration;
    if (total > kBudgetSeconds)
        return false;
    song.timeText = FormatTime(song.duration);
    song.title = CutText(std::move(song.title));
    totalSeconds_ += song.duration;
    totalFrames_ += song.frames;
    int32_t at = focused_ >= 0 ? focused_ : RowCount();
    InsertAt(at, Entry{std::move(song), false});
    UpdateStatusLine();
    return true;
}

void CSongList::InsertAt(int32_t index, Entry entry) {
    ++revision_;
    rows_.insert(rows_.begin() + index, std::move(entry));
    // The focus stays with its row, which moves down.
    if (focused_ >= index)
        ++focused_;
}

void CSongList::RemoveAt(int32_t index) {
    ++revision_;
    rows_.erase(rows_.begin() + index);
    // The focus stays with its row; a removed focused row passes the focus to the row
    // that takes its place, or to the new last row.
    if (focused_ > index)
        --focused_;
    if (focused_ >= RowCount())
        focused_ = RowCount() - 1;
}

void CSongList::DeleteSelectedSongs() {
    for (;;) {
        auto it =
            std::find_if(rows_.begin(), rows_.end(), [](const Entry& e) { return e.selected; });
        if (it == rows_.end())
            break;
        totalSeconds_ -= it->song.duration;
        totalFrames_ -= it->song.frames;
        RemoveAt(static_cast<int32_t>(it - rows_.begin()));
    }
    if (focused_ >= 0)
        rows_[static_cast<size_t>(focused_)].selected = true;
    UpdateStatusLine();
}

void CSongList::ClearSongs() {
    if (!rows_.empty())
        ++revision_;
    rows_.clear();
    totalSeconds_ = 0;
    totalFrames_ = 0;
    focused_ = -1;
    UpdateStatusLine();
}

bool CSongList::MoveSong(int32_t from, int32_t to) {
    if (from == to || from < 0 || to < 0 || from >= RowCount() || to > RowCount())
        return false;
    // Onto the row below it the song stays where it was: no change to the order.
    const uint64_t before = revision_;
    Entry copy{rows_[static_cast<size_t>(from)].song, false};
    InsertAt(to, std::move(copy));
    RemoveAt(from < to ? from : from + 1);
    if (to == from + 1)
        revision_ = before;
    int32_t moved = to > from ? to - 1 : to;
    ClearSelection();
    rows_[static_cast<size_t>(moved)].selected = true;
    focused_ = moved;
    return true;
}

MoveResult CSongList::MoveUp() {
    int32_t i = focused_;
    if (i < 0)
        return MoveResult::kNoFocus;
    return i > 0 && MoveSong(i, i - 1) ? MoveResult::kMoved : MoveResult::kUnchanged;
}

MoveResult CSongList::MoveDown() {
    int32_t i = focused_;
    if (i < 0)
        return MoveResult::kNoFocus;
    return i < RowCount() - 1 && MoveSong(i, i + 2) ? MoveResult::kMoved : MoveResult::kUnchanged;
}

MoveResult CSongList::MoveTop() {
    int32_t i = focused_;
    if (i < 0)
        return MoveResult::kNoFocus;
    return i > 0 && MoveSong(i, 0) ? MoveResult::kMoved : MoveResult::kUnchanged;
}

MoveResult CSongList::MoveBottom() {
    int32_t i = focused_;
    if (i < 0)
        return MoveResult::kNoFocus;
    return i < RowCount() - 1 && MoveSong(i, RowCount()) ? MoveResult::kMoved
                                                         : MoveResult::kUnchanged;
}

int32_t CSongList::SecondsOfFrames(int64_t frames) {
    return static_cast<int32_t>((frames + kFramesPerSecond - 1) / kFramesPerSecond);
}

int32_t CSongList::TotalSeconds() const {
    return gapless_ ? SecondsOfFrames(totalFrames_) : totalSeconds_;
}

void CSongList::SetGapless(bool gapless) {
    if (gapless == gapless_)
        return;
    gapless_ = gapless;
    UpdateStatusLine();
}

void CSongList::UpdateStatusLine() {
    const int32_t total = TotalSeconds();
    const int32_t left74 = kDisc74Seconds - total;
    const int32_t left80 = kDisc80Seconds - total;
    // A list longer than a disc says by how much, not that no time is left.
    if (left74 >= 0)
        statusLine_ = FormatText(kStatusText, {RowCount(), total / 60, total % 60, left74 / 60,
                                               left74 % 60, left80 / 60, left80 % 60});
    else if (left80 >= 0)
        statusLine_ =
            FormatText(kStatusOver74Text, {RowCount(), total / 60, total % 60, -left74 / 60,
                                           -left74 % 60, left80 / 60, left80 % 60});
    else
        statusLine_ =
            FormatText(kStatusOverBothText, {RowCount(), total / 60, total % 60, -left74 / 60,
                                             -left74 % 60, -left80 / 60, -left80 % 60});
    // The English text has one form for every count: "1 songs" reads wrong.
    if (RowCount() == 1 && statusLine_.rfind("1 songs,", 0) == 0)
        statusLine_.erase(6, 1);
    if (sink_)
        sink_(statusLine_);
}

std::vector<std::string> CSongList::FullPaths() const {
    std::vector<std::string> paths;
    paths.reserve(rows_.size());
    for (const Entry& e : rows_) paths.push_back(e.song.fullPath);
    return paths;
}

void CSongList::SetTitle(int32_t index, const std::string& title) {
    std::string& shown = rows_.at(static_cast<size_t>(index)).song.title;
    std::string cut = CutText(title);
    if (cut != shown)
        ++revision_;
    shown = std::move(cut);
}

void CSongList::SetFocusedRow(int32_t index) {
    focused_ = index >= 0 && index < RowCount() ? index : -1;
}

void CSongList::SetSelected(int32_t index, bool selected) {
    rows_.at(static_cast<size_t>(index)).selected = selected;
}

void CSongList::ClearSelection() {
    for (Entry& e : rows_) e.selected = false;
}

std::vector<int32_t> CSongList::SelectedRows() const {
    std::vector<int32_t> out;
    for (size_t i = 0; i < rows_.size(); ++i)
        if (rows_[i].selected)
            out.push_back(static_cast<int32_t>(i));
    return out;
}
