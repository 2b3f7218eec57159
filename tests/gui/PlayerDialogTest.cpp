// The player window through its widgets: a scripted decoder and device stand in for the
// sound card (the feeder thread still runs).  (A picture's keys are the skinned base's,
// pressed in the main window's session.)
#include <gtest/gtest.h>

#include <QLabel>
#include <QTest>
#include <atomic>
#include <functional>
#include <memory>

#include "GuiRig.h"
#include "gui/PlayerDialog.h"
#include "player/PlayerFakes.h"

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

void Click(P& dialog, int32_t id) {
    QPoint centre = dialog.PictureButtonRect(id).center();
    QTest::mouseMove(&dialog, centre);
    QTest::mouseClick(&dialog, Qt::LeftButton, Qt::NoModifier, centre);
}

// Each picture reaches its command (the songs opened tell which ran); the Close picture,
// Escape and the close box silence the song and end the modal run.
TEST(ThreadedPlayerDialog, PicturesRunTheirCommandsAndEveryWayOutSilencesTheSong) {
    const std::vector<std::pair<const char*, std::function<void(P*)>>> ways = {
        {"Close picture", [](P* d) { Click(*d, P::kClose); }},
        {"Escape", [](P* d) { QTest::keyClick(d, Qt::Key_Escape); }},
        {"close box", [](P* d) { d->close(); }},
    };
    for (const auto& way : ways) {
        SCOPED_TRACE(way.first);
        const std::function<void(P*)>& act = way.second;  // clang 14 cannot capture a binding
        const bool pictures = &way == &ways.front();
        // The device holds every buffer: only a stop that throws them away returns.
        CThreeSongs rig;
        auto dialog = rig.Window();
        bool wasPlaying = false;
        WhenModal<P>([&](P* d) {
            // It plays the song it was handed.
            ASSERT_TRUE(WaitUntil([&] { return rig.output.TotalQueued() == 3; }));
            if (pictures) {
                Click(*d, P::kStop);
                EXPECT_FALSE(d->Player().Playing());
                EXPECT_FALSE(d->Clock().isActive());
                Click(*d, P::kPlay);
                Click(*d, P::kPlay);  // while playing: nothing new is opened
                // Next on the last plays the first, Previous on the first plays the last.
                for (int32_t id : {P::kNext, P::kNext, P::kPrevious, P::kPrevious}) Click(*d, id);
                EXPECT_EQ(rig.source.Opened(),
                          (std::vector<std::string>{"/m/b.mp3", "/m/b.mp3", "/m/c.mp3", "/m/a.mp3",
                                                    "/m/c.mp3", "/m/b.mp3"}));
                // The window shows what the player says.
                EXPECT_EQ(d->windowTitle(), "Playing: Noon");
                EXPECT_EQ(d->NameLine()->text().toStdString(), NameLine(2, "Noon"));
                EXPECT_EQ(d->TimeLine()->text(), "Time: 00:00/03:25");
            }
            wasPlaying = d->Player().Playing();
            act(d);
        });
        EXPECT_EQ(dialog->exec(), QDialog::Rejected);
        EXPECT_TRUE(wasPlaying);
        EXPECT_FALSE(dialog->Player().Playing());
        EXPECT_GE(rig.output.Stops(), 1);
        EXPECT_EQ(rig.output.Closes(), rig.output.Opens()) << "every device opened is closed";
        EXPECT_FALSE(dialog->Clock().isActive());
    }
}

}  // namespace
