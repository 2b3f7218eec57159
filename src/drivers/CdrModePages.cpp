// Mode pages: MODE SENSE and MODE SELECT in both sizes, the write parameters page and
// the capabilities page.
#include <algorithm>
#include <cstring>
#include <vector>

#include "base/BigEndian.h"
#include "drivers/CdrDriver.h"
#include "scsi/MmcCommands.h"
#include "scsi/ScsiTransport.h"
#include "scsi/SpcCommands.h"

int32_t CCdrDriver::SetBlockLength(int32_t length) {
    const auto cdb = spc::ModeSelect6(0x00, 12);
    uint8_t data[12] = {0x00, 0x00, 0x00, 0x08, 0x00, 0x00, 0x00, 0x00, 0x00};
    bigendian::Put24(&data[9], static_cast<uint32_t>(length));
    Command(cdb, data, sizeof data, nullptr, 0);
    return 0;
}

int32_t CCdrDriver::SetWriteParameters() {
    return SetSessionAtOnceParameters(-1);
}

int32_t CCdrDriver::SetSessionAtOnceParameters(int32_t byte3) {
    std::array<uint8_t, 56> page{};
    if (ModeSense10(mmc::kWriteParametersPage, page) != 0) {
        ReportError("Cannot retrieve write parameters mode page.");
        return 1;
    }
    page[0] &= 0x7F;  // parameters savable: reserved in MODE SELECT
    // Buffer-underrun-free recording, session-at-once, the test bit for a simulation.
    page[2] = static_cast<uint8_t>((page[2] & 0xE0) | 0x42 | (test.load() != 0 ? 0x10 : 0x00));
    if (byte3 >= 0)
        page[3] = static_cast<uint8_t>(byte3);
    else
        page[3] &= 0x3F;  // no multi-session
    page[4] = 8;
    page[8] = 0;
    if (ModeSelect10(page) != 0) {
        ReportError("Cannot set write parameters mode page.");
        return 1;
    }
    return 0;
}

CCdrDriver::Capabilities CCdrDriver::ReadDriveCapabilities() {
    Capabilities found;
    const uint32_t allocation =
        std::min<uint32_t>(kModeSense10Length, std::max<uint32_t>(transport.MaximumTransfer(), 8));
    const auto cdb = spc::ModeSense10(mmc::kCapabilitiesPage, allocation);
    std::array<uint8_t, kModeSense10Length> reply{};
    if (Command(cdb, nullptr, 0, reply.data(), static_cast<int32_t>(allocation)) != 0)
        return found;
    const size_t available = std::min<size_t>(allocation, size_t{bigendian::Get16(&reply[0])} + 2);
    const size_t page = 8 + size_t{bigendian::Get16(&reply[6])};
    if (page + 6 > available || (reply[page] & 0x3F) != mmc::kCapabilitiesPage ||
        reply[page + 1] < 4)
        return found;
    found.known = true;
    found.underrunProtection = (reply[page + 4] & 0x80) != 0;
    found.writesCdText = (reply[page + 5] & 0x04) != 0;
    return found;
}

int32_t CCdrDriver::ModeSelect10(std::span<const uint8_t> page) {
    if (page.size() < 2 || page.size() < size_t{page[1]} + 2)
        return 1;  // the page is shorter than its own length byte says
    size_t pageLength = size_t{page[1]} + 2;
    std::vector<uint8_t> data(8 + pageLength, 0);
    std::memcpy(&data[8], page.data(), pageLength);
    const auto cdb = spc::ModeSelect10(spc::kPageFormat, static_cast<uint32_t>(data.size()));
    return Command(cdb, data.data(), static_cast<int32_t>(data.size()), nullptr, 0) == 0 ? 0 : 1;
}

int32_t CCdrDriver::ModeSense10(int32_t pageCode, std::span<uint8_t> buffer) {
    std::fill(buffer.begin(), buffer.end(), 0);
    const auto cdb = spc::ModeSense10(pageCode, kModeSense10Length);
    std::array<uint8_t, kModeSense10Length> reply{};
    if (Command(cdb, nullptr, 0, reply.data(), kModeSense10Length) != 0)
        return 1;
    uint32_t dataLength = bigendian::Get16(&reply[0]);
    uint32_t descriptorLength = bigendian::Get16(&reply[6]);
    return TakeModePage(reply, dataLength > descriptorLength + 6, 8 + size_t{descriptorLength},
                        buffer, "Requested mode page exceeds provided buffer size.",
                        "No mode page data received.");
}

int32_t CCdrDriver::ModeSelect6(std::span<const uint8_t> page, const std::array<uint8_t, 4>* header,
                                const std::array<uint8_t, 8>* blockDescriptor) {
    if (page.size() < 2 || page.size() < size_t{page[1]} + 2)
        return 1;
    size_t pageLength = size_t{page[1]} + 2;
    size_t size = pageLength + 4 + (blockDescriptor ? 8 : 0);
    if (size > 255)
        return 1;  // does not fit the one-byte parameter list length
    std::vector<uint8_t> data(size, 0);
    if (header)
        std::memcpy(data.data(), header->data(), header->size());
    data[0] = 0;  // mode data length is reserved in MODE SELECT
    size_t pagePosition = 4;
    if (blockDescriptor) {
        data[3] = 8;
        std::memcpy(&data[4], blockDescriptor->data(), blockDescriptor->size());
        pagePosition = 12;
    } else {
        data[3] = 0;
    }
    std::memcpy(&data[pagePosition], page.data(), pageLength);
    const auto cdb = spc::ModeSelect6(spc::kPageFormat, static_cast<uint8_t>(size));
    return Command(cdb, data.data(), static_cast<int32_t>(data.size()), nullptr, 0) == 0 ? 0 : 1;
}

int32_t CCdrDriver::ModeSense6(int32_t pageCode, std::span<uint8_t> buffer,
                               std::array<uint8_t, 4>* header,
                               std::array<uint8_t, 8>* blockDescriptor) {
    std::fill(buffer.begin(), buffer.end(), 0);
    size_t allocation = buffer.size() + kModeSense6Extra;
    if (allocation > 255)
        allocation = 0;
    const auto cdb = spc::ModeSense6(pageCode, static_cast<uint8_t>(allocation));
    std::array<uint8_t, 255> reply{};
    if (Command(cdb, nullptr, 0, reply.data(), static_cast<int32_t>(allocation)) != 0)
        return 1;
    if (header)
        std::memcpy(header->data(), reply.data(), header->size());
    uint32_t descriptorLength = reply[3];
    if (blockDescriptor) {
        blockDescriptor->fill(0);
        if (descriptorLength >= 8)
            std::memcpy(blockDescriptor->data(), &reply[4], blockDescriptor->size());
    }
    return TakeModePage(reply, reply[0] > descriptorLength + 4, 4 + size_t{descriptorLength},
                        buffer, "MP buffer too small.", "No mode page.");
}

int32_t CCdrDriver::TakeModePage(std::span<const uint8_t> reply, bool present, size_t start,
                                 std::span<uint8_t> buffer, const char* tooLarge,
                                 const char* missing) {
    // The lengths come from the drive: the page is taken only from inside the reply.
    if (present && start + 2 <= reply.size()) {
        size_t pageLength = size_t{reply[start + 1]} + 2;
        if (pageLength > buffer.size()) {
            ReportError(tooLarge);
            return 2;
        }
        if (start + pageLength <= reply.size()) {
            std::memcpy(buffer.data(), &reply[start], pageLength);
            return 0;
        }
    }
    ReportError(missing);
    return 1;
}
