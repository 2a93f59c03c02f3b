#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include "engine/ResumeWatch.h"
#include "engine/RunSnapshot.h"
#include "platform/CCriticalSection.h"
#include "support/Chaine.h"

class CDVXThreadData;

// Where the worker threads and the user interface meet: the records of the
// current or last run, in thread order, and the run's clock. User-interface
// thread only; workers reach their own record alone. The counters and states
// are read without waiting on any worker; a Snapshot() takes each record's
// lock, which a worker holds only briefly, never across a file-system call.
// Lock order: this object's lock, then a record's lock; both stay inside the
// engine: every reader outside it takes a Snapshot().
class CDVXProgressData {
public:
    CDVXProgressData() = default;
    virtual ~CDVXProgressData() = default;
    CDVXProgressData(const CDVXProgressData&) = delete;
    CDVXProgressData& operator=(const CDVXProgressData&) = delete;

    // A new record in state running; its address never changes. Shared with
    // its worker thread, which may outlive the run.
    std::shared_ptr<CDVXThreadData> AddThreadData();
    void ClearThreadData();
    std::size_t GetThreadCount() const { return records.size(); }
    CDVXThreadData* GetThreadData(std::size_t i) const { return records[i].get(); }
    // The run as it stands now, as a value.
    RunSnapshot Snapshot();

    void StartClock();
    // The first stop wins; a clock that never started stays at 0.
    void StopClock();
    // Milliseconds since the start, modulo 2^32; frozen once stopped.
    uint32_t GetElapsedMs() const;
    uint32_t GetStartTicks() const { return startTicks; }

    bool IsAnyInState(int32_t state);
    bool IsAnyRunning() { return IsAnyInState(TestSnapshot::kRunning); }
    // A record runs whose thread is not stuck past `stuckAfterMs` in a call.
    bool IsAnyRunningUnstuck(uint32_t stuckAfterMs);
    bool IsAnyFailed() { return IsAnyInState(TestSnapshot::kFailed); }
    bool IsAnyStalled();
    void RequestStopAll(int32_t request);
    // One failed record makes every thread abort.
    void CheckFailure();
    // A file-system call pending for `limitMs` or longer fails its record
    // (see CDVXThreadData::RecordStall); true when one did now. After the
    // process was stopped or the system slept (ResumeWatch), the pending
    // calls count their wait from now.
    bool CheckStalls(uint32_t limitMs);

    // "1 jour(s) 2 h 3 min 4 sec", leading zero units left out.
    static Chaine FormatDuration(uint32_t ms);

private:
    template <typename F>
    void ForEachRecord(F&& visit);
    // Whether a record meets `test`.
    template <typename P>
    bool AnyRecord(P&& test);

    CCriticalSection lock;
    std::vector<std::shared_ptr<CDVXThreadData>> records;
    uint32_t startTicks = 0;
    uint32_t stopTicks = 0;
    ResumeWatch resumeWatch;  // of CheckStalls
};
