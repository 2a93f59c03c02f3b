#pragma once
#include <atomic>
#include <memory>
#include <thread>
#include <vector>

#include "engine/CDVXPrefs.h"
#include "engine/CDVXProgressData.h"

// Starts a test run and answers the few questions the user interface polls:
// ten worker threads per simultaneous set (five kinds, each buffered and
// write-through), and twelve more when the tests that change files are asked
// for. User-interface thread only.
//
// Protocol: Start once; every 200 ms CheckFailure() then IsRunning(); end with
// Stop() (finish the current cycle) or Abort() (now), and keep polling
// IsRunning() until it is false; HasFailed() then tells the result.
//
// A thread whose file-system call goes unanswered past the stall limit fails
// at the next CheckFailure() and counts as gone: nothing ever joins it. It
// keeps its record and its own objects until the system lets it return.
class CDVXThreadManager {
public:
    static constexpr uint32_t kBytesPerMb = 1048576;
    // A thread's file is counted in 32 bits: 4096 MB would wrap to nothing.
    static constexpr uint32_t kMaxShareMb = 4095;
    // The tests of a set in each mode (buffered, write-through), and those
    // that change files, added when they are asked for.
    static constexpr uint32_t kSetTests = 5;
    static constexpr uint32_t kChangeTests = 6;
    // Once a call went unanswered past the stall limit, the share is known
    // not to answer: the run waits this long for another call, say a failed
    // test's cleanup, before it leaves that thread too (without a failure of
    // its own: the call may be a slow local one).
    static constexpr uint32_t kKnownStallMs = 2000;

    CDVXThreadManager() = default;
    // Aborts the run and waits for its threads, those left to the system apart.
    virtual ~CDVXThreadManager();
    CDVXThreadManager(const CDVXThreadManager&) = delete;
    CDVXThreadManager& operator=(const CDVXThreadManager&) = delete;

    // Aborts the threads of a previous run that still work and waits for them
    // (a failed one may still be cleaning up), clears its records and starts
    // the new run.
    void Start(const CDVXPrefs* prefs);
    void Stop();
    void Abort();
    // Fails the calls that waited past the stall limit, then aborts every
    // thread when one has failed.
    void CheckFailure();
    bool HasFailed() { return progress.IsAnyFailed(); }
    // False once no record runs but those of stuck threads, or the threads
    // were abandoned; the run's clock stops at that first answer.
    bool IsRunning();
    // True once every thread of the run has returned (including one that
    // failed and was still deleting its file when its record stopped
    // running), waits past the stall limit, or was abandoned. Never blocks.
    bool HaveThreadsExited();
    CDVXProgressData& GetProgress() { return progress; }
    // Once IsRunning() is false, waits until HaveThreadsExited(), so that the
    // records of the threads that returned are final, and leaves the stuck
    // ones to the system. Blocks up to the stall limit: not for a user
    // interface that must stay responsive.
    void WaitForThreads();
    // Leaves every thread that has not returned to the system now: neither
    // the next run nor the program's end waits for it.
    void Abandon();
    // Threads this process left to the system, over all runs. The program's
    // end must then not run the destructors that such a thread may still need.
    static uint32_t AbandonedThreads();
    // Where the threads left to the system stand: all returned; one still on
    // its way out (a slow one deletes its files) within its stall limit; or
    // none on its way, but one waiting past its stall limit on a call.
    enum AbandonedState { kAbandonedDone, kAbandonedBusy, kAbandonedStuck };
    // Joins those that have returned and says where the others stand. Never
    // blocks, but for the joins: a user interface polls it while it tells
    // that the files are being deleted.
    static AbandonedState PollAbandoned();
    // Polls until none is on its way out any more; true when one is still
    // there, stuck. For the program's end, once its window is gone.
    static bool WaitForAbandoned();

    // Bytes each thread writes per cycle: an equal whole-megabyte share of the
    // disk space, at least 1 MB and at most kMaxShareMb.
    static uint32_t ByteBudget(uint32_t diskSpaceMb, uint32_t threadCount);
    // The test threads Start starts for `prefs`, among which it divides the
    // disk space, the cross-check's apart: one per kept file to check, else
    // kSetTests per set and mode, and ChangeThreads.
    static uint32_t TestThreads(const CDVXPrefs& prefs);
    // Those of the tests that change files: kChangeTests per set and mode
    // when they are asked for.
    static uint32_t ChangeThreads(const CDVXPrefs& prefs);

private:
    struct Worker {
        std::thread thread;
        std::shared_ptr<CDVXThreadData> record;
    };
    uint32_t StallLimitMs() const;
    // How long a call keeps its thread in the run: the stall limit, or
    // kKnownStallMs once a call has stalled.
    uint32_t StuckAfterMs();
    // Joins the threads that returned and leaves the others to the system.
    void ReleaseThreads();

    CDVXProgressData progress;
    const CDVXPrefs* prefs = nullptr;
    std::vector<Worker> workers;
    bool abandoned = false;
};
