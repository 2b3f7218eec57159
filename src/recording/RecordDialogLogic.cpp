#include "recording/RecordDialogLogic.h"

#include "base/ProcessFlags.h"
#include "disc/CdTextBuilder.h"
#include "disc/DiscImage.h"
#include "drivers/CdrDriver.h"
#include "drivers/RecorderDiscovery.h"
#include "recording/Normalization.h"
#include "recording/RecordDialogControls.h"
#include "recording/RecordRunSetup.h"
#include "ui/LanguageTable.h"

using namespace recordctl;

CRecordDialogLogic::CRecordDialogLogic(IRecordDialogView& view, CCdrDriver* driver,
                                       CDiscImage& disc, CCdTextBuilder& cdText,
                                       CDriverMessageQueue& messages, int32_t normalizeOn)
    : view_(view), driver_(driver), disc_(disc), cdText_(cdText), run_(messages) {
    session_.driver = driver;
    session_.view = this;
    session_.normalize = normalizeOn;
}

CRecordDialogLogic::~CRecordDialogLogic() {
    run_.Stop();
}

void CRecordDialogLogic::OnInitDialog() {
    // The box shows how the record command laid the disc, unless the driver cannot
    // write it so.
    const bool gaplessRefused = !GaplessRefusal(driver_).empty();
    if (gaplessRefused)
        disc_.SetGapless(0);
    gapless_ = disc_.gapless;
    PushFields();
    for (const CRecordDialogControl& control : RecordDialogControls())
        if (control.textId != 0)
            view_.SetControlText(control.id, Text(control.textId));
    view_.SetControlText(kAlbumTitle, DefaultAlbumTitle(disc_.trackCount));
    if (ProcessFlags().cdTextCapable.load() == 0)
        EnableControls({kAlbumTitle, kCdTextGroup, kAlbumLabel, kUseCdText}, false);
    if (gaplessRefused)
        EnableControls({kGapless}, false);
    view_.SetCaption(Text(300));
    view_.SetControlText(kTotals, TotalsLine(disc_));
    view_.SetProgressRange(1, 1000);
    view_.SetProgress(session_.progress.load());
    view_.StartTimer(kProgressTimer, kProgressPeriod);
    // The number boxes get their defaults here, but stay disabled whatever Normalize
    // shows: only the two click handlers change that.
    ReadControls();
    session_.speedChoice = 0;
    session_.target = kDefaultNormalizeTarget;
    session_.higher = kDefaultNormalizeHigher;
    session_.lower = kDefaultNormalizeLower;
    PushFields();
}

void CRecordDialogLogic::Start(int32_t test) {
    if (driver_ == nullptr || run_.Active())
        return;
    // A test write leaves no image: only a recording needs to know where it goes.
    if (test == 0 && askImageFolder_ && !askImageFolder_())
        return;
    driver_->test = test;
    ReadControls();
    ApplyGapless();
    PrepareCdText(cdText_, *driver_, session_.useCdText.load(), session_.albumTitle);
    session_.stopRequested = 0;
    // The disc being written keeps its layout: gapless or not is settled until the end.
    EnableControls({kTest, kRecord, kGapless}, false);
    EnableControls({kStop}, true);
    ++runNumber_;
    finished_ = false;
    run_.Start(session_);
}

void CRecordDialogLogic::OnStop() {
    session_.stopRequested = 1;
    run_.Stop();
    if (!finished_) {
        FinishRun(true);
        return;
    }
    EnableControls({kTest, kRecord}, true);
    EnableControls({kGapless}, GaplessRefusal(driver_).empty());
    EnableControls({kStop}, false);
}

void CRecordDialogLogic::FinishRun(bool announce) {
    if (finished_)
        return;
    finished_ = true;
    run_.Wait(-1);  // the worker is past its last step, or was stopped
    EnableControls({kTest, kRecord}, true);
    EnableControls({kGapless}, GaplessRefusal(driver_).empty());
    EnableControls({kStop}, false);
    if (announce && session_.completed.load() == 1) {
        std::string text = RunResultText(driver_->test, imageOf_ ? imageOf_() : std::string());
        if (session_.useCdText.load() != 0)
            text += TransliterationNote(cdText_);
        if (session_.verified.load() == 1)
            text += VerifyResultText(session_.verifyResult);
        view_.ShowRunResult(text);
    }
}

std::string CRecordDialogLogic::EndingQuestion() const {
    return run_.Active() ? Text(4014) : "";
}

void CRecordDialogLogic::OnEnding() {
    // An ending dialog announces nothing: its run is stopped, or has ended.
    session_.stopRequested = 1;
    run_.Stop();
    FinishRun(false);
}

void CRecordDialogLogic::OnNormalizeClicked() {
    ReadControls();
    EnableControls({kTargetLabel, kTargetPercent, kTargetEdit, kTargetUpDown, kOnlyIf},
                   session_.normalize.load() != 0);
    OnOnlyIfClicked();
    PushFields();
}

void CRecordDialogLogic::OnOnlyIfClicked() {
    ReadControls();
    EnableControls({kLowerLabel, kLowerPercent, kOrLabel, kHigherLabel, kHigherPercent, kLowerEdit,
                    kHigherEdit, kHigherUpDown, kLowerUpDown},
                   session_.onlyIf.load() != 0 && session_.normalize.load() != 0);
    PushFields();
}

void CRecordDialogLogic::OnGaplessClicked() {
    if (run_.Active()) {
        PushFields();  // the worker is reading the disc as laid out
        return;
    }
    ReadControls();
    ApplyGapless();
    PushFields();
}

void CRecordDialogLogic::ApplyGapless() {
    if (!GaplessRefusal(driver_).empty())
        gapless_ = 0;
    if (gapless_ != disc_.gapless && disc_.SetGapless(gapless_) == 0) {
        gapless_ = disc_.gapless;
        view_.SetControlText(kPhase, Text(kOnlyGaplessFitsText));
    }
    view_.SetControlText(kTotals, TotalsLine(disc_));
}

void CRecordDialogLogic::OnProgressTimer(int32_t timerId) {
    if (timerId != kProgressTimer)
        return;
    std::string text;
    if (PhaseText(session_.phase.load(), session_.currentTrack.load(), session_.progress.load(),
                  disc_.trackCount, text))
        view_.SetControlText(kPhase, text);
    view_.SetProgress(session_.progress.load());
    // A run that failed before its write posts nothing: it is noticed here.
    if (!finished_ && !run_.Active())
        FinishRun(true);
}

void CRecordDialogLogic::OnProgressRepaint() {
    view_.SetProgress(session_.progress.load());
    if (!finished_ && !run_.Active())
        FinishRun(true);
}

void CRecordDialogLogic::PostWriteEnded() {
    // Only this run's worker calls this, and no other run can start before it has ended.
    const int32_t run = runNumber_.load();
    view_.PostToUi([this, run] { OnWriteEnded(run); });
}

void CRecordDialogLogic::OnWriteEnded(int32_t run) {
    if (run == runNumber_.load())
        FinishRun(true);
}

CRecordControls CRecordDialogLogic::Fields() const {
    CRecordControls values;
    values.speedChoice = session_.speedChoice.load();
    values.normalize = session_.normalize.load();
    values.onlyIf = session_.onlyIf.load();
    values.lower = session_.lower.load();
    values.higher = session_.higher.load();
    values.target = session_.target.load();
    values.useCdText = session_.useCdText.load();
    values.albumTitle = session_.albumTitle;
    values.gapless = gapless_;
    values.verify = session_.verify.load();
    return values;
}

void CRecordDialogLogic::ReadControls() {
    CRecordControls values = Fields();
    view_.ReadControls(values);
    session_.speedChoice = values.speedChoice;
    session_.normalize = values.normalize;
    session_.onlyIf = values.onlyIf;
    session_.lower = values.lower;
    session_.higher = values.higher;
    session_.target = values.target;
    session_.useCdText = values.useCdText;
    session_.albumTitle = values.albumTitle;
    gapless_ = values.gapless;
    session_.verify = values.verify;
}

void CRecordDialogLogic::PushFields() {
    view_.PushFields(Fields());
}

void CRecordDialogLogic::EnableControls(std::initializer_list<int32_t> ids, bool enabled) {
    for (int32_t id : ids) view_.EnableControl(id, enabled);
}
