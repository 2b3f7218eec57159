// A driver's message from the recording worker: shown in the program's message box on the
// user-interface thread, whether that thread runs its event loop (as while the Record
// dialog shows a write) or waits for the worker (as Stop does), and the worker goes on
// only after OK.
#include <gtest/gtest.h>

#include <QMessageBox>
#include <atomic>
#include <thread>

#include "GuiRig.h"
#include "gui/TraceBox.h"

namespace {
TEST(ThreadedReportError, WhileTheWindowRunsOrWaitsForTheWorker) {
    for (bool eventLoop : {true, false}) {
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
        // The box is up within milliseconds; a loop that never shows it must not hold the
        // worker for ever: the wait on the queue then shows it.
        const bool ended = eventLoop ? QTest::qWaitFor(finished, 5000)
                                     : messages.Queue().WaitUntil(finished, 20000);
        EXPECT_TRUE(ended) << eventLoop;
        if (!ended)
            messages.Queue().WaitUntil(finished, 20000);
        worker.join();
        EXPECT_EQ(shown, std::vector<std::string>{"Tunevarn: Write error: medium not present"});
    }
}

}  // namespace
