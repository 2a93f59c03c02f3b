#pragma once
#include <cstdint>
#include <optional>

#include "engine/CDVXPrefs.h"
#include "engine/CDVXThreadManager.h"
#include "engine/RunVerdict.h"

// One run as the front ends drive it, polled every kPollMs: a failure aborts
// the other tests, the end of the time (or of a shorter limit) stops them
// after their cycle, a first stop request does the same and an abort cuts
// them short. Once no thread runs, the verdict says what the run proved. The
// wizard also follows each poll's answer with its buttons; the command line
// only waits for the end. No Qt; the thread that started the run only.
//
// A process that calls exit() with a run still going (a library that gives
// up, as the window system's does when its display goes away) ends that run
// first: see EndRunsAtExit.
class RunController {
public:
    static constexpr uint32_t kPollMs = 200;
    // A Cancel waits this long for the threads; those that have not returned
    // then are left to the system, so that the window closes at once.
    static constexpr uint32_t kCancelWaitMs = 1000;

    // Where the front end goes once no thread runs any more.
    enum After { kShowResult, kBack, kCancel };

    struct Tick {
        bool running;          // a test still runs
        bool threadsExited;    // every worker thread has returned
        bool timeUp;           // the run has lasted as long as it was to
        RunSnapshot snapshot;  // the run as the poll saw it
    };

    RunController();
    ~RunController();
    RunController(const RunController&) = delete;
    RunController& operator=(const RunController&) = delete;

    // Where a bar of the run's duration stands: the elapsed time, never past the end.
    static uint32_t BarPosition(uint32_t elapsedMs, const CDVXPrefs& prefs);
    // The run has lasted its duration, or `stopAfterMs` (0: none).
    static bool IsTimeUp(const CDVXPrefs& prefs, uint64_t stopAfterMs, uint32_t elapsedMs) {
        return prefs.IsTimeUp(elapsedMs) || (stopAfterMs != 0 && elapsedMs >= stopAfterMs);
    }

    // Aborts a previous run and waits for its threads, then starts one with
    // `prefs`, which outlive it. `stopAfterMs` ends it sooner; 0: the
    // duration alone.
    void Start(const CDVXPrefs& prefs, uint64_t stopAfterMs = 0);
    void Start(CDVXPrefs&&, uint64_t = 0) = delete;
    // The tests finish their cycle; then the front end goes to the result,
    // unless a Cancel was asked before.
    void Stop();
    // The tests stop now; then the front end goes where `after` says, unless
    // a Cancel was asked before. After a Cancel, the threads still busy
    // kCancelWaitMs later are abandoned.
    void Abort(After after);
    // One poll, every kPollMs. `stopRequests` counts the requests so far (the
    // command line's interrupts): while the run goes on, a new first one
    // stops it, a second aborts it, before the time is looked at. Nothing
    // runs before Start.
    Tick Poll(int stopRequests = 0);
    // A record still runs, or a thread is still on its way out (a thread
    // stuck past the stall limit, or abandoned, is not). Never blocks.
    bool IsBusy();
    // A stop or abort was asked, by the user or by the end of the time.
    bool IsStopping() const { return m_stopping; }
    After GetAfter() const { return m_after; }
    // Blocks until every thread has returned or is stuck (see
    // CDVXThreadManager::WaitForThreads), so that the records are final.
    void WaitForThreads() { m_manager.WaitForThreads(); }
    // What the run proved, once it is over.
    RunVerdict Verdict();
    // The same, from a snapshot taken since the last poll.
    RunVerdict Verdict(const RunSnapshot& snapshot) const;
    // The run as it stands now: what every front end shows and reports.
    RunSnapshot Snapshot() { return m_manager.GetProgress().Snapshot(); }

    // Aborts every run still going, gives its threads the stall rule's time
    // to delete their files, and leaves none running: true when one is still
    // stuck on a call, so that the process must end without destructors.
    // Registered with atexit by the first Start, after the objects the
    // threads use, so that it runs before their destructors; to be called by
    // the thread that drives the runs.
    static bool EndRunsAtExit();

private:
    CDVXThreadManager m_manager;
    const CDVXPrefs* m_prefs = nullptr;
    uint64_t m_stopAfterMs = 0;
    std::optional<RunVerdict::Ending> m_ending;
    After m_after = kShowResult;
    bool m_stopping = false;
    int m_stopRequests = 0;
    uint32_t m_cancelTicks = 0;
};
