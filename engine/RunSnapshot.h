#pragma once
#include <cstdint>
#include <vector>

#include "engine/Damage.h"
#include "engine/KeptFile.h"
#include "platform/Clock.h"
#include "support/Chaine.h"

// What went wrong in a failed test: the error record of its worker thread,
// as a value.
struct TestFailure {
    enum Kind : int32_t { kNoError = 0, kSystemError = 1, kDataError = 2, kInternalError = 3 };
    // The file-system call that failed.
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
        kGetFileAttributes = 10,
        kSetEndOfFile = 11,
        kMoveFile = 12,
    };

    int32_t errorKind = kNoError;
    uint32_t winerr = 0;
    int32_t sysErrno = 0;  // the errno behind winerr; 0 when the program set the code
    int32_t operation = 0;
    uint32_t position = 0;
    Chaine datawait;            // expected bytes from the first difference, lower-case hex
    Chaine dataget;             // bytes read at the same positions
    uint32_t stallSeconds = 0;  // a call that got no answer: for how long
    Chaine stallFile;           // and on which file (or directory)
    Damage damage;              // of the data that differ, or of the file cut short
    uint32_t failTicks = 0;
    platform::SystemTime localtime;

    // A call that got no answer for `waitedMs`, on `file`: "timed out".
    static TestFailure Stalled(int32_t operation, uint32_t position, uint32_t waitedMs,
                               const Chaine& file);
};

// One worker thread's test at the moment of the snapshot.
struct TestSnapshot {
    enum State : int32_t { kEnded = 0, kRunning = 1, kFailed = 2 };
    // A file-system call that had not returned.
    struct PendingCall {
        int32_t operation = 0;
        uint32_t position = 0;
        Chaine file;  // or the directory, for a call before the file has a name
        uint32_t sinceTicks = 0;
    };

    // Write-through access counts in slot 0, buffered access in 1.
    static int Slot(bool buffered) { return buffered ? 1 : 0; }

    Chaine testname;
    Chaine tstdir;
    int32_t state = kRunning;
    bool exited = false;   // the worker thread has returned
    bool stalled = false;  // a call went unanswered past the stall limit
    uint64_t bytesWritten[2] = {0, 0};
    uint64_t bytesRead[2] = {0, 0};
    bool pending = false;
    PendingCall call;     // when pending
    TestFailure failure;  // when failed
    Chaine peer;          // the other client of a cross-check, once it gave its name
    // The files left behind, and those the test held at the moment.
    std::vector<Chaine> leftFiles;
    KeptFile kept;  // the file kept for a later check; no name: none

    // How long the pending call had waited at `nowTicks`; 0 when none.
    uint32_t WaitedMs(uint32_t nowTicks) const;
};

// A run as it stood at one moment: its clock and every test, copied out of
// the engine so that its reader, on the thread it was handed to or in
// another process, needs no lock and never waits on a worker. Its texts are
// its own, shared with no worker; a copy shares them with the original, so
// both stay on one thread.
struct RunSnapshot {
    // A test whose pending call had waited for a while.
    struct Waiting {
        Chaine testname;
        uint32_t waitedMs;
    };

    uint32_t startTicks = 0;  // 0: the run never started
    uint32_t stopTicks = 0;   // 0: the clock still ran
    uint32_t takenTicks = 0;  // the moment the snapshot stands for
    std::vector<TestSnapshot> tests;

    // Milliseconds since the start, modulo 2^32: up to the stop, or up to
    // the snapshot while the clock ran; 0 before any start.
    uint32_t ElapsedMs() const;
    // Slot 0 of the byte counters over all tests, plus slot 1 when asked.
    uint64_t TotalWritten(bool includeBuffered) const;
    uint64_t TotalRead(bool includeBuffered) const;
    // Bytes per second moved by the write-through threads, 0 for the first 6 s.
    uint64_t Throughput() const;
    // The arithmetic of Throughput: whole seconds only, 0 up to 5 s.
    static uint64_t Throughput(uint32_t elapsedMs, uint64_t bytesMoved);
    bool AnyFailed() const;
    std::vector<Waiting> WaitingTests(uint32_t minMs) const;
    // The files the run could not delete, and those its tests still held.
    std::vector<Chaine> LeftFiles() const;
    // The files kept for a later check, in the order of the tests.
    std::vector<KeptFile> KeptFiles() const;

    // The run ends here, without its engine (the process that ran it was
    // lost): every test still running fails at `nowTicks`, as stalled on
    // its pending call when `stalled`, else as an internal error, and the
    // clock stops.
    void EndHere(bool stalled, uint32_t nowTicks);
};
