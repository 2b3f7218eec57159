// The main window's commands, driven through a scripted window.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
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
const std::string kWarning = "Warning: You should select a MP3 file in the list first.";

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
    EXPECT_EQ(ui.dialogs[0].filter, "MP3 Files {*.mp3}|*.mp3||");
    EXPECT_EQ(ui.dialogs[0].defaultExtension, "mp3");
    EXPECT_EQ(ui.dialogs[0].folder, start);
    EXPECT_EQ(Titles(main), "s1 s2 ");
    EXPECT_EQ(fs::file_size(start + "/MP3.dir"), 256u);
    EXPECT_TRUE(ui.enabled[CMainDialog::kDeleteControl]);
    EXPECT_TRUE(ui.enabled[CMainDialog::kRecordControl]);

    main.InsertFiles();  // cancelled: nothing changes
    EXPECT_EQ(ui.dialogs.back().folder, music);
    EXPECT_EQ(main.SongList().RowCount(), 2);
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

    ui.messages.clear();
    main.SongList().SetFocusedRow(0);
    main.MoveUp();  // already at the top: nothing, no message
    main.MoveTop();
    main.MoveBottom();
    EXPECT_EQ(Titles(main), "s2 s3 s1 ");
    main.MoveDown();
    EXPECT_TRUE(ui.messages.empty());

    ui.renameAnswers.push_back("New title");
    main.RenameSong();
    EXPECT_EQ(main.SongList().Title(2), "New title");
    EXPECT_EQ(main.SongList().FullPath(2), Song(1));
    EXPECT_EQ(main.SongList().TotalSeconds(), 60);
    main.RenameSong();  // cancelled
    EXPECT_EQ(main.SongList().Title(2), "New title");
}

TEST_F(MainCommands, PlayHandsOverAtMostEightySongs) {
    CMainDialog main(ui, ui, App(true));
    std::vector<std::string> many;
    mp3craft::WriteSeconds(music + "/one.mp3", 1);
    for (int i = 0; i < 100; ++i) many.push_back(music + "/one.mp3");
    main.DropFiles(many);
    ASSERT_EQ(main.SongList().RowCount(), 100);
    main.SongList().SetFocusedRow(5);
    main.PlaySong();
    ASSERT_EQ(ui.played.size(), 1u);
    EXPECT_EQ(ui.played[0].paths.size(), 80u);
    EXPECT_EQ(ui.played[0].current, 5);
    // Further down, the 80 rows that end the list, so the focused song is among them.
    main.SongList().SetFocusedRow(95);
    main.PlaySong();
    EXPECT_EQ(ui.played[1].paths.size(), 80u);
    EXPECT_EQ(ui.played[1].current, 95 - 20);
}

TEST_F(MainCommands, DropFoldersFilesAndPlaylists) {
    fs::create_directories(music + "/sub/.hidden");
    fs::copy_file(Song(1), music + "/sub/UPPER.MP3");
    fs::copy_file(Song(2), music + "/sub/.hidden/no.mp3");
    std::ofstream(music + "/sub/readme.txt") << "x";
    std::ofstream(music + "/list.PLS") << "[playlist]\nFile1=s3.mp3\n";
    std::ofstream(music + "/list.m3u") << "s4.mp3\n";
    std::ofstream(music + "/list.M3U8") << "#EXTINF:10,Tenth\ns1.mp3\n";
    fs::copy_file(Song(5), music + "/sound.wav");

    CMainDialog main(ui, ui, App(true));
    main.DropFiles({music + "/sub", music + "/list.PLS", music + "/sound.wav", music + "/list.m3u",
                    Song(5), music + "/list.M3U8"});
    EXPECT_EQ(Titles(main), "UPPER s3 s4 s5 Tenth ");
}

TEST_F(MainCommands, ProjectsAndExportsThroughTheirDialogs) {
    std::string out = testpaths::TempDir("main-out");
    CMainDialog main(ui, ui, App(true));
    main.DropFiles({Song(1), Song(2)});
    ui.saveAnswers.push_back(out + "/p.mpj");
    main.SaveProject();
    EXPECT_EQ(ui.dialogs.back().filter, "Recording Project{*.MPJ}|*.MPJ||");
    EXPECT_EQ(ui.dialogs.back().defaultExtension, "MPJ");
    ASSERT_TRUE(fs::exists(out + "/p.mpj"));

    ui.saveAnswers.push_back(out + "/l.m3u");
    main.ExportM3u();
    ui.saveAnswers.push_back(out + "/l.pls");
    main.ExportPls();
    ui.saveAnswers.push_back(out + "/no/such/dir/l.txt");
    main.ExportSongText();
    EXPECT_TRUE(fs::exists(out + "/l.m3u"));
    EXPECT_TRUE(fs::exists(out + "/l.pls"));
    ASSERT_EQ(ui.messages.size(), 1u);  // the failed write is reported
    EXPECT_EQ(ui.notes.size(), 3u);     // the files written are named
    EXPECT_NE(ui.messages[0].find("l.txt"), std::string::npos);
    EXPECT_EQ(ui.dialogs.back().filter, "Text file, for CD label printing{*.TXT}|*.TXT||");

    // Open replaces the list with a project, and adds the songs of a playlist.
    main.DropFiles({Song(3)});
    ui.saveChangesAnswers.push_back(SaveChangesAnswer::kDiscard);
    ui.openAnswers.push_back({out + "/p.mpj"});
    main.OpenProject();
    EXPECT_EQ(Titles(main), "s1 s2 ");
    EXPECT_EQ(ui.dialogs.back().defaultExtension, "MPJ");
    ui.openAnswers.push_back({out + "/l.M3U"});  // any letter case: still a playlist
    fs::rename(out + "/l.m3u", out + "/l.M3U");
    main.OpenProject();
    EXPECT_EQ(Titles(main), "s1 s2 s1 s2 ");

    // The save dialogs of the playlists share one remembered folder, the project its own.
    CMainDialog next(ui, ui, App(true));
    EXPECT_EQ(next.FolderMemory().Remembered(FolderKind::kPls), out + "/no/such/dir");
    EXPECT_EQ(next.FolderMemory().Remembered(FolderKind::kMpj), out);
}

TEST_F(MainCommands, WindowCommands) {
    LanguageTable().SetStartFolder(start);  // the language choice writes language.set there
    CMainDialog main(ui, ui, App(false));
    // Help: a missing page is said to be missing; without a browser the program shows it.
    main.Help();
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_NE(ui.messages[0].find(start + "/Help.htm"), std::string::npos);
    std::ofstream(start + "/Help.htm") << "<html></html>";
    main.Help();
    ui.hasBrowser = false;
    main.Help();
    EXPECT_EQ(ui.opened, std::vector<std::string>(2, start + "/Help.htm"));
    EXPECT_EQ(ui.helpPages, std::vector<std::string>{start + "/Help.htm"});
    EXPECT_EQ(ui.messages.size(), 1u);
    main.TipsOfTheDay();
    main.PrintCover();
    main.Minimize();
    main.Exit();
    EXPECT_EQ(ui.tips + ui.covers + ui.minimized + ui.closed, 4);
    EXPECT_TRUE(main.LanguageCommand(15000));
    EXPECT_EQ(ui.refreshes, 1);
    EXPECT_FALSE(main.LanguageCommand(1008));
    EXPECT_EQ(ui.refreshes, 1);
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

// Songs the disc budget refuses are named, from files and from playlists alike; a long
// batch names ten and counts the rest.
TEST_F(MainCommands, SongsRefusedForTheBudgetAreNamed) {
    mp3craft::WriteSeconds(music + "/long.mp3", CSongList::kBudgetSeconds - 15);
    std::ofstream(music + "/list.m3u") << "s3.mp3\n";
    CMainDialog main(ui, ui, App(false));
    main.DropFiles({music + "/long.mp3", Song(1), Song(2), music + "/list.m3u"});
    EXPECT_EQ(Titles(main), "long s1 ");
    ASSERT_EQ(ui.messages.size(), 1u);
    const std::string& text = ui.messages[0];
    EXPECT_NE(text.find("\ns2.mp3"), std::string::npos) << text;
    EXPECT_NE(text.find("\ns3.mp3"), std::string::npos) << text;
    EXPECT_EQ(text.find("s1.mp3"), std::string::npos) << text;

    ui.openAnswers.push_back(std::vector<std::string>(12, Song(2)));
    main.InsertFiles();
    ASSERT_EQ(ui.messages.size(), 2u);
    EXPECT_EQ(std::count(ui.messages[1].begin(), ui.messages[1].end(), '\n'), 11);
    const std::string last = ui.messages[1].substr(ui.messages[1].rfind('\n') + 1);
    EXPECT_EQ(last.find("s2.mp3"), std::string::npos);
    EXPECT_NE(last.find('2'), std::string::npos) << "the two not named are counted";
    main.InsertFiles();  // cancelled: nothing to tell
    EXPECT_EQ(ui.messages.size(), 2u);
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

TEST_F(MainCommands, RecordNeedsARecorderAndSongs) {
    CMainDialog noDriver(ui, ui, App(false));
    noDriver.DropFiles({Song(1)});
    noDriver.Record();
    CMainDialog empty(ui, ui, App(true));
    empty.Record();
    EXPECT_TRUE(ui.recordDialogs.empty());
    EXPECT_EQ(ui.normalizeQuestions, 0);
}

TEST_F(MainCommands, ExportsOfTheFocusedSong) {
    std::string out = testpaths::TempDir("main-wav");
    CMainDialog main(ui, ui, App(false));
    main.DropFiles({Song(1)});
    main.ExportWav();
    EXPECT_EQ(ui.messages, std::vector<std::string>{kWarning});
    main.SongList().SetFocusedRow(0);
    ui.saveAnswers.push_back(out + "/s1.wav");
    main.ExportWav();
    EXPECT_EQ(ui.dialogs.back().suggestedName, "s1.WAV");
    EXPECT_EQ(fs::file_size(out + "/s1.wav"), 44u + 10 * 176400u);
    ui.saveAnswers.push_back(out + "/s1.bin");
    main.ExportRawTrack();
    EXPECT_EQ(fs::file_size(out + "/s1.bin"), 10 * 176400u);
    EXPECT_EQ(main.FolderMemory().Remembered(FolderKind::kWav), out);
    // Each file written is named in the status line.
    ASSERT_EQ(ui.notes.size(), 2u);
    EXPECT_NE(ui.notes[0].find(out + "/s1.wav"), std::string::npos);
    EXPECT_NE(ui.notes[1].find(out + "/s1.bin"), std::string::npos);
}
}  // namespace
