#include "engine/RunSnapshot.h"

#include <cerrno>

#include "platform/SystemError.h"

TestFailure TestFailure::Stalled(int32_t operation, uint32_t position, uint32_t waitedMs,
                                 const Chaine& file) {
    TestFailure f;
    f.errorKind = kSystemError;
    f.winerr = platform::SystemError::kSemTimeout;
    f.sysErrno = ETIMEDOUT;
    f.operation = operation;
    f.position = position;
    f.stallSeconds = waitedMs / 1000;
    f.stallFile = file.PrivateCopy();
    return f;
}

uint32_t TestSnapshot::WaitedMs(uint32_t nowTicks) const {
    if (!pending) return 0;
    const uint32_t waited = nowTicks - call.sinceTicks;
    // A tick count read before the call began.
    return waited > 0x80000000u ? 0 : waited;
}

uint32_t RunSnapshot::ElapsedMs() const {
    const bool running = stopTicks == 0 && startTicks != 0;
    return (running ? takenTicks : stopTicks) - startTicks;
}

uint64_t RunSnapshot::TotalWritten(bool includeBuffered) const {
    uint64_t total = 0;
    for (const TestSnapshot& t : tests)
        total += t.bytesWritten[0] + (includeBuffered ? t.bytesWritten[1] : 0);
    return total;
}

uint64_t RunSnapshot::TotalRead(bool includeBuffered) const {
    uint64_t total = 0;
    for (const TestSnapshot& t : tests)
        total += t.bytesRead[0] + (includeBuffered ? t.bytesRead[1] : 0);
    return total;
}

uint64_t RunSnapshot::Throughput() const {
    return Throughput(ElapsedMs(), TotalRead(false) + TotalWritten(false));
}

uint64_t RunSnapshot::Throughput(uint32_t elapsedMs, uint64_t bytesMoved) {
    const uint64_t seconds = elapsedMs / 1000;
    return seconds <= 5 ? 0 : bytesMoved / seconds;
}

bool RunSnapshot::AnyFailed() const {
    for (const TestSnapshot& t : tests) {
        if (t.state == TestSnapshot::kFailed) return true;
    }
    return false;
}

std::vector<RunSnapshot::Waiting> RunSnapshot::WaitingTests(uint32_t minMs) const {
    std::vector<Waiting> waiting;
    for (const TestSnapshot& t : tests) {
        const uint32_t waited = t.WaitedMs(takenTicks);
        if (t.pending && waited >= minMs) waiting.push_back({t.testname, waited});
    }
    return waiting;
}

std::vector<Chaine> RunSnapshot::LeftFiles() const {
    std::vector<Chaine> files;
    for (const TestSnapshot& t : tests)
        files.insert(files.end(), t.leftFiles.begin(), t.leftFiles.end());
    return files;
}

std::vector<KeptFile> RunSnapshot::KeptFiles() const {
    std::vector<KeptFile> files;
    for (const TestSnapshot& t : tests) {
        if (!t.kept.name.empty()) files.push_back(t.kept);
    }
    return files;
}

void RunSnapshot::EndHere(bool stalled, uint32_t nowTicks) {
    const platform::SystemTime now = platform::Clock::GetLocalTime();
    for (TestSnapshot& t : tests) {
        if (t.state != TestSnapshot::kRunning) continue;
        if (stalled && t.pending) {
            t.failure = TestFailure::Stalled(t.call.operation, t.call.position,
                                             t.WaitedMs(nowTicks), t.call.file);
            t.stalled = true;
        } else {
            t.failure = TestFailure();
            t.failure.errorKind = TestFailure::kInternalError;
        }
        t.failure.failTicks = nowTicks;
        t.failure.localtime = now;
        t.state = TestSnapshot::kFailed;
    }
    takenTicks = nowTicks;
    if (startTicks != 0 && stopTicks == 0) stopTicks = nowTicks;
}
