// How the driver sends a command: a BUSY drive gets a few more tries, a drive still
// becoming ready gets the same command again, a drive that is gone is reported once, and
// every pause ends early on a stop.
#include <algorithm>
#include <chrono>
#include <string>
#include <thread>

#include "drivers/CdrDriver.h"
#include "drivers/DriverTexts.h"
#include "scsi/ScsiStatus.h"
#include "scsi/ScsiTransport.h"

namespace {
// A drive that says "becoming ready" gets a few immediate retries, then one every 10 ms,
// for about a minute in all.
constexpr int32_t kQuickRetries = 8;
constexpr int32_t kRetryPauseMs = 10;
constexpr int32_t kMostRetries = 6000;
// A BUSY drive gets this many more tries, the pause doubling from the first.
constexpr int32_t kBusyRetries = 4;
constexpr int32_t kFirstBusyPauseMs = 20;
// Real pauses are cut into slices this long, so that a stop ends them promptly.
constexpr int32_t kPauseSliceMs = 20;

// Write error: loss of streaming.  The drive ran out of data while the laser was on.
bool LostStreaming(const uint8_t* sense) {
    return sense[12] == 0x0C && sense[13] == 0x09;
}

bool BecomingReady(const uint8_t* sense) {
    return (sense[2] & 0x0F) == scsistatus::kSenseNotReady && sense[12] == 0x04 &&
           (sense[13] == 0x08 || sense[13] == 0x07 || sense[13] == 0x01);
}
}  // namespace

int32_t CCdrDriver::Command(std::span<const uint8_t> cdb, const void* dataOut,
                            int32_t dataOutLength, void* dataIn, int32_t dataInLength) {
    const bool stoppedBefore = StopRequested();
    int32_t result = 0;
    int32_t pauseMs = kFirstBusyPauseMs;
    for (int32_t busy = 0;; ++busy) {
        result = transport.Execute(cdb.data(), static_cast<int32_t>(cdb.size()), dataOut,
                                   dataOutLength, dataIn, dataInLength);
        if (result == 0 || transport.LastFailure() != CScsiTransport::Failure::kBusy ||
            busy >= kBusyRetries || !Pause(pauseMs, stoppedBefore))
            break;
        pauseMs *= 2;
    }
    if (!transport.DriveGone()) {
        if (transport.LastFailure() != CScsiTransport::Failure::kRefused)
            driveGone_ = false;  // it answered
    } else if (!driveGone_) {
        reportedInRun_ = true;
        ui_.ReportError(transport.LastFailure() == CScsiTransport::Failure::kTimeOut
                            ? drivertext::kDriveTimedOut
                            : drivertext::kDriveGone);
        driveGone_ = true;
    }
    return result;
}

int32_t CCdrDriver::CommandWhileBecomingReady(std::span<const uint8_t> cdb, const void* dataOut,
                                              int32_t dataOutLength, void* dataIn,
                                              int32_t dataInLength) {
    // After a stop the pauses take from the run's grace, which ends the retries soon.
    const bool stoppedBefore = StopRequested();
    int32_t result = 0;
    for (int32_t retries = 0;; ++retries) {
        result = Command(cdb, dataOut, dataOutLength, dataIn, dataInLength);
        int32_t senseLength = 0;
        if (result != 2 || !BecomingReady(transport.SenseData(senseLength)) ||
            retries >= kMostRetries)
            return result;
        if (!stoppedBefore && StopRequested())
            return result;
        if (retries >= kQuickRetries && !Pause(kRetryPauseMs, stoppedBefore))
            return result;
    }
}

bool CCdrDriver::Pause(int32_t milliseconds, bool stoppedBefore) {
    auto interrupted = [&] { return driveGone_ || (!stoppedBefore && StopRequested()); };
    if (interrupted())
        return false;
    if (stoppedBefore) {
        // A wait after the stop: the run's grace pays for it, and once that is spent
        // nothing more is waited for.
        if (graceLeftMs_ <= 0)
            return false;
        milliseconds = std::min(milliseconds, graceLeftMs_);
        graceLeftMs_ -= milliseconds;
    }
    if (sleep_) {
        sleep_(milliseconds);
        return !interrupted();
    }
    for (int32_t left = milliseconds; left > 0; left -= kPauseSliceMs) {
        std::this_thread::sleep_for(std::chrono::milliseconds(std::min(left, kPauseSliceMs)));
        if (interrupted())
            return false;
    }
    return true;
}

void CCdrDriver::WaitReady(int32_t seconds) {
    WaitUntilReady(seconds);
}

bool CCdrDriver::WaitUntilReady(int32_t seconds) {
    if (seconds <= 0 || readyWaitsCut_)
        return false;
    // After a stop the pauses take from the run's grace: a few seconds at most.
    const bool stoppedBefore = StopRequested();
    for (int32_t waits = 0;; ++waits) {
        if (TestUnitReady() == 0)
            return true;
        if (driveGone_ || waits >= seconds)
            return false;
        if (!Pause(1000, stoppedBefore)) {
            readyWaitsCut_ = !driveGone_;
            return false;
        }
    }
}

int32_t CCdrDriver::SenseKey() const {
    int32_t length = 0;
    return transport.SenseData(length)[2] & 0x0F;
}

bool CCdrDriver::LastCommandRefusedField() const {
    if (transport.LastFailure() != CScsiTransport::Failure::kCheckCondition)
        return false;
    int32_t length = 0;
    const uint8_t* sense = transport.SenseData(length);
    return (sense[2] & 0x0F) == scsistatus::kSenseIllegalRequest &&
           (sense[12] == 0x24 || sense[12] == 0x26);
}

std::string CCdrDriver::WriteFailureText(const char* text) const {
    int32_t length = 0;
    return LostStreaming(transport.SenseData(length)) ? drivertext::kUnderrunAdvice : text;
}
