#pragma once
#include <atomic>
#include <cstdint>
#include <vector>

#include "engine/RunSnapshot.h"
#include "platform/CCriticalSection.h"
#include "platform/Clock.h"
#include "support/Chaine.h"

// One worker thread's record, shared with the user-interface thread: its byte
// counters, its stop request, its state, the file-system call it is in and,
// once it failed, what went wrong. The counters, the state, the stop request
// and the pending call are atomic: a reader never waits on a worker. The
// failure's details and the file names are read and written under `lock`;
// the operations below that touch them expect the caller to hold it (see
// RecordGuard). `testname` and `tstdir` are written before the thread starts.
// Shared ownership: a thread that a run left behind keeps its record.
class CDVXThreadData {
public:
    using State = TestSnapshot::State;
    using enum TestSnapshot::State;
    enum StopRequest : int32_t { kNoStop = 0, kStopAfterCycle = 1, kAbort = 2 };
    using enum TestFailure::Kind;
    using enum TestFailure::Operation;
    // Counter slots: write-through access counts in 0, buffered access in 1.
    static int Slot(bool buffered) { return TestSnapshot::Slot(buffered); }
    // Files a thread holds at once (the copy test: the source and the copy).
    static constexpr int kFileSlots = 2;

    // A file-system call that has not returned yet.
    struct PendingCall {
        int32_t operation = 0;
        uint32_t position = 0;
        int fileSlot = -1;  // -1: a call on the directory, before the file has a name
        uint32_t waitedMs = 0;
    };

    CDVXThreadData() = default;
    virtual ~CDVXThreadData() = default;
    CDVXThreadData(const CDVXThreadData&) = delete;
    CDVXThreadData& operator=(const CDVXThreadData&) = delete;

    // An abort (2) is final: it never turns back into a stop or into none.
    void SetStopRequest(int32_t r);
    // A failed record stays failed; its failure time is that of the first failure.
    void SetState(int32_t s);
    // The first failed call's code, errno, operation and position are kept (a
    // code of 0 lets the next call in); errorKind names the latest kind.
    void RecordSystemError(uint32_t code, int32_t op, uint32_t offset, int32_t err);
    // The first data error's bytes, position and damage are kept.
    void RecordDataError(const Chaine& expected, const Chaine& read, uint32_t offset,
                         const Damage& damage = Damage());
    // The first difference between the `expectedCount` bytes expected and
    // the `readCount` read at `base`, with up to 10 bytes of each from there
    // (fewer, or none, past the end of either).
    void RecordMismatch(const void* expected, uint32_t expectedCount, const void* read,
                        uint32_t readCount, uint32_t base, const Damage& damage = Damage());
    void RecordInternalError();
    void AddBytesWritten(int slot, uint32_t n) {
        bytesWritten[slot].fetch_add(n, std::memory_order_relaxed);
    }
    void AddBytesRead(int slot, uint32_t n) {
        bytesRead[slot].fetch_add(n, std::memory_order_relaxed);
    }

    // The worker, around each file-system call; no lock.
    void EnterCall(int32_t op, uint32_t position, int fileSlot);
    void LeaveCall() { m_callSince.store(0, std::memory_order_release); }
    // Asked to abort, or failed: the thread leaves its cycle now. No lock.
    bool MustAbort() const { return stopRequest == kAbort || state == kFailed; }
    // Any thread: the call the worker is in at `nowTicks`; false when none.
    bool GetPendingCall(uint32_t nowTicks, PendingCall* call) const;
    // The call pending since `limitMs` or longer becomes the record's failure
    // (unless it failed before): "timed out", with how long the share has not
    // answered and the file. False when no call is that old, or the stall is
    // recorded already.
    bool RecordStall(uint32_t nowTicks, uint32_t limitMs);
    // The pending call counts its wait from now: the process was stopped
    // (Ctrl+Z), and the share had nothing to do with that time.
    void RestartCallClock(uint32_t nowTicks);
    // Past the limit in a call, now or before: the thread is left to the system.
    bool IsStuck(uint32_t nowTicks, uint32_t limitMs) const;

    // A slot for a file of the thread; -1 when all are taken.
    int ClaimFileSlot();
    void SetFileName(int slot, const Chaine& name);
    // A name that is still there when the slot is given back (its file could
    // not be deleted) goes to the files left behind.
    void ReleaseFileSlot(int slot);
    // The record as a value, at `nowTicks`. The caller holds the lock.
    TestSnapshot Snapshot(uint32_t nowTicks) const;

    Chaine testname;
    Chaine tstdir;
    mutable CCriticalSection lock;
    std::atomic<uint64_t> bytesWritten[2] = {0, 0};
    std::atomic<uint64_t> bytesRead[2] = {0, 0};
    std::atomic<int32_t> stopRequest{kNoStop};
    std::atomic<int32_t> state{kRunning};
    // Set once the worker thread's objects are gone, just before it returns.
    std::atomic<bool> exited{false};
    // A call of the thread went unanswered past the limit: the run does not
    // wait for it any more, even once that call has returned.
    std::atomic<bool> stalled{false};
    TestFailure failure;
    Chaine fileNames[kFileSlots];
    Chaine peer;  // the other client of a cross-check, once it gave its name
    bool slotTaken[kFileSlots] = {false, false};
    // Files the thread could not delete; once its cycles are done, only
    // those still there, or that the share would not say (see
    // CDVXThread::ForgetFilesGone).
    std::vector<Chaine> leftFiles;
    KeptFile kept;  // the file kept for a later check; no name: none

private:
    // The file of a slot, or the directory for a call before the file has a name.
    const Chaine& PendingFile(int fileSlot) const;

    std::atomic<int32_t> m_callOp{0};
    std::atomic<uint32_t> m_callPosition{0};
    std::atomic<int32_t> m_callSlot{-1};
    // When the call began, with kInCall set; 0: in no call.
    static constexpr uint64_t kInCall = uint64_t{1} << 32;
    std::atomic<uint64_t> m_callSince{0};
};

// Holds one record's lock for its lifetime.
class RecordGuard {
public:
    explicit RecordGuard(const CDVXThreadData* record) : m_guard(record->lock) {}

private:
    CriticalSectionGuard m_guard;
};

// Marks a file-system call of the worker for the stall watch while it lasts.
class CallWatch {
public:
    CallWatch(CDVXThreadData* record, int32_t op, uint32_t position, int fileSlot = -1)
        : m_record(record) {
        m_record->EnterCall(op, position, fileSlot);
    }
    ~CallWatch() { m_record->LeaveCall(); }
    CallWatch(const CallWatch&) = delete;
    CallWatch& operator=(const CallWatch&) = delete;

private:
    CDVXThreadData* m_record;
};
