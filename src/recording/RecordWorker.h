#pragma once
// The recording worker: one test or real recording, on a thread of its own, from the
// optional level analysis through the drive's preparation, the blank-disc check, the
// driver's write and, when asked, the verification of the disc written, to the release
// and eject of the medium.  It reports through the
// CRecordSession fields and asks the user nothing; its only own message is the one for
// a disc that is not blank.
#include <atomic>
#include <cstdint>

struct CRecordSession;

// The thread entry: runs the whole recording with state's settings and driver.  Always 0.
int32_t RecordWorker(CRecordSession& state);

// The speed factor of the Record dialog's speed choice (0 to 5: 1x, 2x, 4x, 6x, 8x,
// maximum as factor 0); false for any other choice, which sends no speed command.
bool SpeedFactorOfChoice(int32_t choice, int32_t& factor);
