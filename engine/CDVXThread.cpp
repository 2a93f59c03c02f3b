#include "engine/CDVXThread.h"

#include <cstddef>
#include <initializer_list>

#include "engine/CDVXThreadData.h"
#include "platform/Clock.h"
#include "platform/FileInfo.h"
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

void CDVXThread::ForgetFilesGone() {
    // Only this thread changes the list: an index stays good across the
    // unlocked look at the share.
    for (std::size_t i = 0;;) {
        Chaine name;
        {
            RecordGuard guard(record);
            if (i >= record->leftFiles.size()) return;
            name = record->leftFiles[i].PrivateCopy();
        }
        bool found = false;
        {
            CallWatch watch(record, CDVXThreadData::kGetFileAttributes, 0);
            if (!platform::FileInfo::HasEntry(name.View(), &found)) found = true;
        }
        RecordGuard guard(record);
        if (found) {
            ++i;
        } else {
            record->leftFiles.erase(record->leftFiles.begin() + static_cast<std::ptrdiff_t>(i));
        }
    }
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
    for (void (CDVXThread::*step)() : {&CDVXThread::Finish, &CDVXThread::ForgetFilesGone}) {
        try {
            (thread->*step)();
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
