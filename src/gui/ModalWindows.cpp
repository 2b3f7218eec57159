#include "gui/ModalWindows.h"

#include "app/MainDialog.h"
#include "app/StartFolder.h"
#include "gui/CoverDialog.h"

// Each window is added here when it exists; until then its command opens nothing.

void CModalWindows::RunRecordDialog(QWidget* /*parent*/, const CRecordDialogRequest& /*request*/) {}

void CModalWindows::RunPlayer(QWidget* /*parent*/, const CPlayerSongs& /*songs*/) {}

void CModalWindows::RunCoverDialog(QWidget* parent, CMainDialog& main) {
    CCoverDialog dialog(parent);
    dialog.Cover().AddCoverSongs(main.SongList());
    // The picture dialog opens among the shipped backgrounds, or where the last file
    // dialog was when there are none.
    dialog.SetPictureFolder(InFolder(main.StartFolder(), "cover"),
                            main.FolderMemory().CurrentFolder());
    dialog.exec();
}
