#include "base/ProcessFlags.h"

CProcessFlags& ProcessFlags() {
    static CProcessFlags flags;
    return flags;
}

CScopedProcessFlags::CScopedProcessFlags(int32_t cdTextCapable, int32_t cdTextInUse,
                                         int32_t recordingBusy)
    : cdTextCapable_(ProcessFlags().cdTextCapable.exchange(cdTextCapable)),
      cdTextInUse_(ProcessFlags().cdTextInUse.exchange(cdTextInUse)),
      recordingBusy_(ProcessFlags().recordingBusy.exchange(recordingBusy)) {}

CScopedProcessFlags::~CScopedProcessFlags() {
    ProcessFlags().cdTextCapable = cdTextCapable_;
    ProcessFlags().cdTextInUse = cdTextInUse_;
    ProcessFlags().recordingBusy = recordingBusy_;
}
