#include "gui/TraceBox.h"

#include <QMessageBox>

#include "base/Version.h"
#include "gui/QtText.h"

void CTraceBox::ReportError(const std::string& text) {
    QMessageBox box(QMessageBox::Warning, QString::fromLatin1(tunevarn::kProgramName),
                    FromBytes(text), QMessageBox::Ok, owner_.data());
    box.setObjectName(QStringLiteral("driverMessage"));
    box.setWindowModality(Qt::ApplicationModal);
    box.exec();
}

CDriverMessages::CDriverMessages() : queue_(box_), receiver_(std::make_unique<QObject>()) {
    // From the sending thread: the user-interface thread shows the queue when its event
    // loop comes round.
    QObject* receiver = receiver_.get();
    queue_.SetWakeUp([this, receiver] {
        QMetaObject::invokeMethod(
            receiver, [this] { queue_.ShowPending(); }, Qt::QueuedConnection);
    });
}

CDriverMessages::~CDriverMessages() = default;
