#pragma once
// How a virtual device answers one command: GOOD with the reply bytes or the data it
// took, CHECK CONDITION with its sense, or a failure below the device (the transport, a
// busy target, the adapter).  The device's common commands and every command-set model
// answer in these terms; the device turns them into what the kernel would report.
#include <cstdint>
#include <vector>

#include "scsi/ScsiBackend.h"

// Sense key, additional sense code and qualifier; key 0 means good.
struct CVirtualSense {
    uint8_t key = 0;
    uint8_t asc = 0;
    uint8_t ascq = 0;
    bool Good() const { return key == 0; }
};

struct CVirtualAnswer {
    enum class Result : int32_t { kGood = 0, kCheck = 1, kTransport = 2, kBusy = 3, kHost = 4 };

    Result result = Result::kGood;
    uint8_t senseKey = 0, asc = 0, ascq = 0;
    bool senseBytes = true;     // false: CHECK CONDITION without sense data
    uint16_t hostStatus = 0;    // with kHost
    int32_t systemError = 0;    // with kTransport
    std::vector<uint8_t> data;  // data-in, already cut to the allocation length
    uint32_t consumed = 0;      // data-out bytes taken

    static CVirtualAnswer Check(uint8_t key, uint8_t asc, uint8_t ascq);
    // GOOD, or CHECK CONDITION with the sense.
    static CVirtualAnswer Of(const CVirtualSense& sense);
    // The adapter gives up: what a host whose buffer does not match the transfer sees.
    static CVirtualAnswer HostError();
    // GOOD with these reply bytes, cut to the allocation length.
    static CVirtualAnswer Reply(std::vector<uint8_t> data, uint32_t allocation);
};

// True when the host sends at least `need` bytes with the command (or none are needed).
bool SendsAtLeast(const IScsiBackend::Request& request, uint32_t need);
