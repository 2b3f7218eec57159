// The main window's commands, driven through a scripted window.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/BackendChoice.h"
#include "app/MainDialog.h"
#include "support/FakeMainWindow.h"
#include "support/Mp3Craft.h"
#include "support/TestPaths.h"
#include "ui/LanguageTable.h"

namespace {
namespace fs = std::filesystem;
// The warning of the commands that need a focused song.
const std::string kWarning = std::string("Warning: ") + CLanguageTable::BuiltInText(1001);

class MainCommands : public ::testing::Test {
  protected:
    void SetUp() override {
        start = testpaths::TempDir("main-start");
        music = testpaths::TempDir("main-music");
        for (int i = 1; i <= 5; ++i) mp3craft::WriteSeconds(Song(i), 10 * i);
    }
    std::string Song(int i) const { return music + "/s" + std::to_string(i) + ".mp3"; }
    std::string Titles(CMainDialog& d) {
        std::string t;
        for (int32_t i = 0; i < d.SongList().RowCount(); ++i) t += d.SongList().Title(i) + " ";
        return t;
    }

    // The application, with one virtual recorder when asked for.
    CBurnerApp& App(bool withRecorder) {
        apps.push_back(std::make_unique<CBurnerApp>(start, ui));
        CBurnerApp& app = *apps.back();
        if (withRecorder) {
            std::string problem;
            app.Transport().UseBackend(
                ChooseScsiBackend(testpaths::TempDir("main-vr").c_str(), nullptr, problem));
            struct First : IChooseRecorder {
                int32_t ChooseRecorder(const std::vector<std::string>&) override { return 0; }
            } first;
            app.Recorders().DetectRecorders(start, first);
        }
        return app;
    }

    std::string start, music;
    CFakeMainWindow ui;
    std::vector<std::unique_ptr<CBurnerApp>> apps;
};

TEST_F(MainCommands, InsertUsesTheMp3DialogAndRemembersItsFolder) {
    CMainDialog main(ui, ui, App(true));
    ui.openAnswers.push_back({Song(1), music + "/missing.mp3", Song(2)});
    main.InsertFiles();
    ASSERT_EQ(ui.dialogs.size(), 1u);
    EXPECT_EQ(ui.dialogs[0].folder, start);
    EXPECT_EQ(Titles(main), "s1 s2 ");
    EXPECT_TRUE(ui.enabled[CMainDialog::kDeleteControl]);
    EXPECT_TRUE(ui.enabled[CMainDialog::kRecordControl]);

    main.InsertFiles();  // cancelled: nothing changes
    EXPECT_EQ(ui.dialogs.back().folder, music);
    EXPECT_EQ(main.SongList().RowCount(), 2);

    // Saving the project over a song of the list, named through a link, is refused with
    // a message naming the file, and the song stays as it was.
    const std::vector<uint8_t> song = mp3craft::ReadBytes(Song(1));
    fs::create_symlink(Song(1), music + "/link.mpj");
    ui.saveAnswers.push_back(music + "/link.mpj");
    main.SaveProject();
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_NE(ui.messages[0].find(music + "/link.mpj"), std::string::npos) << ui.messages[0];
    EXPECT_EQ(mp3craft::ReadBytes(Song(1)), song);
}

TEST_F(MainCommands, RecordAndDeleteFollowTheListAndTheDriver) {
    CMainDialog noDriver(ui, ui, App(false));
    EXPECT_FALSE(noDriver.IsCommandEnabled(CMainDialog::kDeleteControl));
    EXPECT_FALSE(noDriver.IsCommandEnabled(CMainDialog::kRecordControl));
    const std::string emptyReason = noDriver.DisabledReason(CMainDialog::kRecordControl);
    noDriver.DropFiles({Song(1)});
    EXPECT_TRUE(noDriver.IsCommandEnabled(CMainDialog::kDeleteControl));
    EXPECT_FALSE(noDriver.IsCommandEnabled(CMainDialog::kRecordControl));
    EXPECT_EQ(ui.enabled.count(CMainDialog::kRecordControl), 0u);
    // A disabled control says why: no recorder, whatever the list holds.
    EXPECT_EQ(noDriver.DisabledReason(CMainDialog::kRecordControl), emptyReason);
    EXPECT_EQ(noDriver.DisabledReason(CMainDialog::kDeleteControl), "");

    CMainDialog main(ui, ui, App(true));
    main.DropFiles({Song(1), Song(2), Song(3)});
    auto& list = main.SongList();
    list.SetSelected(0, true);
    list.SetSelected(1, true);
    list.SetSelected(2, true);
    main.DeleteSongs();
    EXPECT_EQ(list.RowCount(), 0);
    EXPECT_FALSE(ui.enabled[CMainDialog::kDeleteControl]);
    EXPECT_FALSE(ui.enabled[CMainDialog::kRecordControl]);
    // With a recorder, an empty list is the reason, told with the change.
    EXPECT_FALSE(ui.whyNot[CMainDialog::kRecordControl].empty());
    EXPECT_NE(ui.whyNot[CMainDialog::kRecordControl], emptyReason);
    EXPECT_EQ(ui.whyNot[CMainDialog::kRecordControl], ui.whyNot[CMainDialog::kDeleteControl]);
    main.DropFiles({Song(4)});
    EXPECT_EQ(ui.whyNot[CMainDialog::kRecordControl], "");
    list.SetSelected(0, true);
    ui.saveChangesAnswers.push_back(SaveChangesAnswer::kDiscard);
    main.NewList();
    EXPECT_EQ(list.TotalSeconds(), 0);
    EXPECT_FALSE(main.IsCommandEnabled(CMainDialog::kDeleteControl));
    main.DeleteSongs();  // disabled: nothing happens
}

TEST_F(MainCommands, FocusedSongCommandsWarnWithoutFocus) {
    CMainDialog main(ui, ui, App(true));
    main.DropFiles({Song(1), Song(2), Song(3)});
    for (auto command :
         {&CMainDialog::MoveTop, &CMainDialog::MoveUp, &CMainDialog::MoveDown,
          &CMainDialog::MoveBottom, &CMainDialog::RenameSong, &CMainDialog::PlaySong})
        (main.*command)();
    EXPECT_EQ(ui.messages, std::vector<std::string>(6, kWarning));

    // With a focus: the moves themselves are the window's picture test; a rename keeps
    // the song and its length.
    ui.messages.clear();
    main.SongList().SetFocusedRow(0);
    main.MoveUp();  // already at the top: nothing, no message
    EXPECT_TRUE(ui.messages.empty());
    ui.renameAnswers.push_back("New title");
    main.RenameSong();
    EXPECT_EQ(Titles(main), "New title s2 s3 ");
    EXPECT_EQ(main.SongList().FullPath(0), Song(1));
    EXPECT_EQ(main.SongList().TotalSeconds(), 60);
}

// Exit, New and opening a project ask about a list that changed since it was saved or
// loaded, and only then; Cancel, or a save that does not happen, keeps it.
TEST_F(MainCommands, AChangedListIsNotLostWithoutAQuestion) {
    const std::string out = testpaths::TempDir("main-unsaved");
    using A = SaveChangesAnswer;
    CMainDialog main(ui, ui, App(false));
    main.Exit();
    EXPECT_EQ(ui.closed, 1);
    main.DropFiles({Song(1), Song(2)});
    main.Exit();  // cancelled
    ui.saveChangesAnswers = {A::kSave};
    main.Exit();  // the save dialog cancelled
    EXPECT_EQ(ui.closed, 1);
    EXPECT_EQ(ui.questions.size(), 2u);
    ui.saveChangesAnswers = {A::kSave};
    ui.saveAnswers.push_back(out + "/p.mpj");
    main.Exit();
    EXPECT_EQ(ui.closed, 2);
    EXPECT_TRUE(fs::exists(out + "/p.mpj"));
    main.Exit();  // saved: no question
    EXPECT_EQ(ui.closed, 3);
    EXPECT_EQ(ui.questions.size(), 3u);

    // A move is a change; moving a row in front of the one after it is none.
    ASSERT_TRUE(main.SongList().MoveSong(0, 1));
    EXPECT_FALSE(main.ListChanged());
    main.SongList().SetTitle(0, main.SongList().Title(0));
    EXPECT_FALSE(main.ListChanged());
    main.SongList().SetFocusedRow(1);
    main.MoveTop();
    EXPECT_TRUE(main.ListChanged());
    main.NewList();  // cancelled
    EXPECT_EQ(main.SongList().RowCount(), 2);
    ui.saveChangesAnswers = {A::kDiscard};
    main.NewList();
    EXPECT_EQ(main.SongList().RowCount(), 0);

    // A project opened is as saved; a rename changes it, and another project asks.
    ui.openAnswers.push_back({out + "/p.mpj"});
    main.OpenProject();
    EXPECT_FALSE(main.ListChanged());
    main.SongList().SetFocusedRow(0);
    ui.renameAnswers.push_back("Renamed");
    main.RenameSong();
    ui.openAnswers.push_back({out + "/p.mpj"});
    main.OpenProject();  // cancelled
    EXPECT_EQ(main.SongList().Title(0), "Renamed");
    EXPECT_EQ(ui.questions.size(), 6u);
    // What the question asks is the window's to show, in the current language.
    EXPECT_FALSE(ui.questions[0].empty());
}

TEST_F(MainCommands, RecordOffersEveryRowAndTheDiscTakesNinetyNine) {
    CBurnerApp& app = App(true);
    ASSERT_NE(app.Driver(), nullptr);
    CMainDialog main(ui, ui, app);
    mp3craft::WriteSeconds(music + "/short.mp3", 2);
    main.DropFiles(std::vector<std::string>(120, music + "/short.mp3"));
    main.SongList().SetTitle(0, "First title");
    ASSERT_EQ(main.SongList().RowCount(), 120);
    ASSERT_TRUE(main.IsCommandEnabled(CMainDialog::kRecordControl));

    int tracks = -1;
    std::string firstTitle;
    bool hadBuilder = false;
    ui.recordDialog = [&](const CRecordDialogRequest& request) {
        tracks = request.app.DiscImage().trackCount;
        firstTitle = request.app.DiscImage().trackTitle[0].data();
        hadBuilder = request.app.CdTextBuilder() != nullptr;
    };
    ui.normalizeAnswer = 1;  // "No, ... OFF by default"
    main.Record();
    EXPECT_EQ(tracks, 99);
    EXPECT_EQ(firstTitle, "First title");
    EXPECT_TRUE(hadBuilder);
    EXPECT_EQ(app.CdTextBuilder(), nullptr);  // gone with the dialog
    EXPECT_EQ(ui.recordDialogs, std::vector<int32_t>{0});
    EXPECT_EQ(main.SongList().RowCount(), 120);

    // The default was stored: the question is not asked again.
    main.Record();
    EXPECT_EQ(ui.normalizeQuestions, 1);
    EXPECT_EQ(ui.recordDialogs, (std::vector<int32_t>{0, 0}));
    EXPECT_EQ(mp3craft::ReadBytes(start + "/nml.log"), (std::vector<uint8_t>{0, 0, 0, 0}));
}

}  // namespace
