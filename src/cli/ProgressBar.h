#pragma once
// A one-line progress bar for long work, drawn on stderr only when stderr is a
// terminal (scripts and logs get no carriage-return noise).  Redrawn only when what it
// shows changes.
#include <cstdint>
#include <string>

class CProgressBar {
  public:
    CProgressBar();
    ~CProgressBar() { Clear(); }
    CProgressBar(const CProgressBar&) = delete;
    CProgressBar& operator=(const CProgressBar&) = delete;

    // Shows perMille (0 to 1000) of the work with a label in front.
    void Show(int32_t perMille, const std::string& label);
    // Removes the bar from the terminal line.
    void Clear();

    // The line drawn for perMille and label: "label [#####.....]  42%".
    static std::string Line(int32_t perMille, const std::string& label);

  private:
    bool enabled_ = false;
    bool drawn_ = false;
    int32_t shownPercent_ = -1;
    std::string shownLabel_;
    size_t width_ = 0;
};
