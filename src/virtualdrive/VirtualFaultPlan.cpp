#include "virtualdrive/VirtualFaultPlan.h"

#include <cerrno>
#include <climits>

#include "scsi/ScsiStatus.h"

bool CVirtualFaultPlan::Strike(uint8_t operationCode, CVirtualAnswer& answer) {
    int32_t& count = occurrences_[operationCode];
    if (count < INT32_MAX)
        ++count;
    const Fault* fault = FaultFor(operationCode, count);
    if (fault == nullptr)
        return false;
    answer = CVirtualAnswer{};
    switch (fault->kind) {
        case Fault::Kind::kSense:
            answer = CVirtualAnswer::Check(fault->senseKey, fault->asc, fault->ascq);
            break;
        case Fault::Kind::kCheckWithoutSense:
            answer = CVirtualAnswer::Check(0, 0, 0);
            answer.senseBytes = false;
            break;
        case Fault::Kind::kTransport:
            answer.result = CVirtualAnswer::Result::kTransport;
            answer.systemError = EIO;
            break;
        case Fault::Kind::kBusy:
            answer.result = CVirtualAnswer::Result::kBusy;
            break;
        case Fault::Kind::kTimeOut:
            answer.result = CVirtualAnswer::Result::kHost;
            answer.hostStatus = scsistatus::kHostTimeOut;
            break;
    }
    return true;
}

const CVirtualFaultPlan::Fault* CVirtualFaultPlan::FaultFor(uint8_t operationCode,
                                                            int32_t occurrence) const {
    for (const Fault& fault : faults_) {
        if (fault.operationCode != operationCode || occurrence < fault.first)
            continue;
        if (fault.times < 0 || occurrence - fault.first < fault.times)
            return &fault;
    }
    return nullptr;
}
