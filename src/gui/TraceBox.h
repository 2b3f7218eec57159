#pragma once
// The recorder drivers' messages in the window program: a modal warning box titled with
// the program's name, with an OK button, over the main window when there is one.  It is
// only ever called on the user-interface thread; messages from the recording worker come
// through the driver message queue, which MakeDriverMessages wires to the event loop.
#include <QPointer>
#include <QWidget>
#include <memory>

#include "drivers/DriverMessageQueue.h"
#include "drivers/DriverUi.h"

class CTraceBox : public IDriverUi {
  public:
    void ReportError(const std::string& text) override;
    // The window the box belongs to.
    void SetOwner(QWidget* owner) { owner_ = owner; }

  private:
    QPointer<QWidget> owner_;
};

// The queue every driver reports through, created on the user-interface thread: a
// message from another thread waits there until the event loop (or a wait for the
// worker) has shown it and the user has pressed OK.
class CDriverMessages {
  public:
    CDriverMessages();
    ~CDriverMessages();
    CDriverMessageQueue& Queue() { return queue_; }
    CTraceBox& Box() { return box_; }

  private:
    CTraceBox box_;
    CDriverMessageQueue queue_;
    std::unique_ptr<QObject> receiver_;
};
