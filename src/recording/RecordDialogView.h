#pragma once
// Whoever presents the Record dialog (the window, the command line, a test), as the
// dialog's logic sees it: controls named by their identifiers (RecordDialogControls.h),
// the exchange of the controls' values with the dialog's fields, and the two timers.
// Everything except PostToUi is called on the user-interface thread.
#include <cstdint>
#include <functional>
#include <string>

// The values the dialog's controls hold, as its fields keep them.
struct CRecordControls {
    int32_t speedChoice = -1;  // index of the checked speed radio button, -1 none
    int32_t normalize = 0;     // check boxes: 1 ticked
    int32_t onlyIf = 0;
    int32_t lower = 0;  // the number boxes, percent
    int32_t higher = 0;
    int32_t target = 0;
    int32_t useCdText = 0;
    std::string albumTitle;
    int32_t gapless = 0;  // the songs back to back, sample for sample
    int32_t verify = 0;   // the disc read back and compared after a real write
};

class IRecordDialogView {
  public:
    virtual ~IRecordDialogView() = default;

    // Reads the controls into values.  A number box that holds no number leaves its
    // value as given.
    virtual void ReadControls(CRecordControls& values) = 0;
    // Shows values in the controls (speed choice -1: no radio button checked).
    virtual void PushFields(const CRecordControls& values) = 0;

    virtual void EnableControl(int32_t id, bool enabled) = 0;
    virtual void SetControlText(int32_t id, const std::string& text) = 0;
    virtual void SetCaption(const std::string& text) = 0;
    virtual void SetProgressRange(int32_t low, int32_t high) = 0;
    virtual void SetProgress(int32_t position) = 0;
    // Starts the timer whose events come back as OnProgressTimer (id).
    virtual void StartTimer(int32_t id, int32_t milliseconds) = 0;
    // A run has completed its disc: text says so, acknowledged before the call returns.
    virtual void ShowRunResult(const std::string& text) = 0;

    // Any thread: runs call on the user-interface thread later, never inside this
    // call.  A dialog that has ended drops it.
    virtual void PostToUi(std::function<void()> call) = 0;
};
