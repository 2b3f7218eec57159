// The drives of the vendor command sets, driven by hand: what each refuses as a drive of
// its set would.
#include <gtest/gtest.h>

#include "base/BigEndian.h"
#include "support/VirtualRecorderRig.h"
#include "virtualdrive/VirtualExtentsModel.h"
#include "virtualdrive/VirtualTeacModel.h"

namespace {
using Bytes = std::vector<uint8_t>;
using Model = CVirtualDeviceConfig::Model;

CVirtualDevice::Config Drive(Model model) {
    CVirtualDevice::Config config = testrig::DriveOf(model);
    config.outputFolder = testpaths::TempDir("vendor");
    return config;
}

struct Step {
    Bytes cdb;
    Bytes data;         // sent with the command; none: a command without data (or 8 bytes in)
    const char* sense;  // "" for good
};

// Each step on the same drive, in order: the sense it answers with.
void Expect(Model model, const std::vector<Step>& steps) {
    testrig::CVirtualRecorder rig(Drive(model));
    for (const Step& step : steps) {
        int32_t result = 0;
        if (!step.data.empty()) {
            result = rig.Out(step.cdb, step.data);
        } else {
            Bytes reply(8);
            result = step.cdb[0] == 0x5A || step.cdb[0] == 0xEE ? rig.In(step.cdb, reply)
                                                                : rig.None(step.cdb);
        }
        EXPECT_EQ(result == 0 ? std::string() : rig.Sense(), step.sense)
            << rig.Device().Log().back().Text();
    }
}

const Bytes kWrite = {0x2A, 0, 0, 0, 0, 0, 0, 0, 1, 0};
const Bytes kCueSheet = {0x5D, 0, 0, 0, 0, 0, 0, 0, 0x20, 0};
const Bytes kTrackInfo = {0x52, 1, 0, 0, 0, 0xFF, 0, 0, 0x1C, 0};
const Bytes kSpeed = {0xBB, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 0, 0};
const Bytes kFlush = {0x35, 0, 0, 0, 0, 0, 0, 0, 0, 0};
const Bytes kWriteParameters = {0x5A, 0, 0x05, 0, 0, 0, 0, 0, 8, 0};
const Bytes kLeadLengths = {0xEE, 0, 0, 0, 0, 0, 0, 0, 4, 0};
const Bytes kBlock(2352, 0);

TEST(VirtualVendorDrives, EachKnowsItsOwnCommandsAndRefusesTheOthers) {
    // What no vendor drive knows: MMC's cue sheet and track information, and each
    // other's commands.
    Expect(Model::k2600, {{kCueSheet, {}, "5/20/00"},
                          {kTrackInfo, {}, "5/20/00"},
                          {kSpeed, {}, "5/20/00"},
                          {kWriteParameters, {}, "5/24/00"},
                          {{0xE0, 0, 0, 8, 0, 0, 0, 0, 0, 0}, Bytes(8), "5/20/00"},
                          {{0xEC, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, {}, "5/20/00"},
                          {kLeadLengths, {}, ""},
                          // No layout yet; and never an address.
                          {kWrite, kBlock, "5/2C/00"},
                          {{0x2A, 0, 0, 0, 0, 5, 0, 0, 1, 0}, kBlock, "5/24/00"},
                          {kFlush, {}, ""}});
    Expect(Model::kRic, {{kCueSheet, {}, "5/20/00"},
                         {kTrackInfo, {}, "5/20/00"},
                         {kSpeed, {}, ""},
                         {kWriteParameters, {}, ""},
                         {{0xE7, 0, 0, 0, 0, 0, 0, 0, 1, 0}, {}, "5/20/00"},
                         {kLeadLengths, {}, ""}});
    Expect(Model::kSony, {{kWrite, kBlock, "5/20/00"},
                          {kFlush, {}, "5/20/00"},
                          {kLeadLengths, {}, "5/20/00"},
                          {kWriteParameters, {}, "5/24/00"},
                          // The cue sheet before the write mode and the disc page.
                          {{0xE0, 0, 0, 0x20, 0, 0, 0, 0, 0, 0}, Bytes(32), "5/2C/00"},
                          {{0xE1, 0, 0x03, 0xE8, 0, 0, 0, 0, 0, 0}, Bytes(1000), "5/24/00"}});
    Expect(Model::kTeac, {{kFlush, {}, "5/20/00"},
                          {kCueSheet, {}, "5/20/00"},
                          {kLeadLengths, {}, "5/20/00"},
                          {{0xEC, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, {}, ""},
                          // Audio blocks need the audio density first.
                          {kWrite, kBlock, "5/64/00"}});
}

}  // namespace
