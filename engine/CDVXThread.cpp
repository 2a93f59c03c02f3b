#include "engine/CDVXThread.h"

#include "engine/CDVXThreadData.h"
#include "platform/Clock.h"
#include "platform/Thread.h"

CDVXThread::CDVXThread(bool isBuffered) : buffered(isBuffered) {}

CDVXThread::~CDVXThread() = default;

std::thread CDVXThread::Start(const Chaine& dir, uint32_t budget, int32_t priority,
                              std::shared_ptr<CDVXThreadData> rec, const CDVXTimings& waits) {
    // Private copies: the caller's text blocks stay on the caller's thread.
    rec->testname = GetTestName().PrivateCopy();
    rec->tstdir = dir.PrivateCopy();
    record = rec.get();
    directory = dir.PrivateCopy();
    byteBudget = budget;
    timings = waits;
    abortLatched = false;
    return platform::Thread::Start(
        [this, shared = std::move(rec)] {
            ThreadProc(this);
            shared->exited.store(true, std::memory_order_release);
        },
        priority);
}

bool CDVXThread::IsStopRequested() {
    return record->stopRequest == CDVXThreadData::kStopAfterCycle || record->MustAbort();
}

bool CDVXThread::IsAborted() {
    if (abortLatched) return true;
    abortLatched = record->MustAbort();
    return abortLatched;
}

bool CDVXThread::HasFailed() { return record->state == CDVXThreadData::kFailed; }

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
    try {
        thread->Finish();
    } catch (...) {
        RecordGuard guard(thread->record);
        thread->record->RecordInternalError();
    }
    CDVXThreadData* rec = thread->record;
    RecordGuard guard(rec);
    rec->SetState(CDVXThreadData::kEnded);
    delete thread;  // under the lock: a reader never sees a half-finished end
}
