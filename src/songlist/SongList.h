#pragma once
// The user's ordered selection of songs, which becomes the CD's tracks in order.  Every
// way of adding songs goes through AddSong, which inspects the file and keeps the total
// within the disc budget.  The list also holds the view state (focused row, selected
// rows) so the command layer and any front end share one truth, and reports its status
// line to whoever shows it.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "audio/CdSamples.h"
#include "songlist/Song.h"

enum class AddSongResult {
    kAdded,
    kCannotOpen,   // missing, unreadable, not a regular file
    kPathTooLong,  // a path over 255 bytes: cut, it would name another file
    kLineBreak,    // a line break in the path, which no song-list file could hold
    kNotMp3,       // no acceptable first frame
    kOverBudget,   // would take the total past 4920 seconds
};

enum class MoveResult {
    kMoved,
    kUnchanged,  // already at the top or bottom
    kNoFocus,    // no row has the focus: the caller warns the user
};

class CSongList {
  public:
    static constexpr int32_t kBudgetSeconds = 4920;  // 82 minutes
    static constexpr int32_t kDisc74Seconds = 4440;
    static constexpr int32_t kDisc80Seconds = 4800;
    static constexpr int32_t kFramesPerSecond = cdsamples::kRate;

    using StatusLineSink = std::function<void(const std::string&)>;

    // Whoever shows the status line; called with the new text after every change.
    void SetStatusLineSink(StatusLineSink sink) { sink_ = std::move(sink); }

    // Inspects the file and inserts it in front of the focused row, or at the end.
    // Refused files leave the list unchanged; the result says why, for front ends that
    // want to tell (the window itself skips them silently).  The title is the one the
    // file's tags give, else titleIfUntagged when not empty (a playlist's), else the
    // file name.
    AddSongResult AddSong(const std::string& path, const std::string& titleIfUntagged = "");
    // Inserts an already inspected song as AddSong does, with the caller's title
    // (projects bring their own).  Refused (false) when it would break the budget.
    bool InsertSong(CSong song);
    void DeleteSelectedSongs();
    void ClearSongs();
    // Moves row `from` in front of the row that was at `to` (to == RowCount() moves it
    // after the last row); the moved row becomes the only selected row and the focused
    // one.  False when nothing moved.
    bool MoveSong(int32_t from, int32_t to);
    MoveResult MoveUp();
    MoveResult MoveDown();
    MoveResult MoveTop();
    MoveResult MoveBottom();
    void UpdateStatusLine();

    // Accessors.
    int32_t RowCount() const { return static_cast<int32_t>(rows_.size()); }
    const CSong& Row(int32_t index) const { return rows_.at(static_cast<size_t>(index)).song; }
    const std::string& Title(int32_t index) const { return Row(index).title; }
    const std::string& TimeText(int32_t index) const { return Row(index).timeText; }
    const std::string& FullPath(int32_t index) const { return Row(index).fullPath; }
    int32_t SongDuration(int32_t index) const { return Row(index).duration; }
    // Every row's full path, in order.
    std::vector<std::string> FullPaths() const;
    // The list's playing time: the sum of the rows' whole seconds, or gapless the sum of
    // their exact lengths, rounded up.  The budget and the status line count it.
    int32_t TotalSeconds() const;
    // Counts the songs as a gapless disc holds them (back to back, sample for sample)
    // or on whole seconds; the status line follows.  Rows already in the list stay even
    // when they no longer fit the budget: the status line then says by how much.
    void SetGapless(bool gapless);
    bool Gapless() const { return gapless_; }
    const std::string& StatusLine() const { return statusLine_; }
    // Renames a row; titles longer than 255 bytes are cut.
    void SetTitle(int32_t index, const std::string& title);
    // Counts the changes to the rows (added, removed, moved, renamed, cleared), so that
    // whoever saved the list can tell whether it has changed since.
    uint64_t Revision() const { return revision_; }

    // View state.
    int32_t FocusedRow() const { return focused_; }  // -1 when none
    void SetFocusedRow(int32_t index);               // -1 clears the focus
    bool IsSelected(int32_t index) const { return rows_.at(static_cast<size_t>(index)).selected; }
    void SetSelected(int32_t index, bool selected);
    void ClearSelection();
    std::vector<int32_t> SelectedRows() const;

    // "%02d:%02d" of a duration in seconds.
    static std::string FormatTime(int32_t seconds);

  private:
    struct Entry {
        CSong song;
        bool selected = false;
    };
    void InsertAt(int32_t index, Entry entry);
    void RemoveAt(int32_t index);

    static int32_t SecondsOfFrames(int64_t frames);

    std::vector<Entry> rows_;
    int32_t totalSeconds_ = 0;
    int64_t totalFrames_ = 0;
    bool gapless_ = false;
    int32_t focused_ = -1;
    uint64_t revision_ = 0;
    std::string statusLine_;
    StatusLineSink sink_;
};
