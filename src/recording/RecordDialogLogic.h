#pragma once
// What the Record dialog does, apart from drawing it: its start-up, the Normalize
// group's enable rules, Test and Record (the driver's test flag, CD-TEXT prepared from
// the album title and the disc's titles, the worker started), Stop (which waits for the
// worker while still showing the drivers' messages), the progress timer's texts, and
// the buttons coming back when the worker's write has ended.  The dialog owns the run's
// fields (CRecordSession) for as long as it exists; a run still going when it ends is
// stopped first.  However a run ends (its write done, a failure, Stop), Test and Record
// come back, and a completed disc is announced, with the titles CD-TEXT carries in Latin
// letters, and the verification's report when the disc was verified.  The gapless box starts as the
// disc is laid and lays it anew when clicked; it is disabled for a driver that cannot write
// gapless.  The window and the command line both run their recordings through it.
#include <atomic>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>

#include "recording/RecordDialogView.h"
#include "recording/RecordRun.h"
#include "recording/RecordRunView.h"
#include "recording/RecordSession.h"

class CCdrDriver;
class CCdTextBuilder;
class CDiscImage;
class CDriverMessageQueue;

class CRecordDialogLogic : private IRecordRunView {
  public:
    static constexpr int32_t kProgressTimer = 7777;
    static constexpr int32_t kProgressPeriod = 2000;  // milliseconds

    // driver: the recorder's driver (null: Test and Record do nothing); disc: the disc
    // image the record command filled; cdText: the builder of this dialog; messages: the
    // queue the driver reports through, owned by this (the user-interface) thread;
    // normalizeOn: the normalization default.
    CRecordDialogLogic(IRecordDialogView& view, CCdrDriver* driver, CDiscImage& disc,
                       CCdTextBuilder& cdText, CDriverMessageQueue& messages, int32_t normalizeOn);
    ~CRecordDialogLogic() override;
    CRecordDialogLogic(const CRecordDialogLogic&) = delete;
    CRecordDialogLogic& operator=(const CRecordDialogLogic&) = delete;

    // Where the recorder put the image of the disc it completed ("" for a real drive),
    // for the message at the end of a run.
    void SetImageLocator(std::function<std::string()> where) { imageOf_ = std::move(where); }
    // For a recorder that writes an image: asked before each Record (not Test) to set
    // where the image goes; false when the user would rather not record.
    void SetImageFolderQuestion(std::function<bool()> ask) { askImageFolder_ = std::move(ask); }

    // The dialog's start-up, once its controls exist.
    void OnInitDialog();

    void OnTest() { Start(1); }
    void OnRecordStart() { Start(0); }
    // Asks a run to stop, waits until the worker has ended (showing the drivers' messages
    // meanwhile), then gives Test and Record back.  With no run it only does the latter.
    void OnStop();
    // The first step of Stop alone: the run is asked to end and goes on until it does.
    void RequestStop() { session_.stopRequested = 1; }
    void OnNormalizeClicked();
    void OnOnlyIfClicked();
    void OnCdTextClicked() { ReadControls(); }
    // Lays the disc gapless or on whole seconds as the box says, and shows its new
    // total; a disc that fits only gapless stays gapless, and the phase line says why.
    void OnGaplessClicked();
    bool Gapless() const { return gapless_ != 0; }
    // The verify box: set from the remembered setting before the dialog shows.
    void SetVerify(bool on) {
        session_.verify = on ? 1 : 0;
        PushFields();
    }
    void OnVerifyClicked() { ReadControls(); }
    bool Verify() const { return session_.verify.load() != 0; }
    // A timer event: the phase line and the bar for the progress timer, nothing else.
    void OnProgressTimer(int32_t timerId);
    // The bar alone, from the same fields, for a front end that repaints it more often.
    // Both timers also notice a run that has ended.
    void OnProgressRepaint();
    // The dialog is about to end, by whatever way: a run still going is stopped first,
    // since the worker uses the dialog's fields.
    void OnEnding();
    // What to ask before the dialog's ending stops a run; "" when no run is going.
    std::string EndingQuestion() const;

    bool RunActive() const { return run_.Active(); }
    // Waits up to milliseconds (negative: for ever) for the run to end; true when none
    // is going.
    bool WaitForRun(int32_t milliseconds) { return run_.Wait(milliseconds); }
    CRecordSession& Session() { return session_; }
    CCdTextBuilder& CdTextBuilder() { return cdText_; }

  private:
    void Start(int32_t test);
    // The fields that the controls show, and the exchange between them.
    CRecordControls Fields() const;
    void ReadControls();
    void PushFields();
    void EnableControls(std::initializer_list<int32_t> ids, bool enabled);
    // Lays the disc as the gapless field says (never gapless on a track-at-once driver).
    void ApplyGapless();
    // Worker thread, at the end of a write: the buttons change on the user-interface
    // thread, for that run only.
    void PostWriteEnded() override;
    void OnWriteEnded(int32_t run);
    // The run has ended or is ending on its own: waits for the worker, gives the buttons
    // back and, when told, announces a completed disc; once per run.
    void FinishRun(bool announce);

    IRecordDialogView& view_;
    CCdrDriver* driver_;
    CDiscImage& disc_;
    CCdTextBuilder& cdText_;
    CRecordSession session_;
    // Counts the runs started; a write's end that arrives after a later start is stale.
    std::atomic<int32_t> runNumber_{0};
    // False from a start until FinishRun has dealt with that run.
    bool finished_ = true;
    std::function<std::string()> imageOf_;
    std::function<bool()> askImageFolder_;
    int32_t gapless_ = 0;
    CRecordRun run_;
};
