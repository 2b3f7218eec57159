// The virtual device's mode pages: MODE SENSE and MODE SELECT in both sizes, the
// capabilities page and the write parameters page it keeps itself, the block descriptor,
// and the pages of the model's own.
#include <algorithm>
#include <iterator>

#include "base/BigEndian.h"
#include "disc/DiscTime.h"
#include "scsi/MmcCommands.h"
#include "scsi/ScsiStatus.h"
#include "virtualdrive/VirtualDevice.h"

using scsistatus::kSenseIllegalRequest;

namespace {
// MODE SENSE of page code 0x3F: every page the drive has.
constexpr uint8_t kAllPages = 0x3F;

bool KnownBlockLength(uint32_t length) {
    static constexpr uint32_t kLengths[] = {2048, 2056, 2324, 2332, 2336, 2340, 2352, 2368, 2448};
    return std::find(std::begin(kLengths), std::end(kLengths), length) != std::end(kLengths);
}
}  // namespace

std::vector<uint8_t> CVirtualDevice::CapabilitiesPage(int32_t pageControl) const {
    std::vector<uint8_t> page(kCapabilitiesLength, 0);
    page[0] = mmc::kCapabilitiesPage;
    page[1] = kCapabilitiesLength - 2;
    if (pageControl == 1)
        return page;  // nothing in it can be changed
    uint32_t maxWrite = static_cast<uint32_t>(std::max(config_.maxSpeed, 0)) * kKilobytesPerSpeed;
    page[2] = 0x03;                                            // reads CD-R and CD-RW
    page[3] = config_.writesCdr ? 0x07 : 0x00;                 // writes CD-R, CD-RW, test writes
    page[4] = 0x41 | (config_.bufe ? 0x80 : 0x00);             // audio play, multi-session; BUF
    page[5] = 0x03 | (config_.cdText ? 0x04 : 0x00);           // CD-DA commands, accurate; R-W
    page[6] = 0x29 | (state_.removalPrevented ? 0x02 : 0x00);  // tray, eject, lock
    bigendian::Put16(&page[8], 24 * kKilobytesPerSpeed);
    bigendian::Put16(&page[10], 256);
    bigendian::Put16(&page[12], std::min<uint32_t>(config_.bufferBytes / 1024, 0xFFFF));
    bigendian::Put16(&page[14], pageControl == 2 ? 24 * kKilobytesPerSpeed : readSpeed_);
    bigendian::Put16(&page[18], maxWrite);
    bigendian::Put16(&page[20], pageControl == 2 ? maxWrite : state_.writeSpeed);
    return page;
}

std::vector<uint8_t> CVirtualDevice::WriteParametersPage(int32_t pageControl) const {
    std::vector<uint8_t> page(kWriteParametersLength, 0);
    if (pageControl == 0) {
        page.assign(state_.writeParameters.begin(), state_.writeParameters.end());
        return page;
    }
    page[0] = mmc::kWriteParametersPage;
    page[1] = kWriteParametersLength - 2;
    if (pageControl == 1) {
        page[2] = 0x7F;
        page[3] = 0xFF;
        page[4] = 0x0F;
        page[5] = 0xFF;
        page[7] = 0x3F;
        page[8] = 0xFF;
        std::fill(page.begin() + 10, page.end(), 0xFF);
        return page;
    }
    page[2] = 0x01;  // track-at-once until told otherwise
    page[3] = 0x04;  // track mode 4
    page[4] = 0x08;  // mode 1 data blocks
    bigendian::Put16(&page[14], kPregapFrames);
    return page;
}

CVirtualDevice::Answer CVirtualDevice::ModeSense(const uint8_t* cdb, bool ten) {
    bool noDescriptor = (cdb[1] & 0x08) != 0;
    int32_t pageControl = cdb[2] >> 6;
    uint8_t pageCode = cdb[2] & 0x3F;
    uint32_t allocation = ten ? bigendian::Get16(&cdb[7]) : cdb[4];
    if (pageControl == 3)
        return Check(kSenseIllegalRequest, 0x39, 0x00);  // saving parameters not supported

    std::vector<uint8_t> pages;
    const bool writeParameters = !config_.writesCdr || model_->HasWriteParameters();
    if ((pageCode == mmc::kWriteParametersPage || pageCode == kAllPages) && writeParameters) {
        auto page = WriteParametersPage(pageControl);
        pages.insert(pages.end(), page.begin(), page.end());
    }
    if (pageCode == mmc::kCapabilitiesPage || pageCode == kAllPages) {
        auto page = CapabilitiesPage(pageControl);
        pages.insert(pages.end(), page.begin(), page.end());
    }
    // A page of the command set's own; it may be none at all (page 0: the header and
    // the block descriptor alone).
    const bool modelPage =
        pages.empty() && config_.writesCdr && model_->ModePage(pageCode, pageControl, pages);
    if (pages.empty() && !modelPage)
        return Check(kSenseIllegalRequest, 0x24, 0x00);

    // Like most older drives, the six-byte form carries a block descriptor unless it
    // is declined; the ten-byte form, as MMC has it, none.
    std::vector<uint8_t> descriptor;
    if (!ten && !noDescriptor) {
        descriptor.assign(8, 0);
        descriptor[0] = state_.densityCode;
        bigendian::Put24(&descriptor[5], state_.blockLength);
    }
    size_t headerLength = ten ? 8 : 4;
    std::vector<uint8_t> data(headerLength, 0);
    data.insert(data.end(), descriptor.begin(), descriptor.end());
    data.insert(data.end(), pages.begin(), pages.end());
    if (ten) {
        bigendian::Put16(&data[0], static_cast<uint32_t>(data.size() - 2));
        bigendian::Put16(&data[6], static_cast<uint32_t>(descriptor.size()));
    } else {
        data[0] = static_cast<uint8_t>(std::min<size_t>(data.size() - 1, 255));
        data[3] = static_cast<uint8_t>(descriptor.size());
    }
    return CVirtualAnswer::Reply(std::move(data), allocation);
}

CVirtualDevice::Answer CVirtualDevice::ModeSelect(const uint8_t* cdb, bool ten,
                                                  const IScsiBackend::Request& request) {
    bool pageFormat = (cdb[1] & 0x10) != 0;
    if ((cdb[1] & 0x01) != 0)
        return Check(kSenseIllegalRequest, 0x24, 0x00);  // cannot save pages
    uint32_t listLength = ten ? bigendian::Get16(&cdb[7]) : cdb[4];
    if (listLength == 0)
        return Answer{};
    if (request.direction != IScsiBackend::Direction::kOut || request.length < listLength)
        return CVirtualAnswer::HostError();  // the drive asks for more than the host sends
    const uint8_t* data = request.dataOut;
    uint32_t headerLength = ten ? 8 : 4;
    if (listLength < headerLength)
        return Check(kSenseIllegalRequest, 0x1A, 0x00);  // parameter list length error
    uint32_t modeDataLength = ten ? bigendian::Get16(&data[0]) : data[0];
    if (modeDataLength != 0)
        return Check(kSenseIllegalRequest, 0x26, 0x00);  // reserved in MODE SELECT
    uint32_t descriptorLength = ten ? bigendian::Get16(&data[6]) : data[3];
    if (descriptorLength != 0 && descriptorLength != 8)
        return Check(kSenseIllegalRequest, 0x26, 0x00);
    if (headerLength + descriptorLength > listLength)
        return Check(kSenseIllegalRequest, 0x1A, 0x00);
    uint32_t newBlockLength = state_.blockLength;
    uint8_t newDensity = state_.densityCode;
    if (descriptorLength == 8) {
        newDensity = data[headerLength];
        newBlockLength = bigendian::Get24(&data[headerLength + 5]);
        if (!KnownBlockLength(newBlockLength))
            return Check(kSenseIllegalRequest, 0x26, 0x00);
    }
    auto newParameters = state_.writeParameters;
    for (uint32_t pos = headerLength + descriptorLength; pos < listLength;) {
        if (pos + 2 > listLength)
            return Check(kSenseIllegalRequest, 0x1A, 0x00);
        uint8_t code = data[pos] & 0x3F;
        uint32_t length = uint32_t{data[pos + 1]} + 2;
        if (pos + length > listLength)
            return Check(kSenseIllegalRequest, 0x1A, 0x00);
        if (!pageFormat)
            return Check(kSenseIllegalRequest, 0x24, 0x00);  // pages need the PF bit
        if ((data[pos] & 0x80) != 0)
            return Check(kSenseIllegalRequest, 0x26, 0x00);  // PS is reserved here
        const uint8_t* page = &data[pos];
        if (code != mmc::kWriteParametersPage) {
            // Another page the command set may keep; none of the device's own.
            const uint8_t refusal =
                config_.writesCdr ? model_->SelectModePage({page, length}) : 0x26;
            if (refusal != 0)
                return Check(kSenseIllegalRequest, refusal, 0x00);
            pos += length;
            continue;
        }
        if (length != kWriteParametersLength ||
            (config_.writesCdr && !model_->HasWriteParameters()))
            return Check(kSenseIllegalRequest, 0x26, 0x00);
        uint8_t writeType = page[2] & 0x0F;
        uint8_t blockType = page[4] & 0x0F;
        uint8_t sessionFormat = page[8];
        bool blockTypeValid = blockType <= 3 || (blockType >= 8 && blockType <= 13);
        if (writeType > 4 || !blockTypeValid ||
            (sessionFormat != 0x00 && sessionFormat != 0x10 && sessionFormat != 0x20))
            return Check(kSenseIllegalRequest, 0x26, 0x00);
        // What this kind of drive takes.
        if (const uint8_t refusal = model_->CheckWriteParameters({page, length}); refusal != 0)
            return Check(kSenseIllegalRequest, refusal, 0x00);
        std::copy(page, page + length, newParameters.begin());
        pos += length;
    }
    state_.blockLength = newBlockLength;
    state_.densityCode = newDensity;
    state_.writeParameters = newParameters;
    Answer answer;
    answer.consumed = listLength;
    return answer;
}
