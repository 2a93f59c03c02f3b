#include "engine/CDVXThread.h"

#include "engine/CDVXThreadData.h"
#include "platform/Clock.h"
#include "platform/Thread.h"

CDVXThread::CDVXThread(bool isBuffered) : buffered(isBuffered) {}

CDVXThread::~CDVXThread() = default;

std::thread CDVXThread::Start(const Chaine& dir, uint32_t budget, int32_t priority,
                              CDVXThreadData* rec, const CDVXTimings& waits,
                              std::atomic<uint32_t>* exited) {
    // Private copies: the caller's text blocks stay on the caller's thread.
    rec->testname = GetTestName().PrivateCopy();
    rec->tstdir = dir.PrivateCopy();
    record = rec;
    directory = dir.PrivateCopy();
    byteBudget = budget;
    timings = waits;
    abortLatched = false;
    return platform::Thread::Start(
        [this, exited] {
            ThreadProc(this);
            if (exited) exited->fetch_add(1, std::memory_order_release);
        },
        priority);
}

bool CDVXThread::IsStopRequested() {
    RecordGuard guard(record);
    return record->stopRequest == CDVXThreadData::kStopAfterCycle ||
           record->stopRequest == CDVXThreadData::kAbort ||
           record->state == CDVXThreadData::kFailed;
}

bool CDVXThread::IsAborted() {
    if (abortLatched) return true;
    RecordGuard guard(record);
    abortLatched =
        record->stopRequest == CDVXThreadData::kAbort || record->state == CDVXThreadData::kFailed;
    return abortLatched;
}

bool CDVXThread::HasFailed() {
    RecordGuard guard(record);
    return record->state == CDVXThreadData::kFailed;
}

void CDVXThread::ThreadProc(CDVXThread* thread) {
    platform::Clock::Sleep(thread->timings.startDelayMs);
    while (!thread->IsStopRequested()) {
        try {
            thread->Run();
        } catch (...) {
            RecordGuard guard(thread->record);
            thread->record->RecordInternalError();
        }
    }
    CDVXThreadData* rec = thread->record;
    RecordGuard guard(rec);
    rec->SetState(CDVXThreadData::kEnded);
    delete thread;  // under the lock: a reader never sees a half-finished end
}
