#pragma once
#include <atomic>
#include <cstdint>
#include <memory>
#include <thread>

#include "engine/CDVXTimings.h"
#include "support/Chaine.h"

class CDVXThreadData;

// Base of the five test kinds: one worker thread that repeats a test cycle
// (Run) until it is asked to stop or fails. The manager constructs the object
// and calls Start on the user-interface thread; from then on only the worker
// thread touches it, and destroys it as its last act.
class CDVXThread {
public:
    explicit CDVXThread(bool buffered);
    virtual ~CDVXThread();
    CDVXThread(const CDVXThread&) = delete;
    CDVXThread& operator=(const CDVXThread&) = delete;

    virtual Chaine GetTestName() = 0;
    // One complete test cycle. Failures go into the record, never out of here.
    virtual void Run() = 0;
    // Once the cycles are over (stopped, aborted or failed): what must be
    // left in order. Failures go into the record.
    virtual void Finish() {}

    // Fills the record's name and directory, then starts the worker thread at
    // `priority`. The object must not be used by the caller afterwards; the
    // returned thread lets the caller wait for its end, or leave it to the
    // system. The thread shares the record to its end, and marks it `exited`
    // once the object is gone, just before it returns.
    std::thread Start(const Chaine& directory, uint32_t byteBudget, int32_t priority,
                      std::shared_ptr<CDVXThreadData> record, const CDVXTimings& timings);

    // A stop or an abort was asked for, or the thread failed.
    bool IsStopRequested();
    // An abort was asked for, or the thread failed; latched once true.
    bool IsAborted();
    bool HasFailed();

protected:
    CDVXThreadData* record = nullptr;
    Chaine directory;
    uint32_t byteBudget = 0;
    CDVXTimings timings;
    bool abortLatched = false;
    const bool buffered;

private:
    static void ThreadProc(CDVXThread* thread);
    // The one judge of the files left behind, once the cycles are done: a
    // name with nothing under it any more (the share or another client
    // removed it, or the whole directory) leaves the record's list. Each is
    // looked up as any call on the share, watched for a stall; a name that
    // cannot be looked up stays listed, since its file may be there.
    void ForgetFilesGone();
};
