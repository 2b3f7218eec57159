#include "gui/ModalWindows.h"

#include "gui/PlayerDialog.h"
#include "gui/RecordDialog.h"

// Each window is added here when it exists; until then its command opens nothing.

void CModalWindows::RunRecordDialog(QWidget* parent, const CRecordDialogRequest& request) {
    // Without the drivers' queue a Stop could not serve a driver's message: no dialog.
    if (DriverMessages() != nullptr)
        CRecordDialog::Run(parent, request, *DriverMessages());
}

void CModalWindows::RunPlayer(QWidget* parent, const CPlayerSongs& songs) {
    CPlayerDialog::Run(parent, songs);
}

void CModalWindows::RunCoverDialog(QWidget* /*parent*/, CMainDialog& /*main*/) {}
