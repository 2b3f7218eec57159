#include "gui/ModalWindows.h"

#include "gui/PlayerDialog.h"

// Each window is added here when it exists; until then its command opens nothing.

void CModalWindows::RunRecordDialog(QWidget* /*parent*/, const CRecordDialogRequest& /*request*/) {}

void CModalWindows::RunPlayer(QWidget* parent, const CPlayerSongs& songs) {
    CPlayerDialog::Run(parent, songs);
}

void CModalWindows::RunCoverDialog(QWidget* /*parent*/, CMainDialog& /*main*/) {}
