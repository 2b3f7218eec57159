// The drivers' common commands on the virtual recorder, with the figures a drive answers
// turned into what the drivers go by; replies that lie about their lengths; the waits for
// a drive; and the runs a driver refuses before the drive hears of the disc.
#include <gtest/gtest.h>

#include "disc/CdTextBuilder.h"
#include "support/VirtualRecorderRig.h"

namespace {
using testrig::CDriverRig;
using testrig::DriveOf;
using testrig::Model;
using Fault = CVirtualDevice::Fault;

Fault SenseOn(uint8_t operationCode, uint8_t key, uint8_t asc, uint8_t ascq = 0, int32_t first = 1,
              int32_t times = 1) {
    return {.operationCode = operationCode,
            .first = first,
            .times = times,
            .kind = Fault::Kind::kSense,
            .senseKey = key,
            .asc = asc,
            .ascq = ascq};
}

CVirtualDevice::Config With(std::vector<Fault> faults) {
    CVirtualDevice::Config config;
    config.faults = std::move(faults);
    return config;
}

TEST(DriverCommands, WhatTheDriveSaysBecomesWhatTheDriverGoesBy) {
    // A written disc whose last block is 335999; a lead-in from 97:27:00.
    CVirtualDevice::Config config;
    config.leadInSecond = 27;
    CDriverRig<> blank({2}, config);
    CCdrDriver& d = *blank.driver;
    EXPECT_EQ(d.leadInLength, 11475);
    EXPECT_EQ(d.leadOutLength, 6750);
    EXPECT_EQ(d.NextWritableAddress(), 0);

    EXPECT_EQ(d.SetSpeed(2, 4), 0);
    EXPECT_EQ(blank.Device().CurrentWriteSpeed(), 708u);
    EXPECT_EQ(d.SetSpeed(2, 0), 0);
    EXPECT_EQ(bigendian::Get16(&blank.Last().cdb[4]), 0xFFFFu);
    EXPECT_EQ(d.SetSpeed(2, 400), 0) << "beyond the field: as fast as it goes";
    EXPECT_EQ(bigendian::Get16(&blank.Last().cdb[4]), 0xFFFFu);

    config.disc = CVirtualDevice::Disc::kWritten;
    CDriverRig<> written({2}, config);
    int32_t blocks = 0;
    EXPECT_EQ(written.driver->ReadCapacity(blocks), 0);
    EXPECT_EQ(blocks, 336000);
    EXPECT_EQ(written.driver->NextWritableAddress(), CCdrDriver::kNoWritableAddress);
    EXPECT_EQ(written.driver->CheckBlankDisc(), 1);

    // Unit attention is no failure; not ready is 2; anything else 1.
    CDriverRig<> attention(
        {2}, With({SenseOn(0x00, 6, 0x28, 0, 1),
                   SenseOn(0x00, 2, 0x04, 1, 2),
                   {.operationCode = 0x00, .first = 3, .kind = Fault::Kind::kTransport}}));
    EXPECT_EQ(attention.driver->TestUnitReady(), 0);
    EXPECT_EQ(attention.driver->TestUnitReady(), 2);
    EXPECT_EQ(attention.driver->TestUnitReady(), 1);
    EXPECT_EQ(attention.driver->TestUnitReady(), 0);
}

TEST(DriverCommands, ModePagesFitTheirBuffersOrAreRefused) {
    CDriverRig<> rig({2}, {});
    CCdrDriver& d = *rig.driver;
    std::array<uint8_t, 56> page{};
    EXPECT_EQ(d.ModeSense10(0x05, page), 0);
    EXPECT_EQ(page[0], 0x05);
    std::array<uint8_t, 40> small{};
    small.fill(0xAA);
    EXPECT_EQ(d.ModeSense10(0x05, small), 2);
    EXPECT_EQ(rig.ui.messages.size(), 1u);
    EXPECT_EQ(small[0], 0) << "the buffer is cleared first";
    // 200 + 104 bytes do not fit the one-byte allocation length: it becomes 0.
    std::array<uint8_t, 200> large{};
    EXPECT_EQ(d.ModeSense6(0x2A, large, nullptr, nullptr), 1);
    EXPECT_EQ(rig.Last().cdb[4], 0);

    // A page that is longer than its span, or cannot fit a six-byte parameter list, is
    // never sent.
    const size_t sent = rig.Device().Log().size();
    std::array<uint8_t, 10> cut = {0x05, 0x36};
    EXPECT_EQ(d.ModeSelect10(cut), 1);
    std::array<uint8_t, 257> huge{};
    huge[0] = 0x30;
    huge[1] = 0xFF;
    EXPECT_EQ(d.ModeSelect6(huge, nullptr, nullptr), 1);
    EXPECT_EQ(rig.Device().Log().size(), sent);
}

TEST(DriverCommands, RepliesThatLieAboutTheirLengthsCopyNothing) {
    // Descriptor length far past the reply; a page length more than the buffer; a data
    // length no longer than the header; a page that runs past the 208 bytes asked for.
    std::vector<uint8_t> pastTheEnd(202, 0);
    pastTheEnd[1] = 0xFF;
    pastTheEnd[7] = 0xC0;
    pastTheEnd[200] = 0x04;
    pastTheEnd[201] = 0x20;
    CVirtualDevice::Config config;
    config.replies = {{{0x5A, 0x00, 0x01}, {0x00, 0xFF, 0, 0, 0, 0, 0x00, 0xF0}},
                      {{0x5A, 0x00, 0x02}, {0x00, 0x20, 0, 0, 0, 0, 0, 0, 0x02, 0xFF}},
                      {{0x5A, 0x00, 0x03}, {0x00, 0x06, 0, 0, 0, 0, 0, 0}},
                      {{0x5A, 0x00, 0x04}, pastTheEnd}};
    CDriverRig<> rig({2}, config);
    std::array<uint8_t, 56> page{};
    std::array<uint8_t, 255> buffer{};
    EXPECT_EQ(rig.driver->ModeSense10(0x01, page), 1);
    EXPECT_EQ(rig.driver->ModeSense10(0x02, page), 2);
    EXPECT_EQ(rig.driver->ModeSense10(0x03, page), 1);
    EXPECT_EQ(rig.driver->ModeSense10(0x04, buffer), 1);
    EXPECT_EQ(page, (std::array<uint8_t, 56>{}));
}

TEST(DriverCommands, WaitingForTheDriveAsksOnceASecondForItsTime) {
    CDriverRig<> settling({2}, With({SenseOn(0x00, 2, 0x04, 0x01, 1, 3)}));
    settling.driver->WaitReady(300);
    EXPECT_EQ(settling.sleeps, (std::vector<int32_t>{1000, 1000, 1000}));
    EXPECT_EQ(settling.Device().Log().size(), 4u);

    CDriverRig<> never({2}, With({SenseOn(0x00, 2, 0x04, 0x08, 1, -1)}));
    never.driver->WaitReady(5);
    EXPECT_EQ(never.sleeps.size(), 5u);
    EXPECT_EQ(never.Device().Log().size(), 6u);
}

// The messages that come before anything is written, and the drives whose buffer cannot
// be followed: the disc is still written, without flow control, after a bounded wait.
TEST(ThreadedDriverWrites, RefusalsAndDrivesThatCannotBeFollowed) {
    std::vector<uint8_t> nonZero(28, 0);  // a "blank" disc whose writing starts at 100
    nonZero[1] = 26;
    nonZero[7] = 0x01;
    nonZero[15] = 100;
    std::vector<uint8_t> tenSeconds(34, 0);  // the last lead-out may start at 00:10:00
    tenSeconds[1] = 32;
    tenSeconds[17] = 97;
    tenSeconds[18] = 24;
    tenSeconds[22] = 10;
    std::vector<uint8_t> stuck(12, 0);  // a buffer whose free count never grows
    stuck[1] = 10;
    bigendian::Put32(&stuck[4], 4 * 1024 * 1024);
    bigendian::Put32(&stuck[8], 1000);
    struct Case {
        const char* what;
        const char* driver;
        CVirtualDevice::Config drive;
        std::vector<int32_t> seconds;
        bool cdText = false;
        bool written = false;  // the disc completes
        int32_t waitedMs = 0;  // the driver's pauses, to within 10 %
    };
    auto replying = [](Model model, std::vector<CVirtualDevice::Config::Reply> replies) {
        CVirtualDevice::Config config = DriveOf(model);
        config.replies = std::move(replies);
        return config;
    };
    CVirtualDevice::Config noCdText;
    noCdText.cdText = false;
    const Case cases[] = {
        {"writing from block 100", "MMC", replying(Model::kMmc, {{{0x52}, nonZero}}), {2}},
        {"80:16 on 79:59", "MMC", DriveOf(Model::kMmc), {2400, 2414}},
        {"80:16 raw", "MMCRAW", DriveOf(Model::kMmcRaw), {2400, 2414}},
        {"80:18 with the gaps", "MMCTRACK", DriveOf(Model::kTrackAtOnce), {2400, 2412}},
        {"8 seconds on 00:10",
         "MMC",
         replying(Model::kMmc, {{{0x51}, tenSeconds}}),
         {8},
         false,
         true},
        {"9 seconds on 00:10", "MMC", replying(Model::kMmc, {{{0x51}, tenSeconds}}), {9}},
        {"CD-TEXT on a drive without", "MMCCDTEXT", noCdText, {2}, true},
        {"no buffer to ask",
         "MMC",
         With({SenseOn(0x5C, 5, 0x20, 0, 1, -1)}),
         {10},
         false,
         true,
         2000},
        {"a buffer that never drains",
         "MMC",
         replying(Model::kMmc, {{{0x5C}, stuck}}),
         {10},
         false,
         true,
         10000},
    };
    CCdTextBuilder builder;
    builder.AddText("Album", 0);
    builder.BuildPacks();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CDriverRig<> rig(c.seconds, c.drive, false, c.driver);
        if (c.cdText) {
            rig.driver->SetCdTextSource(&builder);
            ProcessFlags().cdTextInUse = 1;
        }
        rig.WriteDisc();
        EXPECT_EQ(rig.driver->DiscCompleted(), c.written ? 1 : 0);
        EXPECT_EQ(rig.ui.messages.size(), c.written ? 0u : 1u);
        if (!c.written) {
            EXPECT_TRUE(rig.Commands(0x2A).empty());
            EXPECT_TRUE(rig.Commands(0x5D).empty()) << "no cue sheet";
        }
        int32_t waited = 0;
        for (int32_t ms : rig.sleeps) waited += ms;
        if (c.waitedMs > 0) {
            EXPECT_GE(waited, c.waitedMs);
            EXPECT_LT(waited, c.waitedMs * 11 / 10);
            EXPECT_EQ(rig.ui.traces.size(), 1u) << "the trace says flow control is off";
        }
    }
}

}  // namespace
