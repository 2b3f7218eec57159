// A driver's message from the recording worker: shown in the program's message box on the
// user-interface thread while that thread runs its event loop (as while the Record dialog
// shows a write), and the worker goes on only after OK.  (The wait for the worker that
// serves the message, as Stop does: the record run's test.)
#include <gtest/gtest.h>

#include <QMessageBox>
#include <atomic>
#include <thread>

#include "GuiRig.h"
#include "gui/TraceBox.h"

namespace {
TEST(ThreadedReportError, WhileTheWindowRunsItsEventLoop) {
    CDriverMessages messages;
    std::vector<std::string> shown;
    std::atomic<int32_t> done{0};
    WhenModal<QMessageBox>([&](QMessageBox* box) {
        shown.push_back(box->windowTitle().toStdString() + ": " + box->text().toStdString());
        EXPECT_EQ(done.load(), 0) << "the worker is still held by the box";
        ClickButton(box, "OK");
    });
    std::thread worker([&] {
        messages.Queue().ReportError("Write error: medium not present");
        done = 1;
        messages.Queue().Notify();
    });
    const auto finished = [&] { return done.load() == 1; };
    // A loop that never showed the box must not hold the worker for ever.
    if (!QTest::qWaitFor(finished, 5000)) {
        ADD_FAILURE() << "the event loop did not show the message";
        messages.Queue().WaitUntil(finished, 20000);
    }
    worker.join();
    EXPECT_EQ(shown, std::vector<std::string>{"Tunevarn: Write error: medium not present"});
}

}  // namespace
