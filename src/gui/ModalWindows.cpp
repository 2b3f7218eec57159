#include "gui/ModalWindows.h"

#include "app/MainDialog.h"
#include "base/StartFolder.h"
#include "gui/CoverDialog.h"
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

void CModalWindows::RunCoverDialog(QWidget* parent, CMainDialog& main) {
    CCoverDialog dialog(parent);
    dialog.Cover().AddCoverSongs(main.SongList());
    // The picture dialog opens among the shipped backgrounds, or where the last file
    // dialog was when there are none.
    dialog.SetPictureFolder(InFolder(main.StartFolder(), "cover"),
                            main.FolderMemory().CurrentFolder());
    dialog.exec();
}
