// The SG_IO backend and the transport's results, with the kernel played through the seam.
#include <gtest/gtest.h>

#include <fcntl.h>

#include <cstring>

#include "FakeSgIoSystem.h"
#include "scsi/ScsiTransport.h"
#include "scsi/SgIoBackend.h"

namespace {

// A transport over a fake kernel; `kernel` stays usable after the backend took it over.
struct SgIoRig {
    CFakeSgIoSystem* kernel = nullptr;
    CScsiTransport transport;
    SgIoRig() {
        auto fake = std::make_unique<CFakeSgIoSystem>();
        kernel = fake.get();
        transport.UseBackend(std::make_unique<CSgIoBackend>(std::move(fake)));
    }
    // One drive on /dev/sr0 answering INQUIRY, selected.
    void OneDrive() {
        kernel->nodes["/dev/sr0"] = FakeNode{};
        ASSERT_EQ(transport.ScanPassThrough(), 1);
        kernel->drive = [](sg_io_hdr_t& h) {
            if (h.cmdp[0] == 0x12) {
                std::vector<uint8_t> inquiry(36, ' ');
                inquiry[0] = 5;
                PlayData(h, inquiry);
            }
            return 0;
        };
        ASSERT_EQ(transport.SelectDevice(0), 0);
    }
    int32_t TestUnitReady() {
        const uint8_t cdb[6] = {};
        return transport.Execute(cdb, 6, nullptr, 0, nullptr, 0);
    }
};

TEST(SgIoBackend, EnumeratesBlockNodesFirstInNumericOrderAndCountsEachDeviceOnce) {
    SgIoRig rig;
    auto& n = rig.kernel->nodes;
    n["/dev/sg0"] = {.idLun = 0x00000000, .bus = 0};   // a disk, seen only as sg0
    n["/dev/sg1"] = {.idLun = 0x01000000, .bus = 1};   // the same drive as sr0
    n["/dev/sg10"] = {.idLun = 0x02000000, .bus = 2};  // the same drive as sr10
    n["/dev/sg2"] = {.idLun = 0x03000000, .bus = 3};
    n["/dev/sr0"] = {.idLun = 0x01000000, .bus = 1};
    n["/dev/sr10"] = {.idLun = 0x02000000, .bus = 2};
    n["/dev/sr2"] = {.identified = false};  // cannot say who it is: kept
    rig.kernel->listing = {"/dev/sg10", "/dev/sr10", "/dev/sg2", "/dev/sr0",
                           "/dev/sg0",  "/dev/sr2",  "/dev/sg1"};
    ASSERT_EQ(rig.transport.ScanPassThrough(), 5);
    std::vector<std::string> names;
    for (int32_t i = 0; i < 5; ++i) names.push_back(rig.transport.DeviceName(i));
    EXPECT_EQ(names, (std::vector<std::string>{"/dev/sr0", "/dev/sr2", "/dev/sr10", "/dev/sg0",
                                               "/dev/sg2"}));
    EXPECT_EQ(rig.transport.UsePassThrough(), 1);
    EXPECT_EQ(rig.kernel->openFds, 0) << "scan leaves nodes open";
    for (auto& [path, flags] : rig.kernel->opens) {
        EXPECT_TRUE(flags & O_NONBLOCK) << path;
        EXPECT_FALSE(flags & O_EXCL) << path;
    }
}
// Sixteen devices are recorded and the rest noted; a drive in use (the first, opened
// exclusively on selection) is a clear error, not a hang.
TEST(SgIoBackend, RecordsSixteenDevicesAndADriveInUseIsAClearError) {
    SgIoRig rig;
    for (int i = 0; i < 24; ++i)
        rig.kernel->nodes["/dev/sg" + std::to_string(i)] = {.idLun = i, .bus = 0};
    rig.kernel->nodes["/dev/sg0"].selectOpenError = EBUSY;
    EXPECT_EQ(rig.transport.ScanPassThrough(), 16);
    EXPECT_EQ(rig.transport.DeviceName(15), "/dev/sg15");
    EXPECT_EQ(rig.transport.DeviceName(16), "");
    EXPECT_EQ(rig.transport.ScanNotes().size(), 8u);
    EXPECT_EQ(rig.transport.SelectDevice(16), 1);
    EXPECT_EQ(rig.transport.SelectDevice(0), 1);
    EXPECT_STREQ(rig.transport.Vendor(), "");
    EXPECT_NE(rig.transport.DeviceProblem(0).find("in use"), std::string::npos);
    EXPECT_TRUE(rig.kernel->commands.empty());
    const auto& [path, flags] = rig.kernel->opens.back();
    EXPECT_EQ(flags & (O_RDWR | O_NONBLOCK | O_EXCL), O_RDWR | O_NONBLOCK | O_EXCL);
}

// Each call on a selected drive, and the drive's selection again.
TEST(SgIoTransport, MapsResultsRefusesMalformedCallsAndCleansTheInquiryStrings) {
    SgIoRig rig;
    rig.OneDrive();
    int32_t length = 0;
    const uint8_t* sense = rig.transport.SenseData(length);
    EXPECT_EQ(length, 15);

    // Each answer in turn: status, the sense written (none: not a word), the result, and
    // the sense the callers see (fixed format) afterwards.
    struct Case {
        const char* what;
        uint8_t status;
        std::vector<uint8_t> written;
        int32_t result;
        uint8_t key, asc, ascq;
    };
    auto fixed = [](uint8_t key, uint8_t asc, uint8_t ascq) {
        return std::vector<uint8_t>{0x70, 0, key, 0, 0, 0, 0, 10, 0, 0, 0, 0, asc, ascq};
    };
    const Case cases[] = {
        {"CHECK CONDITION", 0x02, fixed(2, 0x3A, 1), 2, 2, 0x3A, 1},
        {"BUSY: the last CHECK CONDITION's sense stays", 0x08, {}, 1, 2, 0x3A, 1},
        {"sense key 0: failed, not with sense", 0x02, fixed(0, 0, 0), 1, 0, 0, 0},
        {"illegal request", 0x02, fixed(5, 0x24, 0), 2, 5, 0x24, 0},
        // Without any sense bytes the old sense must not be taken for this.
        {"CHECK CONDITION without sense", 0x02, {}, 1, 0, 0, 0},
        {"descriptor format", 0x02, {0x72, 0x06, 0x28, 0x00, 0, 0, 0, 0}, 2, 6, 0x28, 0},
        {"good", 0x00, {}, 0, 6, 0x28, 0},
    };
    for (const Case& c : cases) {
        rig.kernel->drive = [&c](sg_io_hdr_t& h) {
            h.status = c.status;
            if (!c.written.empty())
                PlaySense(h, c.written);
            return 0;
        };
        EXPECT_EQ(rig.TestUnitReady(), c.result) << c.what;
        EXPECT_EQ(rig.transport.LastCommandSucceeded(), c.result == 0) << c.what;
        if (c.key != 0) {
            EXPECT_EQ(sense[0], 0x70) << c.what;
        }
        EXPECT_EQ(sense[2], c.key) << c.what;
        EXPECT_EQ(sense[12], c.asc) << c.what;
        EXPECT_EQ(sense[13], c.ascq) << c.what;
    }

    // An interrupted call is sent again a few times only.
    int calls = 0;
    rig.kernel->drive = [&](sg_io_hdr_t&) { return ++calls <= 2 ? -EINTR : 0; };
    EXPECT_EQ(rig.TestUnitReady(), 0);
    EXPECT_EQ(calls, 3);
    calls = 0;
    rig.kernel->drive = [&](sg_io_hdr_t&) {
        ++calls;
        return -EINTR;
    };
    EXPECT_EQ(rig.TestUnitReady(), 1);
    EXPECT_EQ(calls, 1 + CSgIoBackend::kInterruptRetries);

    // Malformed calls are refused without being sent.
    size_t sent = rig.kernel->commands.size();
    uint8_t buffer[8] = {};
    const uint8_t cdb[12] = {};
    EXPECT_EQ(rig.transport.Execute(cdb, 7, nullptr, 0, nullptr, 0), 1);
    EXPECT_EQ(rig.transport.Execute(cdb, 6, buffer, 8, buffer, 8), 1);
    EXPECT_EQ(rig.transport.Execute(cdb, 6, nullptr, 0, buffer, -1), 1);
    EXPECT_EQ(rig.transport.Execute(nullptr, 6, nullptr, 0, nullptr, 0), 1);
    EXPECT_EQ(rig.kernel->commands.size(), sent);

    // The drive selected again: its INQUIRY strings lose trailing blanks and control bytes.
    std::vector<uint8_t> inquiry(36, ' ');
    std::memcpy(&inquiry[8], "SONY    ", 8);
    std::memcpy(&inquiry[32], "1.0\n", 4);
    rig.kernel->drive = [&](sg_io_hdr_t& h) {
        PlayData(h, inquiry);
        return 0;
    };
    ASSERT_EQ(rig.transport.SelectDevice(0), 0);
    EXPECT_STREQ(rig.transport.Vendor(), "SONY");
    EXPECT_STREQ(rig.transport.Product(), "");  // 16 blanks
    EXPECT_STREQ(rig.transport.Revision(), "1.0?");

    std::memcpy(&inquiry[8], "AB\0\0\0\0\0\0", 8);  // padded with NULs instead of blanks
    std::memcpy(&inquiry[16], "CD-RW  X        ", 16);
    ASSERT_EQ(rig.transport.SelectDevice(0), 0);
    EXPECT_STREQ(rig.transport.Vendor(), "AB");
    EXPECT_STREQ(rig.transport.Product(), "CD-RW  X");

    // A device that does not answer INQUIRY: 1, and no strings left from the last one.
    rig.kernel->drive = [](sg_io_hdr_t& h) {
        h.host_status = 0x03;
        return 0;
    };
    EXPECT_EQ(rig.transport.SelectDevice(0), 1);
    EXPECT_STREQ(rig.transport.Vendor(), "");
    EXPECT_STREQ(rig.transport.Product(), "");
}

}  // namespace
