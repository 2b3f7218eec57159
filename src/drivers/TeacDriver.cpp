#include "drivers/TeacDriver.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "base/BigEndian.h"
#include "disc/DiscImage.h"
#include "scsi/SpcCommands.h"
#include "scsi/VendorCommands.h"

namespace {
constexpr int32_t kCueEntry = 12;
constexpr int32_t kTocHeader = 3;
}  // namespace

CTeacDriver::CTeacDriver(CScsiTransport& transport, CDiscImage& discImage, IDriverUi& ui)
    : CCdrDriver(transport, discImage, ui) {}

CTeacDriver::~CTeacDriver() = default;

uint8_t CTeacDriver::SpeedPageValue(int32_t factor) {
    switch (factor) {
        case 1:
            return 0x00;
        case 2:
            return 0x01;
        default:
            return 0x02;  // 4x, the drive's fastest: for 4x and above, and for maximum
    }
}

int32_t CTeacDriver::SelectPage(std::span<const uint8_t> page) {
    std::array<uint8_t, 4> header{};
    std::copy_n(modeHeader.begin(), header.size(), header.begin());
    return ModeSelect6(page, &header, nullptr);
}

int32_t CTeacDriver::InitWrite() {
    flushSucceeded_ = 0;
    blockLength = kBlockLength;
    blocksPerCommand = BlocksPerPathCommand(blockLength);
    if (CCdrDriver::InitWrite() != 0)
        return 1;
    endAddress = kInitialEndAddress;

    const auto senseCdb = spc::ModeSense6(0x00, static_cast<uint8_t>(modeHeader.size()));
    modeHeader.fill(0);
    if (Command(senseCdb, nullptr, 0, modeHeader.data(), static_cast<int32_t>(modeHeader.size())) !=
        0) {
        ReportError("Mode Sense failed.");
        return 1;
    }
    // Audio: density code 4, blocks of 2352 bytes.
    std::array<uint8_t, 12> density = modeHeader;
    density[0] = 0;
    density[3] = 8;
    density[4] = 0x04;
    bigendian::Put24(&density[9], kBlockLength);
    const auto densityCdb =
        spc::ModeSelect6(spc::kPageFormat, static_cast<uint8_t>(density.size()));
    if (Command(densityCdb, density.data(), static_cast<int32_t>(density.size()), nullptr, 0) !=
        0) {
        ReportError("Set density error.");
        return 1;
    }
    const uint8_t simulation[3] = {vendorcmd::kTeacSimulationPage, 0x01,
                                   static_cast<uint8_t>(test.load() != 0 ? 3 : 0)};
    if (SelectPage(simulation) != 0)
        Trace("Init error.");
    if (SetWriteParameters() != 0)
        return 1;
    const uint8_t speedPage[4] = {vendorcmd::kTeacSpeedPage, 0x02, SpeedPageValue(speed), 0x00};
    if (SelectPage(speedPage) != 0) {
        ReportError("Set speed error!");
        return 1;
    }
    return 0;
}

int32_t CTeacDriver::SetWriteParameters() {
    const uint8_t page[9] = {
        vendorcmd::kTeacWriteModePage, 0x07, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00, 0x00};
    if (SelectPage(page) != 0) {
        ReportError("Init Failed.");
        return 1;
    }
    return 0;
}

int32_t CTeacDriver::SendCueTable() {
    int32_t length = 0;
    const uint8_t* table = discImage.BuildTeacCueTable(length);
    for (int32_t at = 0; at + kCueEntry <= length; at += kCueEntry) {
        const uint8_t* entry = table + at;
        const auto extent = vendorcmd::TeacCueExtent(entry);
        const auto subcodeCdb = vendorcmd::TeacSendTable(4);
        if (Command(extent, nullptr, 0, nullptr, 0) != 0 ||
            Command(subcodeCdb, entry + 8, 4, nullptr, 0) != 0) {
            ReportError("Send CUE sheet failed.");
            return 1;
        }
    }
    return 0;
}

int32_t CTeacDriver::SendTableOfContents() {
    int32_t length = 0;
    const uint8_t* toc = discImage.BuildTeacToc(length);
    std::vector<uint8_t> data(static_cast<size_t>(kTocHeader + std::max(length, 0)), 0);
    std::copy_n(toc, std::max(length, 0), data.begin() + kTocHeader);
    const auto cdb = vendorcmd::TeacSendTable(static_cast<uint32_t>(data.size()));
    if (Command(cdb, data.data(), static_cast<int32_t>(data.size()), nullptr, 0) != 0) {
        ReportError("Set TOC failed.");
        return 2;
    }
    return 0;
}

int32_t CTeacDriver::StartWrite() {
    const auto calibrate = vendorcmd::TeacCalibrate();
    if (Command(calibrate, nullptr, 0, nullptr, 0) != 0) {
        ReportError("Adjusting power failed.");
        return 1;
    }
    if (SendCueTable() != 0)
        return 1;
    if (const int32_t result = SendTableOfContents(); result != 0)
        return result;
    nextAddress = -kPregapBlocks;
    endAddress = discImage.TotalBlocks();
    return WriteSilence(nextAddress, kPregapBlocks) != 0 ? 1 : 0;
}

int32_t CTeacDriver::WriteBlocks(int32_t& address, const uint8_t* data, int32_t count) {
    const size_t blockBytes = static_cast<size_t>(blockLength);
    return WriteInChunks(
        address, count, CommandBlocks(blockLength), [&](int32_t at, int32_t n, int32_t done) {
            const auto cdb = spc::Write10(static_cast<uint32_t>(at), static_cast<uint32_t>(n),
                                          at + n < endAddress ? kMoreFollows : 0x00);
            if (StopRequested())
                return 1;  // no message: the user asked for it
            // Sent again while the drive is not ready for it yet (long write in progress).
            if (CommandWhileBecomingReady(cdb, data + static_cast<size_t>(done) * blockBytes,
                                          n * blockLength, nullptr, 0) != 0) {
                if (StopRequested())
                    return 1;
                ReportError(WriteFailureText("Write failed."));
                return 1;
            }
            return 0;
        });
}

int32_t CTeacDriver::FinishDisc() {
    // The last WRITE told the drive to finish the disc.
    return FinishWithoutFlush();
}

int32_t CTeacDriver::CheckBlankDisc() {
    return 0;
}

int32_t CTeacDriver::SetSpeed(int32_t /*ignored*/, int32_t factor) {
    speed = factor;
    return 0;
}
