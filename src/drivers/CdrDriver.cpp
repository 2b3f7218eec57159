#include "drivers/CdrDriver.h"

#include <algorithm>
#include <climits>

#include "disc/DiscImage.h"
#include "scsi/ScsiTransport.h"

CCdrDriver::CCdrDriver(CScsiTransport& transport, CDiscImage& discImage, IDriverUi& ui)
    : transport(transport), discImage(discImage), ui_(ui) {}

CCdrDriver::~CCdrDriver() {
    // Only a write that never came back could leave the filling thread behind.
    endOfData = 1;
    if (filler_.joinable())
        filler_.join();
}

void CCdrDriver::ReportError(const std::string& text) {
    reportedInRun_ = true;
    if (driveGone_)
        ui_.TraceLine(text);
    else
        ui_.ReportError(text);
}

const char* CCdrDriver::BlankCheckMessage(BlankCheck reason) {
    switch (reason) {
        case BlankCheck::kNoDisc:
            return "There is no disc in the drive.";
        case BlankCheck::kNotBlank:
            return "The disc in the drive is not blank.";
        default:
            return "Cannot retrieve disk information.";
    }
}

void CCdrDriver::Trace(const std::string& line) {
    ui_.TraceLine(line);
}

const char* CCdrDriver::Vendor() const {
    return transport.Vendor();
}

const char* CCdrDriver::Product() const {
    return transport.Product();
}

const char* CCdrDriver::Revision() const {
    return transport.Revision();
}

int32_t CCdrDriver::LastCommandSucceeded() const {
    return transport.LastCommandSucceeded();
}

void CCdrDriver::Reserved1() {}

void CCdrDriver::Reserved2() {}

void CCdrDriver::ReplaceSilenceBuffer() {
    silenceBuffer.assign(static_cast<size_t>(std::max(blocksPerCommand, 0)) *
                             static_cast<size_t>(std::max(blockLength, 0)),
                         0);
}

int32_t CCdrDriver::CommandBlocks(int32_t blockBytes) const {
    if (blockBytes <= 0)
        return 1;
    // The base class's 27 blocks of 2352 bytes need 63504 bytes per command; a path that
    // takes less gets more, smaller commands.
    const uint32_t fit = transport.MaximumTransfer() / static_cast<uint32_t>(blockBytes);
    return std::max<int32_t>(
        1, std::min<int32_t>(blocksPerCommand,
                             static_cast<int32_t>(std::min<uint32_t>(fit, INT32_MAX))));
}

int32_t CCdrDriver::BlocksPerPathCommand(int32_t blockBytes) const {
    if (blockBytes <= 0)
        return 1;
    const uint32_t most = std::min<uint32_t>(transport.MaximumTransfer(), 65536);
    return std::max<int32_t>(1, static_cast<int32_t>(most / static_cast<uint32_t>(blockBytes)));
}

int32_t CCdrDriver::PermilleAt(int32_t address) const {
    const int64_t totalBlocks = discImage.TotalBlocks();
    if (totalBlocks <= 0)
        return 0;
    return static_cast<int32_t>(
        std::clamp<int64_t>(std::max(address, 0) * int64_t{1000} / totalBlocks, 0, 1000));
}

int32_t CCdrDriver::TrackAt(int32_t address) const {
    const int32_t count = std::clamp(discImage.trackCount, 0, CDiscImage::kMaxTracks);
    for (int32_t t = 0; t < count; ++t)
        if (address < discImage.TrackStart(t + 1))
            return t;
    return std::max(count - 1, 0);
}
