// The start-up sequence: languages, recorders, splash, the main window, in that order.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/BackendChoice.h"
#include "app/BurnerApp.h"
#include "app/ImageRecorder.h"
#include "app/MainDialog.h"
#include "support/FakeMainWindow.h"
#include "support/TestPaths.h"

namespace {
struct CFakeStartUp : IStartUpUi {
    CFakeMainWindow window;
    std::vector<std::string> steps;
    int32_t languageAnswer = 0;
    int32_t recorderAnswer = 0;
    bool recordEnabled = false;
    std::string recorderLine;

    int32_t RunLanguageDialog(const std::vector<std::string>& rows) override {
        steps.push_back("language dialog (" + std::to_string(rows.size()) + " rows)");
        return languageAnswer;
    }
    int32_t ChooseRecorder(const std::vector<std::string>& lines) override {
        steps.push_back("choose recorder (" + std::to_string(lines.size()) + ")");
        return recorderAnswer;
    }
    void ShowSplashScreen() override { steps.push_back("splash"); }
    IMainWindowUi& MainWindowUi() override { return window; }
    IShell& Shell() override { return window; }
    void RunMainWindow(CMainDialog& main) override {
        steps.push_back("main window");
        main.SongList().AddSong(testpaths::Fixture("m1_44100_stereo.mp3"));
        main.DropFiles({});
        recordEnabled = main.IsCommandEnabled(CMainDialog::kRecordControl);
    }
};

std::string WriteBus(const std::string& dir, int recorders) {
    std::string path = dir + "/bus.txt";
    std::ofstream bus(path);
    for (int i = 0; i < recorders; ++i)
        bus << "[device]\nvendor = V" << i << "\nproduct = Burner\nrevision = 1.0\n";
    return path;
}

// Languages first on a first start, then the recorders (a question only among several;
// "Image file" comes after the drives, also when there are none), the splash when it is
// enabled, and the main window.
TEST(StartUp, LanguageRecordersSplashAndTheMainWindowInOrder) {
    struct Case {
        bool firstStart;  // no language chosen yet; the splash enabled
        int drives;
        bool imageFile;
        int32_t answer;     // the user's choice of recorder, -1 to cancel
        const char* steps;  // as the user sees them, one after the other
        std::string line;
    };
    const Case cases[] = {
        {true, 2, false, 1, "language dialog (1 rows); choose recorder (2); splash; main window",
         "CD Recorder: V1 Burner 1.0"},
        {false, 2, false, -1, "choose recorder (2); main window", "No CDR driver found."},
        {false, 0, true, -1, "main window", "CD Recorder: Image file"},
        {false, 1, true, -1, "main window", "CD Recorder: V0 Burner 1.0"},
        {false, 2, true, 2, "choose recorder (3); main window", "CD Recorder: Image file"},
    };
    for (const Case& c : cases) {
        std::string start = testpaths::TempDir("startup");
        if (!c.firstStart)
            std::ofstream(start + "/language.set") << "English\n$$default.ini\n";
        std::string problem;
        CFakeStartUp ui;
        CBurnerApp app(start, ui.window);
        auto drives = c.drives > 0 ? ChooseScsiBackend(start.c_str(),
                                                       WriteBus(start, c.drives).c_str(), problem)
                                   : ChooseScsiBackend(nullptr, (start + "/none").c_str(), problem);
        app.Transport().UseBackend(c.imageFile ? WithImageRecorder(std::move(drives))
                                               : std::move(drives));
        ui.recorderAnswer = c.answer;
        EXPECT_FALSE(app.StartUp(ui, c.firstStart));
        std::string steps;
        for (const std::string& step : ui.steps) steps += (steps.empty() ? "" : "; ") + step;
        EXPECT_EQ(steps, c.steps) << c.line;
        EXPECT_EQ(app.RecorderLine(), c.line);
        EXPECT_EQ(app.Driver() != nullptr, c.answer != -1 || c.drives != 2) << c.line;
        EXPECT_EQ(ui.recordEnabled, app.Driver() != nullptr) << c.line;
        EXPECT_TRUE(std::filesystem::exists(start + "/language.set"));
        EXPECT_TRUE(!c.firstStart || std::filesystem::exists(start + "/cdrlog.txt"));
    }
}
}  // namespace
