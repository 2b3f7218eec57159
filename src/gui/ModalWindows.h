#pragma once
// The modal windows that the main window's commands open and that live in classes of
// their own: the Record dialog, the player and the cover dialog.  The main window only
// calls these; each window plugs in here, in ModalWindows.cpp, by constructing its class
// and running it.  Tests replace the whole set to see what the commands hand over.
#include "app/MainWindowUi.h"

class QWidget;
class CMainDialog;
class CDriverMessageQueue;

class CModalWindows {
  public:
    virtual ~CModalWindows() = default;

    // The queue the recorder drivers report through (the program's CDriverMessages):
    // the Record dialog runs its worker with it, so that a wait for the worker shows the
    // drivers' messages.
    void SetDriverMessages(CDriverMessageQueue& messages) { messages_ = &messages; }
    CDriverMessageQueue* DriverMessages() const { return messages_; }

    // The Record dialog, run modally with the disc image already filled (Record).
    virtual void RunRecordDialog(QWidget* parent, const CRecordDialogRequest& request);
    // The player, run modally with up to 80 songs (Play, double-click).
    virtual void RunPlayer(QWidget* parent, const CPlayerSongs& songs);
    // The cover dialog, run modally over the song list (Print CD cover).
    virtual void RunCoverDialog(QWidget* parent, CMainDialog& main);

  private:
    CDriverMessageQueue* messages_ = nullptr;
};
