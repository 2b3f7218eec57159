#include "virtualdrive/VirtualAnswer.h"

#include "scsi/ScsiStatus.h"

CVirtualAnswer CVirtualAnswer::Check(uint8_t key, uint8_t asc, uint8_t ascq) {
    CVirtualAnswer answer;
    answer.result = Result::kCheck;
    answer.senseKey = key;
    answer.asc = asc;
    answer.ascq = ascq;
    return answer;
}

CVirtualAnswer CVirtualAnswer::Of(const CVirtualSense& sense) {
    return sense.Good() ? CVirtualAnswer{} : Check(sense.key, sense.asc, sense.ascq);
}

CVirtualAnswer CVirtualAnswer::HostError() {
    CVirtualAnswer answer;
    answer.result = Result::kHost;
    answer.hostStatus = scsistatus::kHostError;
    return answer;
}

CVirtualAnswer CVirtualAnswer::Reply(std::vector<uint8_t> data, uint32_t allocation) {
    if (data.size() > allocation)
        data.resize(allocation);
    CVirtualAnswer answer;
    answer.data = std::move(data);
    return answer;
}

bool SendsAtLeast(const IScsiBackend::Request& request, uint32_t need) {
    return need == 0 ||
           (request.direction == IScsiBackend::Direction::kOut && request.length >= need);
}
