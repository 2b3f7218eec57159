#pragma once
// Whoever shows a recording run (the Record dialog, the command line), as the recording
// worker sees it.  The worker never touches a window: what it would change there it
// posts, and the call returns at once, since the user-interface thread may be busy
// waiting for this very worker.
class IRecordRunView {
  public:
    virtual ~IRecordRunView() = default;
    // The write is over and the medium ejected: Test and Record may be used again,
    // Stop no longer.  Called on the worker thread; must not wait for the
    // user-interface thread.
    virtual void PostWriteEnded() = 0;
};
