#include "verify/DiscReader.h"

#include <algorithm>
#include <cstring>

#include "base/BigEndian.h"
#include "disc/DiscTime.h"
#include "scsi/MmcCommands.h"
#include "scsi/ScsiStatus.h"
#include "scsi/ScsiTransport.h"
#include "scsi/SpcCommands.h"

namespace {
// Reads of more blocks gain nothing and hold up a Stop.
constexpr int32_t kMostBlocksPerRead = 26;
constexpr int32_t kReadySeconds = 20;
constexpr int32_t kTocBytes = 4 + 8 * 100;
constexpr int32_t kModeBytes = 255;

// MODE SELECT (10) of one page, with an empty header and no block descriptor.
int32_t SelectPage(CScsiTransport& transport, const std::vector<uint8_t>& page) {
    std::vector<uint8_t> list(8, 0);
    list.insert(list.end(), page.begin(), page.end());
    const auto cdb = spc::ModeSelect10(spc::kPageFormat, static_cast<uint32_t>(list.size()));
    return transport.Execute(cdb.data(), static_cast<int32_t>(cdb.size()), list.data(),
                             static_cast<int32_t>(list.size()), nullptr, 0);
}
}  // namespace

CDiscReader::CDiscReader(CScsiTransport& transport, const std::atomic<int32_t>& stop)
    : transport_(transport), stop_(stop) {
    blocksPerRead_ = std::clamp(static_cast<int32_t>(transport.MaximumTransfer() / kBlockBytes), 1,
                                kMostBlocksPerRead);
    buffer_.resize(static_cast<size_t>(blocksPerRead_) * kBlockBytes);
}

CDiscReader::~CDiscReader() {
    if (!recoveryPage_.empty())
        SelectPage(transport_, recoveryPage_);
}

void CDiscReader::RetriesOff() {
    std::vector<uint8_t> reply(kModeBytes, 0);
    const auto cdb = spc::ModeSense10(spc::kErrorRecoveryPage, kModeBytes);
    if (transport_.Execute(cdb.data(), static_cast<int32_t>(cdb.size()), nullptr, 0, reply.data(),
                           kModeBytes) != 0)
        return;
    const size_t available = std::min<size_t>(kModeBytes, bigendian::Get16(&reply[0]) + 2u);
    const size_t at = 8 + size_t{bigendian::Get16(&reply[6])};
    if (at + 4 > available || (reply[at] & 0x3F) != spc::kErrorRecoveryPage ||
        at + 2 + reply[at + 1] > available || reply[at + 1] < 2)
        return;
    std::vector<uint8_t> page(reply.begin() + static_cast<std::ptrdiff_t>(at),
                              reply.begin() + static_cast<std::ptrdiff_t>(at + 2 + reply[at + 1]));
    page[0] &= 0x3F;  // the savable bit is reserved in MODE SELECT
    if (page[3] == 0)
        return;
    std::vector<uint8_t> fast = page;
    fast[3] = 0;
    if (SelectPage(transport_, fast) == 0)
        recoveryPage_ = std::move(page);
}

std::string CDiscReader::WaitForDisc(const std::function<void(int32_t)>& sleep) {
    const auto spinUp = spc::StartStopUnit(spc::kStart);
    transport_.Execute(spinUp.data(), static_cast<int32_t>(spinUp.size()), nullptr, 0, nullptr, 0);
    const auto ready = spc::TestUnitReady();
    for (int32_t second = 0;; ++second) {
        const int32_t result = transport_.Execute(ready.data(), static_cast<int32_t>(ready.size()),
                                                  nullptr, 0, nullptr, 0);
        if (result == 0)
            return "";
        if (transport_.DriveGone())
            return "The recorder does not answer.";
        int32_t length = 0;
        const uint8_t* sense = transport_.SenseData(length);
        if (result == 2 && (sense[2] & 0x0F) == scsistatus::kSenseNotReady && sense[12] == 0x3A)
            return "There is no disc in the recorder.";
        if (second >= kReadySeconds || stop_.load() != 0)
            return "The recorder is not ready to read the disc.";
        sleep(1000);
    }
}

std::string CDiscReader::ReadToc(std::vector<int32_t>& starts, int32_t& leadOut) {
    starts.clear();
    std::vector<uint8_t> toc(kTocBytes, 0);
    const auto cdb = mmc::ReadTocPmaAtip(mmc::kTocFormat, 1, kTocBytes);
    if (transport_.Execute(cdb.data(), static_cast<int32_t>(cdb.size()), nullptr, 0, toc.data(),
                           kTocBytes) != 0)
        return "The disc's table of contents cannot be read: is it a written audio disc?";
    const uint32_t length = std::min<uint32_t>(bigendian::Get16(&toc[0]) + 2, kTocBytes);
    for (uint32_t at = 4; at + 8 <= length; at += 8) {
        const uint8_t* d = &toc[at];
        const auto address = static_cast<int32_t>(bigendian::Get32(&d[4]));
        if (d[2] == 0xAA) {
            leadOut = address;
            leadOut_ = address;
            return starts.empty() ? "The disc has no tracks." : "";
        }
        if ((d[1] & 0x04) != 0)
            return "The disc holds data tracks: it is not an audio disc.";
        if (address < 0 || (!starts.empty() && address <= starts.back()))
            return "The disc's table of contents makes no sense.";
        starts.push_back(address);
    }
    return "The disc's table of contents has no lead-out.";
}

bool CDiscReader::ReadBlocks(int32_t address, int32_t blocks, uint8_t* out) {
    const auto cdb = mmc::ReadCdAudio(address, static_cast<uint32_t>(blocks));
    return transport_.Execute(cdb.data(), static_cast<int32_t>(cdb.size()), nullptr, 0, out,
                              blocks * kBlockBytes) == 0;
}

bool CDiscReader::ReadFrames(int64_t first, std::span<uint8_t> out, std::span<CFrameRead> state) {
    const auto frames = static_cast<int64_t>(std::min(out.size() / kFrameBytes, state.size()));
    std::fill(out.begin(), out.end(), uint8_t{0});
    std::fill(state.begin(), state.end(), CFrameRead::kOutside);
    if (frames == 0)
        return true;
    // Floor division: positions before the disc are negative.
    auto blockOf = [](int64_t frame) {
        return frame >= 0 ? frame / kFramesPerBlock
                          : -((-frame + kFramesPerBlock - 1) / kFramesPerBlock);
    };
    const int64_t from = std::max<int64_t>(blockOf(first), 0);
    const int64_t to = std::min<int64_t>(blockOf(first + frames - 1) + 1, leadOut_);
    // Copies the blocks read (or, failed, marks them) into the frames they cover.
    auto take = [&](int64_t block, int64_t count, const uint8_t* data) {
        const int64_t lo = std::max(block * kFramesPerBlock, first);
        const int64_t hi = std::min((block + count) * kFramesPerBlock, first + frames);
        for (int64_t f = lo; f < hi; ++f) {
            const auto at = static_cast<size_t>(f - first);
            state[at] = data != nullptr ? CFrameRead::kRead : CFrameRead::kFailed;
            if (data != nullptr)
                std::memcpy(&out[at * kFrameBytes],
                            data + (f - block * kFramesPerBlock) * kFrameBytes, kFrameBytes);
        }
    };
    for (int64_t block = from; block < to;) {
        const auto count = static_cast<int32_t>(std::min<int64_t>(blocksPerRead_, to - block));
        if (ReadBlocks(static_cast<int32_t>(block), count, buffer_.data())) {
            take(block, count, buffer_.data());
        } else {
            if (transport_.DriveGone())
                return false;
            // One bad block fails a whole read: the others are read one by one.
            for (int32_t b = 0; b < count; ++b) {
                if (stop_.load() != 0)
                    return true;
                if (ReadBlocks(static_cast<int32_t>(block + b), 1, buffer_.data())) {
                    take(block + b, 1, buffer_.data());
                } else {
                    if (transport_.DriveGone())
                        return false;
                    ++failedBlocks_;
                    take(block + b, 1, nullptr);
                }
            }
        }
        block += count;
    }
    return true;
}
