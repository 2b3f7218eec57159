#include "drivers/CdrDriver.h"

#include <algorithm>
#include <chrono>
#include <climits>
#include <cstring>
#include <thread>

#include "disc/DiscImage.h"
#include "scsi/BigEndian.h"
#include "scsi/ScsiStatus.h"
#include "scsi/ScsiTransport.h"

namespace {
using scsistatus::kSenseNotReady;
using scsistatus::kSenseUnitAttention;

int32_t ClampToInt32(uint32_t v) {
    return v > static_cast<uint32_t>(INT32_MAX) ? INT32_MAX : static_cast<int32_t>(v);
}
}  // namespace

CCdrDriver::CCdrDriver(CScsiTransport& transport, CDiscImage& discImage, IDriverUi& ui)
    : transport(transport), discImage(discImage), ui_(ui) {}

CCdrDriver::~CCdrDriver() = default;

// ---- helpers ----

int32_t CCdrDriver::Command(std::span<const uint8_t> cdb, const void* dataOut,
                            int32_t dataOutLength, void* dataIn, int32_t dataInLength) {
    return transport.Execute(cdb.data(), static_cast<int32_t>(cdb.size()), dataOut, dataOutLength,
                             dataIn, dataInLength);
}

int32_t CCdrDriver::SenseKey() const {
    int32_t length = 0;
    return transport.SenseData(length)[2] & 0x0F;
}

void CCdrDriver::ReplaceSilenceBuffer() {
    silenceBuffer.assign(static_cast<size_t>(std::max(blocksPerCommand, 0)) *
                             static_cast<size_t>(std::max(blockLength, 0)),
                         0);
}

void CCdrDriver::Sleep(int32_t milliseconds) {
    if (sleep_)
        sleep_(milliseconds);
    else
        std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

int32_t CCdrDriver::NotBuiltYet(const char* operation) {
    Trace(std::string(operation) + ": not built yet");
    return 1;
}

void CCdrDriver::ReportError(const std::string& text) {
    ui_.ReportError(text);
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

// ---- slots 0 to 24 ----

int32_t CCdrDriver::SetBlockLength(int32_t length) {
    const uint8_t cdb[6] = {0x15, 0x00, 0x00, 0x00, 0x0C, 0x00};
    uint8_t data[12] = {0x00, 0x00, 0x00, 0x08, 0x00, 0x00, 0x00, 0x00, 0x00};
    bigendian::Put24(&data[9], static_cast<uint32_t>(length));
    Command(cdb, data, sizeof data, nullptr, 0);
    return 0;
}

void CCdrDriver::Reserved1() {}

void CCdrDriver::Reserved2() {}

void CCdrDriver::WriteDisc(void* /*context*/, std::atomic<int32_t>& /*permille*/,
                           std::atomic<int32_t>& phase, const std::atomic<int32_t>& /*stop*/,
                           std::atomic<int32_t>& /*track*/) {
    phase = 1;
    ReportError("Writing discs is not built into this version yet.");
}

int32_t CCdrDriver::SendCueSheet() {
    return NotBuiltYet("SendCueSheet");
}

int32_t CCdrDriver::FinishDisc() {
    return NotBuiltYet("FinishDisc");
}

int32_t CCdrDriver::FlushCache() {
    const uint8_t cdb[10] = {0x35, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};
    uint8_t none = 0;
    Command(cdb, nullptr, 0, &none, 0);
    return 0;
}

int32_t CCdrDriver::StartWrite() {
    return NotBuiltYet("StartWrite");
}

int32_t CCdrDriver::InitWrite() {
    return NotBuiltYet("InitWrite");
}

int32_t CCdrDriver::WriteSilence(int32_t& address, int32_t count) {
    while (count > 0) {
        int32_t n = std::min(count, blocksPerCommand);
        // Without a silence buffer of at least n blocks there is nothing to send from.
        if (n <= 0 ||
            silenceBuffer.size() < static_cast<size_t>(n) * static_cast<size_t>(blockLength))
            return 1;
        if (WriteBlocks(address, silenceBuffer.data(), n) != 0)
            return 1;
        count -= n;
    }
    return 0;
}

int32_t CCdrDriver::WriteBlocks(int32_t& /*address*/, const uint8_t* /*data*/, int32_t /*count*/) {
    return NotBuiltYet("WriteBlocks");
}

int32_t CCdrDriver::NextWritableAddress() {
    const uint8_t cdb[10] = {0x52, 0x01, 0x00, 0x00, 0x00, 0xFF, 0x00, 0x00, 0x1C, 0x00};
    std::array<uint8_t, 28> reply{};
    if (Command(cdb, nullptr, 0, reply.data(), static_cast<int32_t>(reply.size())) != 0) {
        ReportError("Cannot get Track Information Block.");
        return kNoWritableAddress;
    }
    // A finished disc answers with the "next writable address valid" bit clear and any
    // number in the field; it has no writable address, blank or otherwise.
    if ((reply[7] & 0x01) == 0) {
        Trace("Next writable address not valid.");
        return kNoWritableAddress;
    }
    return static_cast<int32_t>(bigendian::Get32(&reply[12]));
}

int32_t CCdrDriver::CheckBlankDisc() {
    const uint8_t cdb[10] = {0x51, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x2A, 0x00};
    std::array<uint8_t, 42> reply{};
    for (int32_t attempt = 0;; ++attempt) {
        reply.fill(0);
        int32_t result = Command(cdb, nullptr, 0, reply.data(), static_cast<int32_t>(reply.size()));
        if (result == 0)
            break;
        int32_t key = result == 2 ? SenseKey() : -1;
        if (attempt == 0 && (key == kSenseNotReady || key == kSenseUnitAttention)) {
            Sleep(500);
            continue;
        }
        return 1;
    }
    if ((reply[2] & 0x03) != 0)
        return 1;  // not blank
    leadInStart = CTimePosition::FromMsf(reply[17], reply[18], reply[19]);
    leadInLength = kLeadInEnd - leadInStart.address;
    leadOutLength = kLeadOutLength;
    return 0;
}

int32_t CCdrDriver::SetWriteParameters() {
    return NotBuiltYet("SetWriteParameters");
}

int32_t CCdrDriver::ModeSelect10(std::span<const uint8_t> page) {
    if (page.size() < 2 || page.size() < size_t{page[1]} + 2)
        return 1;  // the page is shorter than its own length byte says
    size_t pageLength = size_t{page[1]} + 2;
    std::vector<uint8_t> data(8 + pageLength, 0);
    std::memcpy(&data[8], page.data(), pageLength);
    uint8_t cdb[10] = {0x55, 0x10, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};
    bigendian::Put16(&cdb[7], static_cast<uint32_t>(data.size()));
    return Command(cdb, data.data(), static_cast<int32_t>(data.size()), nullptr, 0) == 0 ? 0 : 1;
}

int32_t CCdrDriver::ModeSense10(int32_t pageCode, std::span<uint8_t> buffer) {
    std::fill(buffer.begin(), buffer.end(), 0);
    const uint8_t cdb[10] = {0x5A, 0x00, static_cast<uint8_t>(pageCode & 0x3F),
                             0x00, 0x00, 0x00,
                             0x00, 0x00, kModeSense10Length,
                             0x00};
    std::array<uint8_t, kModeSense10Length> reply{};
    if (Command(cdb, nullptr, 0, reply.data(), kModeSense10Length) != 0)
        return 1;
    uint32_t dataLength = bigendian::Get16(&reply[0]);
    uint32_t descriptorLength = bigendian::Get16(&reply[6]);
    return TakeModePage(reply, dataLength > descriptorLength + 6, 8 + size_t{descriptorLength},
                        buffer, "Requested mode page exceeds provided buffer size.",
                        "No mode page data received.");
}

int32_t CCdrDriver::ReadCapacity(int32_t& blocks) {
    const uint8_t cdb[10] = {0x25, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};
    std::array<uint8_t, 8> reply{};
    if (Command(cdb, nullptr, 0, reply.data(), static_cast<int32_t>(reply.size())) != 0) {
        ReportError("Cannot read capacity.\n");
        return 1;
    }
    // Unsigned: a last block of 0xFFFFFFFF (nothing recorded) gives 0 blocks, not an overflow.
    blocks = static_cast<int32_t>(bigendian::Get32(&reply[0]) + 1u);
    return 0;
}

int32_t CCdrDriver::Rezero() {
    const uint8_t cdb[6] = {0x01, 0x00, 0x00, 0x00, 0x00, 0x00};
    return Command(cdb, nullptr, 0, nullptr, 0) == 0 ? 0 : 1;
}

int32_t CCdrDriver::PreventRemoval(int32_t on) {
    const uint8_t cdb[6] = {0x1E, 0x00, 0x00, 0x00, static_cast<uint8_t>(on ? 1 : 0), 0x00};
    uint8_t none = 0;
    Command(cdb, nullptr, 0, &none, 0);
    return 0;
}

int32_t CCdrDriver::TestUnitReady() {
    const uint8_t cdb[6] = {0x00, 0x00, 0x00, 0x00, 0x00, 0x00};
    int32_t result = Command(cdb, nullptr, 0, nullptr, 0);
    if (result == 1)
        return 1;
    if (result == 2 && SenseKey() == kSenseNotReady)
        return 2;
    return 0;
}

int32_t CCdrDriver::SetSpeed(int32_t /*ignored*/, int32_t factor) {
    // 0 (or anything the 16-bit field cannot hold) asks for the drive's fastest.
    uint32_t kilobytes = 0xFFFF;
    if (factor > 0 && factor <= 0xFFFF / kKilobytesPerSpeed)
        kilobytes = static_cast<uint32_t>(factor * kKilobytesPerSpeed);
    uint8_t cdb[12] = {0xBB, 0x00, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};
    bigendian::Put16(&cdb[4], kilobytes);
    if (Command(cdb, nullptr, 0, nullptr, 0) != 0) {
        ReportError("Cannot set cd speed.");
        return 1;
    }
    return 0;
}

int32_t CCdrDriver::LoadUnload(int32_t load) {
    const uint8_t cdb[6] = {0x1B, 0x00, 0x00, 0x00, static_cast<uint8_t>(load == 1 ? 0x03 : 0x02),
                            0x00};
    Command(cdb, nullptr, 0, nullptr, 0);
    return 0;
}

int32_t CCdrDriver::StartStopUnit(int32_t start) {
    const uint8_t cdb[6] = {0x1B, 0x00, 0x00, 0x00, static_cast<uint8_t>(start ? 0x01 : 0x00),
                            0x00};
    if (Command(cdb, nullptr, 0, nullptr, 0) != 0) {
        ReportError("Cannot start/stop unit.");
        return 1;
    }
    return 0;
}

int32_t CCdrDriver::PerformOpc() {
    const uint8_t cdb[10] = {0x54, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};
    return Command(cdb, nullptr, 0, nullptr, 0) == 0 ? 0 : 1;
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
    const uint8_t cdb[6] = {0x15, 0x10, 0x00, 0x00, static_cast<uint8_t>(size), 0x00};
    return Command(cdb, data.data(), static_cast<int32_t>(data.size()), nullptr, 0) == 0 ? 0 : 1;
}

// ---- shared operations ----

void CCdrDriver::WaitReady(int32_t seconds) {
    if (seconds <= 0)
        return;
    for (int32_t waits = 0; TestUnitReady() != 0 && waits < seconds; ++waits) Sleep(1000);
}

int32_t CCdrDriver::ReadBufferCapacity(int32_t& length, int32_t& free) {
    const uint8_t cdb[10] = {0x5C, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x0C, 0x00};
    std::array<uint8_t, 12> reply{};
    int32_t result = Command(cdb, nullptr, 0, reply.data(), static_cast<int32_t>(reply.size()));
    if (result != 0) {
        length = kUnknownBufferLength;
        free = 0;
        return result;
    }
    length = ClampToInt32(bigendian::Get32(&reply[4]));
    free = ClampToInt32(bigendian::Get32(&reply[8]));
    return 0;
}

int32_t CCdrDriver::ReadLeadLengths() {
    const uint8_t cdb[10] = {0xEE, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x04, 0x00};
    std::array<uint8_t, 4> reply{};
    if (Command(cdb, nullptr, 0, reply.data(), static_cast<int32_t>(reply.size())) != 0)
        return 1;
    leadInLength = static_cast<int32_t>(bigendian::Get16(&reply[0]));
    leadOutLength = static_cast<int32_t>(bigendian::Get16(&reply[2]));
    return 0;
}

int32_t CCdrDriver::ModeSense6(int32_t pageCode, std::span<uint8_t> buffer,
                               std::array<uint8_t, 4>* header,
                               std::array<uint8_t, 8>* blockDescriptor) {
    std::fill(buffer.begin(), buffer.end(), 0);
    size_t allocation = buffer.size() + kModeSense6Extra;
    if (allocation > 255)
        allocation = 0;
    const uint8_t cdb[6] = {
        0x1A, 0x00, static_cast<uint8_t>(pageCode & 0x3F), 0x00, static_cast<uint8_t>(allocation),
        0x00};
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
