// The virtual recorder's device reached through the transport like a real drive: the
// pages a strict drive refuses.  (Its log of every command: the end-to-end tests read it;
// the limit of the path: the raw driver's test, which sizes its commands by it.)
#include <gtest/gtest.h>

#include "support/VirtualRecorderRig.h"

namespace {
using Bytes = std::vector<uint8_t>;
using Rig = testrig::CVirtualRecorder;

Bytes WriteParameters(uint8_t byte2) {
    Bytes data(8 + 56, 0);
    data[8] = 0x05;
    data[9] = 0x36;
    data[10] = byte2;
    data[12] = 0x08;
    return data;
}

const Bytes kSelect = {0x55, 0x10, 0, 0, 0, 0, 0, 0, 64, 0};

TEST(VirtualDevice, ModeSelectChecksWhatAStrictDriveChecks) {
    Rig rig;
    ASSERT_EQ(rig.Out(kSelect, WriteParameters(0x52)), 0);
    auto with = [](size_t at, uint8_t value) {
        Bytes data = WriteParameters(0x42);
        data[at] = value;
        return data;
    };
    Bytes shortPage = with(9, 0x32);
    shortPage.resize(8 + 52);
    struct Case {
        const char* what;
        Bytes cdb, data;
        const char* sense;  // "" when the transport refuses it
    };
    const Case cases[] = {
        {"mode data length set", kSelect, with(1, 62), "5/26/00"},
        {"PS bit set", kSelect, with(8, 0x85), "5/26/00"},
        {"write type 7", kSelect, WriteParameters(0x47), "5/26/00"},
        {"page 5 of 52 bytes", {0x55, 0x10, 0, 0, 0, 0, 0, 0, 60, 0}, shortPage, "5/26/00"},
        {"no PF bit", {0x55, 0x00, 0, 0, 0, 0, 0, 0, 64, 0}, WriteParameters(0x42), "5/24/00"},
        {"list past the page",
         {0x55, 0x10, 0, 0, 0, 0, 0, 0, 63, 0},
         WriteParameters(0x42),
         "5/1A/00"},
        {"list longer than the data",
         {0x55, 0x10, 0, 0, 0, 0, 0, 0, 80, 0},
         WriteParameters(0x42),
         ""},
        {"block length 256",
         {0x15, 0, 0, 0, 12, 0},
         {0, 0, 0, 8, 0, 0, 0, 0, 0, 0, 0x01, 0},
         "5/26/00"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(rig.Out(c.cdb, c.data), *c.sense ? 2 : 1) << c.what;
        if (*c.sense) {
            EXPECT_EQ(rig.Sense(), c.sense) << c.what;
        }
    }
    EXPECT_EQ(rig.Device().WriteParameters()[2], 0x52) << "a refused page changed the drive";
}

}  // namespace
