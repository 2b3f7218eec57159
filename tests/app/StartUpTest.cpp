// The start-up sequence: languages, recorders, splash, the main window, in that order.
#include <gtest/gtest.h>

#include <cstdlib>
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

TEST(StartUp, FirstStartWithTwoRecorders) {
    std::string start = testpaths::TempDir("startup");
    std::string problem;
    CFakeStartUp ui;
    CBurnerApp app(start, ui.window);
    app.Transport().UseBackend(
        ChooseScsiBackend(start.c_str(), WriteBus(start, 2).c_str(), problem));
    ASSERT_EQ(problem, "");
    ui.recorderAnswer = 1;
    EXPECT_FALSE(app.StartUp(ui, true));
    EXPECT_EQ(ui.steps, (std::vector<std::string>{"language dialog (1 rows)", "choose recorder (2)",
                                                  "splash", "main window"}));
    ASSERT_NE(app.Driver(), nullptr);
    EXPECT_EQ(app.Recorders().RecorderLine(), "CD Recorder: V1 Burner 1.0");
    EXPECT_TRUE(ui.recordEnabled);
    EXPECT_TRUE(std::filesystem::exists(start + "/language.set"));
    EXPECT_TRUE(std::filesystem::exists(start + "/cdrlog.txt"));
}

TEST(StartUp, CancelledChoiceLeavesNoDriverButTheWindowRuns) {
    std::string start = testpaths::TempDir("startup-cancel");
    std::ofstream(start + "/language.set") << "English\n$$default.ini\n";
    std::string problem;
    CFakeStartUp ui;
    CBurnerApp app(start, ui.window);
    app.Transport().UseBackend(
        ChooseScsiBackend(start.c_str(), WriteBus(start, 2).c_str(), problem));
    ui.recorderAnswer = -1;
    EXPECT_FALSE(app.StartUp(ui, false));
    EXPECT_EQ(ui.steps, (std::vector<std::string>{"choose recorder (2)", "main window"}));
    EXPECT_EQ(app.Driver(), nullptr);
    EXPECT_FALSE(ui.recordEnabled);
    EXPECT_EQ(app.Recorders().RecorderLine(), "No CDR driver found.");
}
// "Image file" comes after the drives, also when there are none; one drive is still
// taken without a question.
TEST(StartUp, TheImageFileIsOfferedAfterTheDrives) {
    struct Case {
        int drives;
        int32_t answer;  // -1: no question expected
        const char* line;
    };
    for (const Case c : {Case{0, -1, "CD Recorder: Image file"},
                         Case{1, -1, "CD Recorder: V0 Burner 1.0"},
                         Case{2, 2, "CD Recorder: Image file"}}) {
        std::string start = testpaths::TempDir("startup-image");
        std::ofstream(start + "/language.set") << "English\n$$default.ini\n";
        std::string problem;
        CFakeStartUp ui;
        CBurnerApp app(start, ui.window);
        auto drives = c.drives > 0
                          ? ChooseScsiBackend(start.c_str(), WriteBus(start, c.drives).c_str(), problem)
                          : ChooseScsiBackend(nullptr, (start + "/none").c_str(), problem);
        app.Transport().UseBackend(WithImageRecorder(std::move(drives)));
        ui.recorderAnswer = c.answer;
        EXPECT_FALSE(app.StartUp(ui, false));
        std::vector<std::string> steps{"main window"};
        if (c.answer >= 0)
            steps.insert(steps.begin(), "choose recorder (" + std::to_string(c.drives + 1) + ")");
        EXPECT_EQ(ui.steps, steps) << c.drives << " drives";
        EXPECT_EQ(app.RecorderLine(), c.line) << c.drives << " drives";
    }
}
}  // namespace
