#include "drivers/MmcRawDriver.h"

#include <algorithm>
#include <new>

#include "disc/DiscImage.h"
#include "disc/PQSubChannel16.h"
#include "disc/PWSubChannel96.h"
#include "drivers/DriverTexts.h"
#include "scsi/MmcCommands.h"
#include "scsi/ScsiTransport.h"
#include "scsi/SpcCommands.h"

namespace {
constexpr int32_t kRawWriteType = 0x03;
using drivertext::kWriteFailed;
}  // namespace

CMmcRawDriver::CMmcRawDriver(CScsiTransport& transport, CDiscImage& discImage, IDriverUi& ui)
    : CCdrDriver(transport, discImage, ui) {
    blocksPerCommand = kInitialBlocksPerCommand;
}

CMmcRawDriver::~CMmcRawDriver() = default;

int32_t CMmcRawDriver::SetRawWriteParameters(int32_t blockType) {
    std::array<uint8_t, 56> page{};
    if (ModeSense10(mmc::kWriteParametersPage, page) != 0)
        return kNoPage;
    page[0] &= 0x7F;
    // Raw writing, the test bit for a simulation; no buffer-underrun-free recording.
    page[2] =
        static_cast<uint8_t>((page[2] & 0xE0) | kRawWriteType | (test.load() != 0 ? 0x10 : 0x00));
    page[3] = 0;
    page[4] = static_cast<uint8_t>(blockType & 0x0F);
    page[8] = 0;
    return ModeSelect10(page) == 0 ? 0 : kPageRefused;
}

int32_t CMmcRawDriver::InitWrite() {
    writeFailureShown_ = false;
    if (CheckBlankDisc() != 0) {
        // The disc was blank a moment ago, when the worker asked: say what changed.
        ReportError(BlankCheckMessage(LastBlankCheck()));
        return 1;
    }
    if (leadInLength <= 0 || leadInLength > kMaxLeadInLength) {
        // A lead-in start outside 90:00:00 to 99:59:74 is no lead-in to write.
        ReportError("The disc reports no usable lead-in: cannot write it.");
        return 1;
    }
    if (!DiscHolds(kPregapBlocks + discImage.TotalBlocks()))
        return 1;
    generator_.reset();
    // The first subchannel form the drive takes, in this order.
    struct Form {
        int32_t blockType;
        bool sixteen;
        const char* trace;
    };
    static constexpr Form kForms[] = {
        {1, true, "Using 16 byte P-Q sub-channel data mode."},
        {3, false, "Using 96 byte raw P-W sub-channel data mode."},
        {2, false, "Using 96 byte packed P-W sub-channel data mode."},
    };
    bool onlyInvalidFields = true;
    for (const Form& form : kForms) {
        const int32_t result = SetRawWriteParameters(form.blockType);
        if (result == kNoPage) {
            // Nothing can be set without the page; the user must learn which step failed.
            ReportError("Cannot retrieve write parameters mode page.");
            return 1;
        }
        if (result == 0) {
            if (form.sixteen)
                generator_ = std::make_unique<CPQSubChannel16>();
            else
                generator_ = std::make_unique<CPWSubChannel96>();
            Trace(form.trace);
            break;
        }
        // Refused as an invalid field: the drive does not write this form.
        onlyInvalidFields = onlyInvalidFields && LastCommandRefusedField();
    }
    if (!generator_) {
        Trace("Cannot setup disk-at-once writing for this drive.");
        ReportError(onlyInvalidFields
                        ? "This drive does not write raw blocks with subchannels: write it "
                          "with another driver."
                        : "Cannot set write parameters mode page.");
        return 1;
    }

    rawBlockLength_ = kBlockLength + generator_->DataLength();
    const uint32_t most = std::min(transport.MaximumTransfer(), kMostBytesPerCommand);
    blocksPerCommand = static_cast<int32_t>(most / static_cast<uint32_t>(rawBlockLength_));
    Trace("Block length: " + std::to_string(rawBlockLength_));
    if (blocksPerCommand < 1) {
        // Not even one raw block fits a command on this path.
        Trace("The path to the drive takes less than one raw block per command.");
        return 1;
    }

    // The ring, the staging and silence buffers; the image rewound.
    if (CCdrDriver::InitWrite() != 0)
        return 1;
    try {
        rawBlockBuffer_.assign(
            static_cast<size_t>(blocksPerCommand) * static_cast<size_t>(rawBlockLength_), 0);
    } catch (const std::bad_alloc&) {
        ReportError(drivertext::kNoMemory);
        return 1;
    }

    int32_t length = 0;
    const uint8_t* sheet = discImage.BuildMmcCueSheet(length);
    if (sheet == nullptr || length <= 0)
        return 1;
    const CDiscTime leadIn{leadInStart.minute, leadInStart.second, leadInStart.frame};
    if (rawWriter_.InitFromCueSheet(generator_.get(), 0, sheet, length, leadIn) != 0)
        return 1;
    ReplaceSilenceBuffer();
    return 0;
}

int32_t CMmcRawDriver::StartWrite() {
    Trace("Writing lead-in and gap...");
    // The first block of the lead-in: the lead-in length and the pregap before 0.
    nextAddress = leadInStart.address - kLeadInOrigin;
    PerformOpc();
    if (WriteSilence(nextAddress, leadInLength + kPregapBlocks) != 0)
        return 1;
    return 0;
}

int32_t CMmcRawDriver::WriteBlocks(int32_t& address, const uint8_t* data, int32_t count) {
    const size_t rawLength = static_cast<size_t>(rawBlockLength_);
    return WriteInChunks(
        address, count, blocksPerCommand, [&](int32_t at, int32_t n, int32_t done) {
            const std::span<const uint8_t> audio(data + static_cast<size_t>(done) * kBlockLength,
                                                 static_cast<size_t>(n) * kBlockLength);
            if (rawBlockBuffer_.size() < static_cast<size_t>(n) * rawLength ||
                rawWriter_.EncodeBlocks(at, audio, n, rawBlockBuffer_) != n)
                return 1;
            const auto cdb = spc::Write10(static_cast<uint32_t>(at), static_cast<uint32_t>(n));
            if (StopRequested())
                return 1;  // the lead-in alone takes minutes at 1x; no message for a stop
            // A drive still busy with what it has gets the same command again.
            const int32_t result = CommandWhileBecomingReady(
                cdb, rawBlockBuffer_.data(), static_cast<int32_t>(n * rawLength), nullptr, 0);
            if (result != 0) {
                Trace(kWriteFailed);
                if (StopRequested())
                    return 1;
                // The disc is ruined: the user must know, once.
                if (!writeFailureShown_) {
                    writeFailureShown_ = true;
                    ReportError(WriteFailureText(kWriteFailed));
                }
                return 1;
            }
            return 0;
        });
}

int32_t CMmcRawDriver::FinishDisc() {
    // A lead-out after audio that did not all go out ends nothing: the disc is lost,
    // and at 1x its 6750 blocks would hold a stopped run for a minute and a half.
    bool leadOutWritten = false;
    if (!StopRequested() && nextAddress >= discImage.TotalBlocks()) {
        Trace("Writing lead-out...");
        int32_t address = nextAddress;
        leadOutWritten = WriteSilence(address, leadOutLength) == 0;
    }
    Trace("\nFlushing cache...");
    flushSucceeded_ = FlushAndCheck() == 1 && leadOutWritten ? 1 : 0;
    WaitForClosing();
    ReleaseBuffers();
    std::vector<uint8_t>().swap(rawBlockBuffer_);
    nextAddress = 0;
    return 0;
}
