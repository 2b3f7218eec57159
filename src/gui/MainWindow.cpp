#include "gui/MainWindow.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QProgressDialog>
#include <QScreen>
#include <QShortcut>
#include <QUrl>

#include "app/BurnerApp.h"
#include "app/MainDialog.h"
#include "base/Version.h"
#include "gui/FileDialogs.h"
#include "gui/HelpWindow.h"
#include "gui/ModalWindows.h"
#include "gui/NormalizeInfoDlg.h"
#include "gui/Pictures.h"
#include "gui/QtText.h"
#include "gui/RenameDlg.h"
#include "gui/SongListModel.h"
#include "gui/SongListView.h"
#include "gui/TipDlg.h"
#include "ui/LanguageTable.h"

namespace {
constexpr int kWidth = 640;
constexpr int kHeight = 480;
const QRect kListRect(29, 98, 581, 335);
const QRect kTotalsRect(29, 78, 600, 20);
const QRect kRecorderRect(120, 438, 350, 20);

// Control, normal and hover picture, position, tooltip.
const CPictureButton kButtons[] = {
    {CMainWindow::kNewList, 142, 143, {169, 22}, 32774},
    {CMainWindow::kOpenProject, 147, 148, {221, 27}, 32775},
    {CMainWindow::kSaveProject, 153, 154, {274, 32}, 32776},
    {CMainWindow::kRecord, 151, 152, {329, 33}, 32779},
    {CMainWindow::kPrintCover, 149, 150, {382, 28}, 32780},
    {CMainWindow::kHelp, 145, 146, {433, 20}, 32772},
    {CMainWindow::kInsert, 156, 157, {35, 43}, 32778},
    {CMainWindow::kDelete, 158, 159, {80, 43}, 32777},
    {CMainWindow::kExit, 160, 161, {550, 41}, 32773},
    {CMainWindow::kTop, 168, 169, {6, 228}, 32785},
    {CMainWindow::kUp, 170, 171, {6, 250}, 32786},
    {CMainWindow::kPlay, 180, 181, {6, 271}, 32790},
    {CMainWindow::kDown, 172, 173, {6, 292}, 32787},
    {CMainWindow::kBottom, 174, 175, {6, 313}, 32788},
    // The language picture's hover image has the lower id of its pair.
    {CMainWindow::kLanguage, 187, 186, {6, 412}, 32792},
    {CMainWindow::kRename, 176, 177, {24, 435}, 32789},
    // Minimize borrows Move down's two pictures.
    {CMainWindow::kMinimize, 172, 173, {615, 55}, 32791},
};

// The common shortcuts of the commands, shown in their tooltips.
struct Shortcut {
    int32_t controlId;
    QKeyCombination keys;
};
const Shortcut kShortcuts[] = {
    {CMainWindow::kNewList, Qt::CTRL | Qt::Key_N},
    {CMainWindow::kOpenProject, Qt::CTRL | Qt::Key_O},
    {CMainWindow::kSaveProject, Qt::CTRL | Qt::Key_S},
    {CMainWindow::kPrintCover, Qt::CTRL | Qt::Key_P},
    {CMainWindow::kHelp, QKeyCombination(Qt::Key_F1)},
    {CMainWindow::kRecord, Qt::CTRL | Qt::Key_R},
    {CMainWindow::kInsert, QKeyCombination(Qt::Key_Insert)},
    {CMainWindow::kDelete, QKeyCombination(Qt::Key_Delete)},
};

// Tab goes along the row of pictures at the top, through the list, and down the
// pictures beside it.
const int32_t kTabOrderBeforeList[] = {
    CMainWindow::kInsert,      CMainWindow::kDelete,      CMainWindow::kNewList,
    CMainWindow::kOpenProject, CMainWindow::kSaveProject, CMainWindow::kRecord,
    CMainWindow::kPrintCover,  CMainWindow::kHelp,        CMainWindow::kMinimize,
    CMainWindow::kExit,
};
const int32_t kTabOrderAfterList[] = {
    CMainWindow::kTop,    CMainWindow::kUp,       CMainWindow::kPlay,   CMainWindow::kDown,
    CMainWindow::kBottom, CMainWindow::kLanguage, CMainWindow::kRename,
};

constexpr int kStatusNoteMs = 8000;
constexpr int32_t kListNameText = 4007;

// Where a click is looked for first when pictures overlap.
const std::vector<int32_t> kHitOrder = {
    CMainWindow::kExit,        CMainWindow::kHelp,        CMainWindow::kInsert,
    CMainWindow::kDelete,      CMainWindow::kRecord,      CMainWindow::kNewList,
    CMainWindow::kOpenProject, CMainWindow::kSaveProject, CMainWindow::kPrintCover,
    CMainWindow::kTop,         CMainWindow::kUp,          CMainWindow::kDown,
    CMainWindow::kBottom,      CMainWindow::kRename,      CMainWindow::kPlay,
    CMainWindow::kMinimize,    CMainWindow::kLanguage,
};

QString MenuText(int32_t textId) {
    return FromBytes(Text(textId));
}

// A name shown in a menu: "&" is a letter, not a mnemonic.
QString Literal(const std::string& bytes) {
    return FromBytes(bytes).replace(QLatin1Char('&'), QStringLiteral("&&"));
}
}  // namespace

CMainWindow::CMainWindow(CBurnerApp& app, CModalWindows& windows, QWidget* parent)
    : CSkinDialog(parent), app_(app), windows_(windows) {
    setObjectName(QStringLiteral("mainWindow"));
    list_ = new CSongListView(this);
    list_->setObjectName(QStringLiteral("songList"));
    totals_ = new QLabel(this);
    totals_->setObjectName(QStringLiteral("totals"));
    recorder_ = new QLabel(this);
    recorder_->setObjectName(QStringLiteral("recorder"));
    for (QLabel* label : {totals_, recorder_}) {
        // Mouse moves over the lines reach the window, which tracks its pictures.
        label->setAttribute(Qt::WA_TransparentForMouseEvents);
        label->setTextFormat(Qt::PlainText);
    }
    for (const CPictureButton& button : kButtons) AddPictureButton(button);
    SetHitTestOrder(kHitOrder);
    for (const Shortcut& shortcut : kShortcuts)
        SetPictureButtonShortcut(shortcut.controlId, QKeySequence(shortcut.keys));
    // Shift+F10 asks for the context menu, as the Menu key does.
    auto* menuKey = new QShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F10), this);
    connect(menuKey, &QShortcut::activated, this, [this] { ShowKeyboardMenu(); });
    SetTabOrder();
    list_->setAccessibleName(MenuText(kListNameText));
    setAcceptDrops(true);
    noteTimer_.setSingleShot(true);
    connect(&noteTimer_, &QTimer::timeout, this, [this] {
        if (main_ != nullptr)
            totals_->setText(FromBytes(main_->SongList().StatusLine()));
    });
}

void CMainWindow::SetTabOrder() {
    QWidget* previous = nullptr;
    auto chain = [&previous](QWidget* next) {
        if (previous != nullptr)
            setTabOrder(previous, next);
        previous = next;
    };
    for (int32_t id : kTabOrderBeforeList) chain(PictureButtonKey(id));
    chain(list_);
    for (int32_t id : kTabOrderAfterList) chain(PictureButtonKey(id));
}

CMainWindow::~CMainWindow() {
    Unbind();
}

void CMainWindow::Present(CMainDialog& main) {
    main_ = &main;
    SetBackground(pictures::kMainBackground, kTile);
    setFixedSize(kWidth, kHeight);
    // The window stands at the top-left corner of the screen.
    if (QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().topLeft());

    list_->setGeometry(kListRect);
    totals_->setGeometry(kTotalsRect);
    recorder_->setGeometry(kRecorderRect);
    for (const CPictureButton& button : kButtons)
        MovePictureButton(button.controlId, button.position);

    setWindowTitle(QStringLiteral("Tunevarn"));
    setWindowIcon(ApplicationIcon());
    recorder_->setText(FromBytes(app_.RecorderLine()));

    CSongList& songs = main.SongList();
    model_ = std::make_unique<CSongListModel>(songs);
    list_->setModel(model_.get());
    // The Full Path column takes the rest of the width: no sideways scrolling.
    list_->setColumnWidth(0, 300);
    list_->setColumnWidth(1, 80);
    connect(list_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] { TakeSelectionFromView(); });
    connect(list_->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this] { TakeSelectionFromView(); });
    connect(list_, &QWidget::customContextMenuRequested, this,
            [this](QPoint pos) { ShowListMenu(list_->viewport()->mapToGlobal(pos)); });
    list_->onPlay = [this] { Run([this] { main_->PlaySong(); }); };
    list_->onKeyboardMenu = [this] { ShowKeyboardMenu(); };
    list_->onDragMove = [this](int32_t from, int32_t to) {
        Run([this, from, to] { main_->SongList().MoveSong(from, to); });
    };

    songs.SetStatusLineSink([this](const std::string& line) {
        noteTimer_.stop();
        totals_->setText(FromBytes(line));
    });
    songs.UpdateStatusLine();
    for (int32_t id : {kRecord, kDelete})
        SetPictureButtonEnabled(id, main.IsCommandEnabled(id), FromBytes(main.DisabledReason(id)));
    SyncFromCore();
    list_->setFocus();
}

void CMainWindow::Unbind() {
    if (main_ == nullptr)
        return;
    main_->SongList().SetStatusLineSink(nullptr);
    list_->setModel(nullptr);
    model_.reset();
    main_ = nullptr;
}

template <typename Command>
void CMainWindow::Run(Command command) {
    if (main_ == nullptr)
        return;
    command();
    SyncFromCore();
}

void CMainWindow::SyncFromCore() {
    if (main_ == nullptr || !model_)
        return;
    const CSongList& songs = main_->SongList();
    syncing_ = true;
    model_->Reset();
    QItemSelection selection;
    for (int32_t row : songs.SelectedRows())
        selection.select(model_->index(row, 0), model_->index(row, 2));
    list_->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
    const int32_t focused = songs.FocusedRow();
    if (focused >= 0) {
        QModelIndex current = model_->index(focused, 0);
        list_->selectionModel()->setCurrentIndex(current, QItemSelectionModel::NoUpdate);
        list_->scrollTo(current);
    } else {
        list_->selectionModel()->clearCurrentIndex();
    }
    // A note of what was just saved stays until its time is up or the list changes.
    if (!noteTimer_.isActive())
        totals_->setText(FromBytes(songs.StatusLine()));
    syncing_ = false;
}

void CMainWindow::TakeSelectionFromView() {
    if (syncing_ || main_ == nullptr)
        return;
    CSongList& songs = main_->SongList();
    songs.ClearSelection();
    for (const QModelIndex& index : list_->selectionModel()->selectedRows())
        if (index.row() < songs.RowCount())
            songs.SetSelected(index.row(), true);
    QModelIndex current = list_->selectionModel()->currentIndex();
    songs.SetFocusedRow(current.isValid() ? current.row() : -1);
}

void CMainWindow::OnPictureClicked(int32_t controlId) {
    if (main_ == nullptr)
        return;
    CMainDialog& m = *main_;
    switch (controlId) {
        case kExit:
            Run([&] { m.Exit(); });
            break;
        case kHelp:
            Run([&] { m.Help(); });
            break;
        case kInsert:
            Run([&] { m.InsertFiles(); });
            break;
        case kDelete:
            Run([&] { m.DeleteSongs(); });
            break;
        case kRecord:
            Run([&] { m.Record(); });
            break;
        case kNewList:
            Run([&] { m.NewList(); });
            break;
        case kOpenProject:
            Run([&] { m.OpenProject(); });
            break;
        case kSaveProject:
            Run([&] { m.SaveProject(); });
            break;
        case kPrintCover:
            Run([&] { m.PrintCover(); });
            break;
        case kTop:
            Run([&] { m.MoveTop(); });
            break;
        case kUp:
            Run([&] { m.MoveUp(); });
            break;
        case kDown:
            Run([&] { m.MoveDown(); });
            break;
        case kBottom:
            Run([&] { m.MoveBottom(); });
            break;
        case kRename:
            Run([&] { m.RenameSong(); });
            break;
        case kPlay:
            Run([&] { m.PlaySong(); });
            break;
        case kMinimize:
            Run([&] { m.Minimize(); });
            break;
        case kLanguage:
            ShowLanguageMenu(QCursor::pos());
            break;
        default:
            break;
    }
}

void CMainWindow::contextMenuEvent(QContextMenuEvent* event) {
    if (event->reason() == QContextMenuEvent::Keyboard)
        ShowKeyboardMenu();
    else
        ShowListMenu(event->globalPos());
}

void CMainWindow::ShowListMenu(QPoint globalPos) {
    if (main_ == nullptr)
        return;
    // The row at that height, looked up at the list's left edge: any column counts, and
    // below the last row there is no menu.
    QPoint local = list_->viewport()->mapFromGlobal(globalPos);
    if (local.y() < 0 || local.y() >= list_->viewport()->height() ||
        list_->RowAtHeight(local.y()) < 0)
        return;
    PopUp(globalPos, true);
}

void CMainWindow::ShowKeyboardMenu() {
    if (main_ == nullptr)
        return;
    const int32_t row = main_->SongList().FocusedRow();
    if (row < 0) {
        PopUp(list_->viewport()->mapToGlobal(QPoint(5, 5)), false);
        return;
    }
    const QModelIndex index = model_->index(row, 0);
    list_->scrollTo(index);
    const QRect rect = list_->visualRect(index);
    PopUp(list_->viewport()->mapToGlobal(rect.bottomLeft() + QPoint(20, 0)), true);
}

void CMainWindow::PopUp(QPoint globalPos, bool wholeMenu) {
    auto* menu = new QMenu(window());
    menu->setObjectName(QStringLiteral("listMenu"));
    menu->setAttribute(Qt::WA_DeleteOnClose);
    auto add = [this](QMenu* into, int32_t commandId, int32_t textId, auto command) {
        QAction* action = into->addAction(MenuText(textId));
        action->setData(commandId);
        connect(action, &QAction::triggered, this, [this, command] { Run(command); });
    };
    CMainDialog* m = main_;
    // Without a row, only what needs none.
    if (wholeMenu) {
        add(menu, kMenuPlay, 2000, [m] { m->PlaySong(); });
        add(menu, kMenuRename, 2001, [m] { m->RenameSong(); });
        add(menu, kMenuExportWav, 2002, [m] { m->ExportWav(); });
        add(menu, kMenuExportRaw, 2003, [m] { m->ExportRawTrack(); });
        QMenu* lists = menu->addMenu(MenuText(2004));
        lists->setObjectName(QStringLiteral("exportSongList"));
        add(lists, kMenuExportM3u, 2005, [m] { m->ExportM3u(); });
        add(lists, kMenuExportPls, 2006, [m] { m->ExportPls(); });
        add(lists, kMenuExportText, 2007, [m] { m->ExportSongText(); });
        menu->addSeparator();
        add(menu, kMenuUp, 2008, [m] { m->MoveUp(); });
        add(menu, kMenuDown, 2009, [m] { m->MoveDown(); });
        menu->addSeparator();
    }
    add(menu, kMenuInsert, 2010, [m] { m->InsertFiles(); });
    if (wholeMenu)
        add(menu, kMenuDelete, 2011, [m] { m->DeleteSongs(); });
    menu->addSeparator();
    add(menu, kMenuTips, 2012, [m] { m->TipsOfTheDay(); });
    menu_ = menu;
    menu->popup(globalPos);
}

void CMainWindow::ShowLanguageMenu(QPoint globalPos) {
    auto* menu = new QMenu(window());
    menu->setObjectName(QStringLiteral("languageMenu"));
    menu->setAttribute(Qt::WA_DeleteOnClose);
    for (const CLanguageMenuItem& item : LanguageTable().LanguageMenu()) {
        if (item.commandId == 0) {
            menu->addSeparator();
            continue;
        }
        QAction* action = menu->addAction(Literal(item.text));
        action->setData(item.commandId);
        // Only the current language carries a mark; the others show none.
        action->setCheckable(item.checked);
        action->setChecked(item.checked);
        const int32_t id = item.commandId;
        connect(action, &QAction::triggered, this,
                [this, id] { Run([this, id] { main_->LanguageCommand(id); }); });
    }
    menu_ = menu;
    menu->popup(globalPos);
}

void CMainWindow::reject() {
    if (main_ == nullptr) {
        CSkinDialog::reject();
        return;
    }
    Run([this] { main_->Exit(); });
}

bool CMainWindow::MayEndSession() {
    return main_ == nullptr || main_->MayDiscardList();
}

namespace {
std::vector<std::string> DroppedNames(const QMimeData* data) {
    std::vector<std::string> names;
    if (data == nullptr || !data->hasUrls())
        return names;
    for (const QUrl& url : data->urls())
        if (url.isLocalFile())
            names.push_back(PathBytes(url.toLocalFile()));
    return names;
}
}  // namespace

void CMainWindow::dragEnterEvent(QDragEnterEvent* event) {
    if (!DroppedNames(event->mimeData()).empty())
        event->acceptProposedAction();
}

void CMainWindow::dragMoveEvent(QDragMoveEvent* event) {
    if (!DroppedNames(event->mimeData()).empty())
        event->acceptProposedAction();
}

void CMainWindow::dropEvent(QDropEvent* event) {
    std::vector<std::string> names = DroppedNames(event->mimeData());
    if (names.empty())
        return;
    event->acceptProposedAction();
    dropping_ = true;
    Run([this, &names] { main_->DropFiles(names); });
    dropping_ = false;
}

// What the commands ask of the window.

bool CMainWindow::AskSaveFile(const CFileDialogRequest& question, std::string& chosenPath) {
    return ::AskSaveFile(this, question, chosenPath);
}

std::vector<std::string> CMainWindow::AskFilesToOpen(const CFileDialogRequest& request,
                                                     bool several) {
    return AskOpenFiles(this, request, several);
}

void CMainWindow::ShowMessage(const std::string& title, const std::string& text) {
    auto show = [this, title = FromBytes(title), text = FromBytes(text)] {
        QMessageBox box(QMessageBox::Information, title, text, QMessageBox::Ok, this);
        box.setObjectName(QStringLiteral("message"));
        box.exec();
    };
    // The program that dragged the files waits until the drop is over: what the drop
    // has to say comes after it.
    if (dropping_)
        QTimer::singleShot(0, this, show);
    else
        show();
}

void CMainWindow::ExportStarted() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    progress_ = new QProgressDialog(this);
    progress_->setObjectName(QStringLiteral("exportProgress"));
    progress_->setWindowTitle(QStringLiteral("Tunevarn"));
    progress_->setCancelButton(nullptr);
    progress_->setWindowModality(Qt::WindowModal);
    progress_->setMinimumDuration(500);
    progress_->setRange(0, 1000);
    progress_->setValue(0);
}

void CMainWindow::ExportProgress(int64_t done, int64_t total) {
    if (progress_ != nullptr && total > 0)
        progress_->setValue(static_cast<int>(std::min<int64_t>(1000, done * 1000 / total)));
}

void CMainWindow::ExportEnded() {
    delete progress_;
    progress_ = nullptr;
    QApplication::restoreOverrideCursor();
}

int32_t CMainWindow::AskNormalizeDefault() {
    return CNormalizeInfoDlg::Run(this);
}

bool CMainWindow::AskNewTitle(std::string& title) {
    return CRenameDlg::Run(title, this);
}

void CMainWindow::RunPlayer(const CPlayerSongs& songs) {
    windows_.RunPlayer(this, songs);
}

void CMainWindow::RunRecordDialog(const CRecordDialogRequest& request) {
    windows_.RunRecordDialog(this, request);
}

void CMainWindow::RunCoverDialog() {
    if (main_ != nullptr)
        windows_.RunCoverDialog(this, *main_);
}

void CMainWindow::ShowTipOfTheDay() {
    CTipDlg::ShowTipOfTheDay(app_.StartFolder(), this);
}

SaveChangesAnswer CMainWindow::AskSaveChanges(const std::string& question) {
    QMessageBox box(QMessageBox::Question, QString::fromLatin1(tunevarn::kProgramName),
                    FromBytes(question),
                    QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, this);
    box.setObjectName(QStringLiteral("saveChanges"));
    box.setDefaultButton(QMessageBox::Save);
    box.setEscapeButton(QMessageBox::Cancel);
    switch (box.exec()) {
        case QMessageBox::Save:
            return SaveChangesAnswer::kSave;
        case QMessageBox::Discard:
            return SaveChangesAnswer::kDiscard;
        default:
            return SaveChangesAnswer::kCancel;
    }
}

void CMainWindow::ShowStatusNote(const std::string& text) {
    totals_->setText(FromBytes(text));
    noteTimer_.start(kStatusNoteMs);
}

void CMainWindow::ShowHelpPage(const std::string& path) {
    if (!help_)
        help_ = new CHelpWindow(this);
    help_->ShowPage(PathText(path));
}

void CMainWindow::SetCommandEnabled(int32_t controlId, bool enabled, const std::string& whyNot) {
    SetPictureButtonEnabled(controlId, enabled, FromBytes(whyNot));
}

void CMainWindow::RefreshTexts() {
    recorder_->setText(FromBytes(app_.RecorderLine()));
    if (main_ != nullptr) {
        main_->SongList().UpdateStatusLine();
        totals_->setText(FromBytes(main_->SongList().StatusLine()));
    }
    if (model_)
        model_->RetitleColumns();
    RefreshTooltips();
    list_->setAccessibleName(MenuText(kListNameText));
}

void CMainWindow::Minimize() {
    showMinimized();
}

void CMainWindow::CloseMainWindow() {
    accept();
}
