#pragma once
// The Record dialog: speed, normalization, CD-TEXT, gapless and verify settings, Test, Record and
// Stop, and the run's progress; with the image recorder, Record asks where the image goes.  A plain
// window laid out from its controls' texts, so that it fits every language; what it does lives in
// the core's CRecordDialogLogic, which this window only presents: controls by their identifiers,
// clicks to its handlers, its timer, the worker's end of a write brought over to this thread, and
// the message at the end of a completed run.  The window never ends while a run is going: Exit,
// Escape and the close box ask first, and stop the run when the user agrees.
#include <QDialog>
#include <cstdint>
#include <map>
#include <memory>

#include "recording/RecordDialogView.h"

class QButtonGroup;
class QProgressBar;
class CBurnerApp;
class CCdrDriver;
class CFolderMemory;
class CCdTextBuilder;
class CDiscImage;
class CDriverMessageQueue;
class CRecordDialogLogic;
struct CRecordDialogRequest;

class CRecordDialog : public QDialog, private IRecordDialogView {
    Q_OBJECT
  public:
    // The bar is repainted this often between the phase line's updates.
    static constexpr int32_t kRepaintPeriod = 100;  // milliseconds

    // As CRecordDialogLogic takes them; messages: the queue the driver reports through.
    CRecordDialog(CCdrDriver* driver, CDiscImage& disc, CCdTextBuilder& cdText,
                  CDriverMessageQueue& messages, int32_t normalizeOn, QWidget* parent = nullptr);
    ~CRecordDialog() override;

    // The record command's dialog over the application's disc, driver and CD-TEXT
    // builder, run modally.
    static void Run(QWidget* parent, const CRecordDialogRequest& request,
                    CDriverMessageQueue& messages);

    // A control by its identifier, or null.
    QWidget* Control(int32_t id) const;
    CRecordDialogLogic& Logic() { return *logic_; }
    // Qt's number of the progress timer, for its events.
    int ProgressTimerId() const { return progressTimer_; }

    void done(int result) override;

  protected:
    void timerEvent(QTimerEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    // The image recorder's folder, before each Record: false when the user cancelled
    // or the folder cannot take the image.
    bool AskImageFolder(CBurnerApp& app, CFolderMemory& folders);
    void CreateControls();
    void Arrange();
    // False when a run is going and the user wants it to go on.
    bool MayEnd();
    void ReadControls(CRecordControls& values) override;
    void PushFields(const CRecordControls& values) override;
    void EnableControl(int32_t id, bool enabled) override;
    void SetControlText(int32_t id, const std::string& text) override;
    void SetCaption(const std::string& text) override;
    void SetProgressRange(int32_t low, int32_t high) override;
    void SetProgress(int32_t position) override;
    void StartTimer(int32_t id, int32_t milliseconds) override;
    void ShowRunResult(const std::string& text) override;
    void PostToUi(std::function<void()> call) override;

    std::map<int32_t, QWidget*> controls_;
    QButtonGroup* speeds_ = nullptr;
    QProgressBar* bar_ = nullptr;
    int progressTimer_ = 0;
    int repaintTimer_ = 0;
    std::unique_ptr<CRecordDialogLogic> logic_;
    // Keeps the gapless box's state for the next dialog.
    std::function<void(bool)> gaplessChanged_;
    std::function<void(bool)> verifyChanged_;
};
