#pragma once
#include <cstdint>

#include "platform/CCriticalSection.h"
#include "platform/Clock.h"
#include "support/Chaine.h"

// One worker thread's record, shared with the user-interface thread: its byte
// counters, its stop request, its state and, once it failed, what went wrong.
// Every field but `testname` and `tstdir` (written before the thread starts)
// is read and written under `lock`; the operations below expect the caller to
// hold it (see RecordGuard).
class CDVXThreadData {
public:
    enum State : int32_t { kEnded = 0, kRunning = 1, kFailed = 2 };
    enum StopRequest : int32_t { kNoStop = 0, kStopAfterCycle = 1, kAbort = 2 };
    enum ErrorKind : int32_t { kNoError = 0, kSystemError = 1, kDataError = 2, kInternalError = 3 };
    enum Operation : int32_t {
        kCreateFile = 1,
        kCloseHandle = 2,
        kReadFile = 3,
        kWriteFile = 4,
        kSetFilePointer = 5,
        kDeleteFile = 6,
        kGetTempFileName = 7,
        kCopyFile = 8,
        kGetTempPath = 9,
    };
    // Counter slots: write-through access counts in 0, buffered access in 1.
    static int Slot(bool buffered) { return buffered ? 1 : 0; }

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
    void RecordDataError(const Chaine& expected, const Chaine& read, uint32_t offset);
    void RecordInternalError();
    void AddBytesWritten(int slot, uint32_t n) { bytesWritten[slot] += n; }
    void AddBytesRead(int slot, uint32_t n) { bytesRead[slot] += n; }

    Chaine testname;
    Chaine tstdir;
    CCriticalSection lock;
    uint64_t bytesWritten[2] = {0, 0};
    uint64_t bytesRead[2] = {0, 0};
    int32_t stopRequest = kNoStop;
    int32_t state = kRunning;
    int32_t errorKind = kNoError;
    uint32_t failTicks = 0;
    platform::SystemTime localtime;
    uint32_t winerr = 0;
    int32_t sysErrno = 0;  // the errno behind winerr; 0 when the program set the code
    int32_t operation = 0;
    Chaine datawait;  // expected bytes from the first difference, lower-case hex
    Chaine dataget;   // bytes read at the same positions
    uint32_t position = 0;
};

// Holds one record's lock for its lifetime.
class RecordGuard {
public:
    explicit RecordGuard(CDVXThreadData* record) : m_guard(record->lock) {}

private:
    CriticalSectionGuard m_guard;
};
