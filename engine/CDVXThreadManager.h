#pragma once
#include <atomic>
#include <thread>
#include <vector>

#include "engine/CDVXPrefs.h"
#include "engine/CDVXProgressData.h"

// Starts a test run and answers the few questions the user interface polls:
// ten worker threads per simultaneous set (five kinds, each buffered and
// write-through). User-interface thread only.
//
// Protocol: Start once; every 200 ms CheckFailure() then IsRunning(); end with
// Stop() (finish the current cycle) or Abort() (now), and keep polling
// IsRunning() until it is false; HasFailed() then tells the result.
class CDVXThreadManager {
public:
    static constexpr uint32_t kThreadsPerSet = 10;
    static constexpr uint32_t kBytesPerMb = 1048576;
    // A thread's file is counted in 32 bits: 4096 MB would wrap to nothing.
    static constexpr uint32_t kMaxShareMb = 4095;

    CDVXThreadManager() = default;
    // Waits for every thread of the last run before the records go.
    virtual ~CDVXThreadManager();
    CDVXThreadManager(const CDVXThreadManager&) = delete;
    CDVXThreadManager& operator=(const CDVXThreadManager&) = delete;

    // Aborts the threads of a previous run that still work and waits for them
    // (a failed one may still be cleaning up), clears its records and starts
    // the new run.
    void Start(const CDVXPrefs* prefs);
    void Stop() { progress.RequestStopAll(CDVXThreadData::kStopAfterCycle); }
    void Abort() { progress.RequestStopAll(CDVXThreadData::kAbort); }
    void CheckFailure() { progress.CheckFailure(); }
    bool HasFailed() { return progress.IsAnyFailed(); }
    // False once no record runs; the run's clock stops at that first answer.
    bool IsRunning();
    // True once every thread of the run has returned, including one that
    // failed and was still deleting its file when its record stopped running.
    // Never blocks; after it, Start() and the destructor do not wait.
    bool HaveThreadsExited() const {
        return exitedThreads.load(std::memory_order_acquire) == threads.size();
    }
    CDVXProgressData& GetProgress() { return progress; }
    // Once IsRunning() is false, waits for the threads that are still cleaning
    // up after a failure, so that their records are final. Blocks: not for a
    // user interface that must stay responsive.
    void WaitForThreads() { JoinThreads(); }

    // Bytes each thread writes per cycle: an equal whole-megabyte share of the
    // disk space, at least 1 MB and at most kMaxShareMb.
    static uint32_t ByteBudget(uint32_t diskSpaceMb, uint32_t threadCount);

private:
    void JoinThreads();

    CDVXProgressData progress;
    const CDVXPrefs* prefs = nullptr;
    std::vector<std::thread> threads;
    std::atomic<uint32_t> exitedThreads{0};
};
