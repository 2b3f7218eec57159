#include "GuiRig.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QContextMenuEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPointer>
#include <QTimer>
#include <QUrl>
#include <filesystem>

#include "app/BackendChoice.h"
#include "gui/SongListView.h"
#include "support/TestPaths.h"
#include "ui/LanguageTable.h"

void WhenModal(const char* className, std::function<void(QWidget*)> action, int timeoutMs) {
    auto* timer = new QTimer;
    auto* clock = new QElapsedTimer;
    clock->start();
    std::string wanted = className;
    QObject::connect(timer, &QTimer::timeout, [timer, clock, wanted, action, timeoutMs] {
        QWidget* modal = QApplication::activeModalWidget();
        bool found = modal != nullptr && modal->isVisible() && modal->inherits(wanted.c_str());
        if (!found && clock->elapsed() < timeoutMs)
            return;
        timer->stop();
        timer->deleteLater();
        delete clock;
        if (!found) {
            ADD_FAILURE() << "no " << wanted << " opened";
            if (modal != nullptr)
                modal->close();
            return;
        }
        action(modal);
        // A window the action failed to close would hold the test for ever.
        QPointer<QWidget> left(modal);
        QTimer::singleShot(timeoutMs, [left, wanted] {
            if (left && left->isVisible() && QApplication::activeModalWidget() == left) {
                ADD_FAILURE() << wanted << " stayed open";
                left->close();
            }
        });
    });
    timer->start(10);
}

void ChooseMenuItem(QMenu* menu, int32_t commandId) {
    for (QAction* action : menu->actions()) {
        if (!action->isSeparator() && action->data().toInt() == commandId) {
            QTest::mouseClick(menu, Qt::LeftButton, Qt::NoModifier,
                              menu->actionGeometry(action).center());
            return;
        }
    }
    ADD_FAILURE() << "no menu item " << commandId;
    menu->close();
}

void ClickButton(QWidget* dialog, const QString& text) {
    for (QAbstractButton* button : dialog->findChildren<QAbstractButton*>()) {
        if (button->text().remove(QLatin1Char('&')) == text && button->isVisible()) {
            QTest::mouseClick(button, Qt::LeftButton);
            return;
        }
    }
    ADD_FAILURE() << "no button " << text.toStdString();
    dialog->close();
}

void ChooseInFileDialog(QWidget* dialog, const QString& fileNames) {
    auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    if (edit == nullptr) {
        ADD_FAILURE() << "file dialog without a name field";
        dialog->close();
        return;
    }
    // Set at once: typed letter by letter, the name field's completer joins in.
    edit->setText(fileNames);
    QTest::keyClick(edit, Qt::Key_Return);
}

namespace {
struct First : IChooseRecorder {
    int32_t ChooseRecorder(const std::vector<std::string>&) override { return 0; }
};
}  // namespace

std::unique_ptr<IScsiBackend> CMainWindowRig::VirtualRecorder(const std::string& out) {
    std::string problem;
    return ChooseScsiBackend(out.c_str(), nullptr, problem);
}

CMainWindowRig::CMainWindowRig(std::unique_ptr<IScsiBackend> backend, const std::string& driver)
    : start_(testpaths::TempDir("gui")) {
    CLanguageTable& languages = LanguageTable();
    languages.SetStartFolder(start_);
    languages.EnumerateLanguages();
    languages.SelectLanguage(0);
    app_ = std::make_unique<CBurnerApp>(start_, messages_.Queue());
    if (backend) {
        app_->Transport().UseBackend(std::move(backend));
        app_->Recorders().SetDriverOverride(driver);
        First chooser;
        app_->Recorders().DetectRecorders(start_, chooser);
    }
    windows.SetDriverMessages(messages_.Queue());
    window_ = std::make_unique<CMainWindow>(*app_, windows);
    main_ = std::make_unique<CMainDialog>(*window_, shell, *app_);
    window_->Present(*main_);
    window_->show();
    QApplication::setActiveWindow(window_.get());
    EXPECT_TRUE(QTest::qWaitForWindowExposed(window_.get()));
}

CMainWindowRig::~CMainWindowRig() {
    window_->Unbind();
    main_.reset();
    window_.reset();
    LanguageTable().SelectLanguage(0);
}

void CMainWindowRig::Click(int32_t controlId) {
    const QPoint centre = window_->PictureButtonRect(controlId).center();
    QTest::mouseMove(window_.get(), centre);
    QTest::mouseClick(window_.get(), Qt::LeftButton, Qt::NoModifier, centre);
}

QPoint CMainWindowRig::RowPoint(int32_t row, int x) const {
    QRect rect = window_->ListView()->visualRect(window_->ListView()->model()->index(row, 0));
    return QPoint(x, rect.center().y());
}

QWidget* CMainWindowRig::Viewport() const {
    return window_->ListView()->viewport();
}

QMenu* CMainWindowRig::RightClickList(QPoint pos) {
    QTest::mouseClick(Viewport(), Qt::RightButton, Qt::NoModifier, pos);
    QContextMenuEvent event(QContextMenuEvent::Mouse, pos, Viewport()->mapToGlobal(pos));
    QApplication::sendEvent(Viewport(), &event);
    return window_->OpenMenu();
}

void CMainWindowRig::Drop(QWidget* target, QPoint pos, const std::vector<std::string>& paths) {
    QMimeData data;
    QList<QUrl> urls;
    for (const std::string& path : paths) urls << QUrl::fromLocalFile(QString::fromStdString(path));
    data.setUrls(urls);
    QDragEnterEvent enter(pos, Qt::CopyAction, &data, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    QDropEvent drop(QPointF(pos), Qt::CopyAction, &data, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
}

std::vector<std::string> CMainWindowRig::Titles() const {
    std::vector<std::string> titles;
    for (int32_t i = 0; i < main_->SongList().RowCount(); ++i)
        titles.push_back(main_->SongList().Title(i));
    return titles;
}

std::vector<std::string> CMainWindowRig::Names() const {
    std::vector<std::string> names;
    for (int32_t i = 0; i < main_->SongList().RowCount(); ++i)
        names.push_back(std::filesystem::path(main_->SongList().FullPath(i)).stem().string());
    return names;
}
