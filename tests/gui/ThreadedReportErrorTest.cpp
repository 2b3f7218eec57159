// A driver's message from the recording worker: shown in the program's message box on the
// user-interface thread while that thread waits for the worker (as Stop does), and the worker
// goes on only after OK.  In the event loop: the Record dialog's write fault.
#include <gtest/gtest.h>

#include <QMessageBox>
#include <atomic>
#include <thread>

#include "GuiRig.h"
#include "gui/TraceBox.h"

namespace {
void AcknowledgeTrace(std::vector<std::string>& shown, std::atomic<int32_t>& workerDone) {
    WhenModal<QMessageBox>([&shown, &workerDone](QMessageBox* box) {
        shown.push_back(box->windowTitle().toStdString() + ": " + box->text().toStdString());
        // The worker is still held by the box.
        EXPECT_EQ(workerDone.load(), 0);
        ClickButton(box, "OK");
    });
}

TEST(ThreadedReportError, WhileTheWindowWaitsForTheWorker) {
    CDriverMessages messages;
    std::vector<std::string> shown;
    std::atomic<int32_t> done{0};
    AcknowledgeTrace(shown, done);
    std::thread worker([&] {
        messages.Queue().ReportError("Write error: medium not present");
        done = 1;
        messages.Queue().Notify();
    });
    // The user-interface thread waits for the worker, as the Record dialog's Stop does.
    EXPECT_TRUE(messages.Queue().WaitUntil([&] { return done.load() == 1; }, 20000));
    worker.join();
    EXPECT_EQ(shown, std::vector<std::string>{"Tunevarn: Write error: medium not present"});
}

}  // namespace
