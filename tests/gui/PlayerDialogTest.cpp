// The player window through its widgets: a scripted decoder and device stand in for the
// sound card (the feeder thread still runs).
#include <gtest/gtest.h>

#include <QContextMenuEvent>
#include <QLabel>
#include <QMenu>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <filesystem>
#include <functional>
#include <memory>
#include <tuple>

#include "GuiRig.h"
#include "gui/PlayerDialog.h"
#include "player/PlayerFakes.h"
#include "support/TestPaths.h"
#include "ui/LanguageTable.h"

using namespace playertest;

namespace {
using P = CPlayerDialog;

// Three songs; every one plays for minutes unless the test lets the device hear it.
struct CThreeSongs {
    CScriptedSource source;
    CScriptedOutput output{CScriptedOutput::Pace::kHeld};
    std::atomic<int64_t> now{1000};
    CPlayerSongs songs{{"/m/a.mp3", "/m/b.mp3", "/m/c.mp3"}, {"Morning", "Noon", "Evening"}, 1};

    CThreeSongs() {
        source.songs["/m/a.mp3"] = {176400LL * 100, 100};
        source.songs["/m/b.mp3"] = {176400LL * 205, 205};
        source.songs["/m/c.mp3"] = {176400LL * 61, 61};
    }
    std::unique_ptr<P> Window() {
        return std::make_unique<P>(songs, source, output, [this] { return now.load(); });
    }
};

void Show(QWidget& window) {
    window.show();
    QApplication::setActiveWindow(&window);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
}

void Click(P& dialog, int32_t id) {
    QPoint centre = dialog.PictureButtonRect(id).center();
    QTest::mouseMove(&dialog, centre);
    QTest::mouseClick(&dialog, Qt::LeftButton, Qt::NoModifier, centre);
}

std::string LineText(QLabel* label) {
    return label->text().toStdString();
}

TEST(ThreadedPlayerDialog, PicturesRunTheirCommandsAndStepAroundTheList) {
    CThreeSongs rig;
    auto dialog = rig.Window();
    P& d = *dialog;
    // Before the window opens, nothing plays and the lines read as the window was made.
    EXPECT_EQ(LineText(d.NameLine()), "Name: ");
    EXPECT_EQ(LineText(d.TimeLine()), "Time: 00:00");
    EXPECT_TRUE(rig.source.Opened().empty());

    // Opened, it plays the song it was handed.
    Show(d);
    EXPECT_EQ(LineText(d.NameLine()), NameLine(2, "Noon"));
    EXPECT_EQ(LineText(d.TimeLine()), "Time: 00:00/03:25");
    EXPECT_EQ(d.windowTitle(), "Playing: Noon");
    EXPECT_TRUE(d.Player().Playing());
    EXPECT_TRUE(d.Clock().isActive());

    Click(d, P::kStop);
    EXPECT_FALSE(d.Player().Playing());
    EXPECT_FALSE(d.Clock().isActive());
    EXPECT_GE(rig.output.Stops(), 1);
    Click(d, P::kPlay);
    EXPECT_TRUE(d.Player().Playing());
    // Play while playing: nothing new is opened.
    Click(d, P::kPlay);
    Click(d, P::kNext);
    EXPECT_EQ(LineText(d.NameLine()), NameLine(3, "Evening"));
    EXPECT_EQ(LineText(d.TimeLine()), "Time: 00:00/01:01");
    EXPECT_EQ(d.windowTitle(), "Playing: Evening");
    // Next on the last plays the first, Previous on the first plays the last.
    Click(d, P::kNext);
    EXPECT_EQ(LineText(d.NameLine()), NameLine(1, "Morning"));
    Click(d, P::kPrevious);
    EXPECT_EQ(LineText(d.NameLine()), NameLine(3, "Evening"));
    Click(d, P::kPrevious);
    EXPECT_EQ(LineText(d.NameLine()), NameLine(2, "Noon"));
    EXPECT_TRUE(d.Player().Playing());
    EXPECT_EQ(rig.source.Opened(), (std::vector<std::string>{"/m/b.mp3", "/m/b.mp3", "/m/c.mp3",
                                                             "/m/a.mp3", "/m/c.mp3", "/m/b.mp3"}));
    // From the keyboard: Space on a picture that Tab reached presses it, and each picture
    // has a name to announce.
    for (int32_t id : {P::kPlay, P::kStop, P::kPrevious, P::kNext, P::kClose})
        EXPECT_FALSE(d.PictureButtonKey(id)->accessibleName().isEmpty()) << id;
    d.PictureButtonKey(P::kNext)->setFocus(Qt::TabFocusReason);
    QTest::keyClick(d.PictureButtonKey(P::kNext), Qt::Key_Space);
    EXPECT_EQ(LineText(d.NameLine()), NameLine(3, "Evening"));

    Click(d, P::kClose);
    EXPECT_FALSE(d.isVisible());
    EXPECT_EQ(d.result(), QDialog::Rejected);
    EXPECT_FALSE(d.Player().Playing());
}

TEST(ThreadedPlayerDialog, CloseEscapeAndTheCloseBoxSilenceTheSongAndEndTheModalRun) {
    const std::vector<std::pair<const char*, std::function<void(P*)>>> ways = {
        {"Close picture", [](P* d) { Click(*d, P::kClose); }},
        {"Escape", [](P* d) { QTest::keyClick(d, Qt::Key_Escape); }},
        {"close box", [](P* d) { d->close(); }},
    };
    for (const auto& way : ways) {
        SCOPED_TRACE(way.first);
        const std::function<void(P*)>& act = way.second;  // clang 14 cannot capture a binding
        // The device holds every buffer: only a stop that throws them away returns.
        CThreeSongs rig;
        auto dialog = rig.Window();
        bool wasPlaying = false;
        WhenModal<P>([&](P* d) {
            ASSERT_TRUE(WaitUntil([&] { return rig.output.TotalQueued() == 3; }));
            wasPlaying = d->Player().Playing();
            act(d);
        });
        EXPECT_EQ(dialog->exec(), QDialog::Rejected);
        EXPECT_TRUE(wasPlaying);
        EXPECT_FALSE(dialog->Player().Playing());
        EXPECT_GE(rig.output.Stops(), 1);
        EXPECT_EQ(rig.output.Closes(), 1);
        EXPECT_FALSE(dialog->Clock().isActive());
    }
}

}  // namespace
