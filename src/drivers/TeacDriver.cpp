#include "drivers/TeacDriver.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "disc/DiscImage.h"
#include "scsi/BigEndian.h"

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

    const uint8_t senseCdb[6] = {0x1A, 0x00, 0x00, 0x00, 0x0C, 0x00};
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
    const uint8_t densityCdb[6] = {0x15, 0x10, 0x00, 0x00, 0x0C, 0x00};
    if (Command(densityCdb, density.data(), static_cast<int32_t>(density.size()), nullptr, 0) !=
        0) {
        ReportError("Set density error.");
        return 1;
    }
    const uint8_t simulation[3] = {0x21, 0x01, static_cast<uint8_t>(test.load() != 0 ? 3 : 0)};
    if (SelectPage(simulation) != 0)
        Trace("Init error.");
    if (SetWriteParameters() != 0)
        return 1;
    const uint8_t speedPage[4] = {0x31, 0x02, SpeedPageValue(speed), 0x00};
    if (SelectPage(speedPage) != 0) {
        ReportError("Set speed error!");
        return 1;
    }
    return 0;
}

int32_t CTeacDriver::SetWriteParameters() {
    const uint8_t page[9] = {0x22, 0x07, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00, 0x00};
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
        uint8_t extent[12] = {0xB3, 0x00};
        std::memcpy(&extent[2], entry, 8);
        const uint8_t subcodeCdb[10] = {0xC2, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x04, 0x00};
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
    uint8_t cdb[10] = {0xC2, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};
    bigendian::Put16(&cdb[7], static_cast<uint32_t>(data.size()));
    if (Command(cdb, data.data(), static_cast<int32_t>(data.size()), nullptr, 0) != 0) {
        ReportError("Set TOC failed.");
        return 2;
    }
    return 0;
}

int32_t CTeacDriver::StartWrite() {
    const uint8_t calibrate[12] = {0xEC};
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
    const int32_t most = CommandBlocks(blockLength);
    while (count > 0) {
        const int32_t n = std::min(count, most);
        uint8_t cdb[10] = {0x2A, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};
        bigendian::Put32(&cdb[2], static_cast<uint32_t>(address));
        bigendian::Put16(&cdb[7], static_cast<uint32_t>(n));
        cdb[9] = address + n < endAddress ? kMoreFollows : 0x00;
        if (StopRequested())
            return 1;  // no message: the user asked for it
        // Sent again while the drive is not ready for it yet (long write in progress).
        if (CommandWhileBecomingReady(cdb, data, n * blockLength, nullptr, 0) != 0) {
            if (StopRequested())
                return 1;
            ReportError(WriteFailureText("Write failed."));
            return 1;
        }
        address += n;
        count -= n;
        data += static_cast<size_t>(n) * static_cast<size_t>(blockLength);
    }
    return 0;
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
