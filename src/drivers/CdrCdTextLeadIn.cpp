// The CD-TEXT lead-in: the pack groups over and over, from the lead-in's first block to
// the pregap.
#include <cstring>

#include "disc/CdTextBuilder.h"
#include "drivers/CdrDriver.h"
#include "drivers/DriverTexts.h"
#include "scsi/SpcCommands.h"

int32_t CCdrDriver::WriteCdTextLeadIn() {
    if (leadInLength <= 0 || leadInLength > kMaxLeadInLength) {
        // A lead-in start outside 90:00:00 to 99:59:74 is no lead-in: writing hundreds of
        // thousands of blocks to nowhere helps nobody.
        ReportError("The disc reports no usable lead-in: cannot write CD-TEXT.");
        return 1;
    }
    const CCdTextBuilder* text = cdText_;
    const int32_t groups = text != nullptr ? text->blockCount : 0;
    if (groups <= 0) {
        Trace("CD-TEXT is in use but no pack groups were built.");
        ReportError(drivertext::kWriteFailed);
        return 1;
    }
    int32_t address = -kPregapBlocks - leadInLength;
    int32_t group = 0;
    return WriteInChunks(
        address, leadInLength, CommandBlocks(kCdTextBlockLength),
        [&](int32_t at, int32_t n, int32_t) {
            if (StopRequested())
                return 1;  // the lead-in takes many seconds; no message for a stop
            for (int32_t b = 0; b < n; ++b) {
                const auto& block = text->blocks[static_cast<size_t>(group)];
                uint8_t* to = &cdTextTransfer_[static_cast<size_t>(b) * kCdTextBlockLength];
                if (block)
                    std::memcpy(to, block->Data().data(), kCdTextBlockLength);
                else
                    std::memset(to, 0, kCdTextBlockLength);
                group = (group + 1) % groups;
            }
            const auto cdb = spc::Write10(static_cast<uint32_t>(at), static_cast<uint32_t>(n));
            if (CommandWhileBecomingReady(cdb, cdTextTransfer_.data(), n * kCdTextBlockLength,
                                          nullptr, 0) != 0) {
                // The lead-in is not written: the run is over, and the user must know why.
                ReportError(drivertext::kWriteFailed);
                return 1;
            }
            return 0;
        });
}
