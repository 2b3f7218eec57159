#pragma once
// The few flags the whole process shares across its threads and modules, in one place.
// A test sets them for a scope with CScopedProcessFlags, which gives the old values back.
#include <atomic>
#include <cstdint>

struct CProcessFlags {
    // 1 when the "MMCCDTEXT" driver was created: the Record dialog offers CD-TEXT only
    // then.  Set by the recorder discovery.
    std::atomic<int32_t> cdTextCapable{0};
    // 1 when the run writes CD-TEXT: set by the Record dialog before each run, read by
    // the MMC cue sheet (lead-in data form 0x41) and the lead-in writer.
    std::atomic<int32_t> cdTextInUse{0};
    // 1 from the recording worker's first step to its last.
    std::atomic<int32_t> recordingBusy{0};
};

CProcessFlags& ProcessFlags();

class CScopedProcessFlags {
  public:
    CScopedProcessFlags(int32_t cdTextCapable, int32_t cdTextInUse, int32_t recordingBusy = 0);
    ~CScopedProcessFlags();
    CScopedProcessFlags(const CScopedProcessFlags&) = delete;
    CScopedProcessFlags& operator=(const CScopedProcessFlags&) = delete;

  private:
    int32_t cdTextCapable_;
    int32_t cdTextInUse_;
    int32_t recordingBusy_;
};
