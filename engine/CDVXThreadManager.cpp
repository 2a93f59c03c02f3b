#include "engine/CDVXThreadManager.h"

#include <algorithm>
#include <mutex>

#include "engine/CDVXAppendThread.h"
#include "engine/CDVXAtomThread.h"
#include "engine/CDVXCopyFileThread.h"
#include "engine/CDVXCrossReadThread.h"
#include "engine/CDVXCrossWriteThread.h"
#include "engine/CDVXFillZeroThread.h"
#include "engine/CDVXKeptFileThread.h"
#include "engine/CDVXOverwriteThread.h"
#include "engine/CDVXRandomThread.h"
#include "engine/CDVXRenameOverThread.h"
#include "engine/CDVXRereadThread.h"
#include "engine/CDVXResizeThread.h"
#include "engine/CDVXRewriteShorterThread.h"
#include "engine/CDVXTempThread.h"
#include "engine/CDVXThreadData.h"
#include "platform/Clock.h"

namespace {

// The threads left to the system, with the stall limit of their run. Kept
// joinable: once its record says it exited, a thread still ends its own
// thread-local objects, which the program's end must wait for.
struct Abandoned {
    std::thread thread;
    std::shared_ptr<CDVXThreadData> record;
    uint32_t limitMs;
};
std::mutex g_abandonedLock;
// Never destroyed: a thread in it may outlive every destructor.
std::vector<Abandoned>& g_abandoned = *new std::vector<Abandoned>;

constexpr uint32_t kWaitStepMs = 10;

using ThreadList = std::vector<std::pair<std::unique_ptr<CDVXThread>, Chaine>>;

// The tests that change files, beside a set's five.
void AddChangeTests(bool buffered, bool keep, const Chaine& directory, ThreadList* list) {
    list->emplace_back(std::make_unique<CDVXOverwriteThread>(buffered, keep), directory);
    list->emplace_back(std::make_unique<CDVXRewriteShorterThread>(buffered, keep), directory);
    list->emplace_back(std::make_unique<CDVXAppendThread>(buffered, keep), directory);
    list->emplace_back(std::make_unique<CDVXResizeThread>(buffered, keep), directory);
    list->emplace_back(std::make_unique<CDVXRenameOverThread>(buffered, keep), directory);
    list->emplace_back(std::make_unique<CDVXRereadThread>(buffered, keep), directory);
}

// Settings made by hand may say no set: a run has one at least.
uint32_t Sets(const CDVXPrefs& prefs) {
    return prefs.simultaneousTests == 0 ? 1 : prefs.simultaneousTests;
}

}  // namespace

CDVXThreadManager::~CDVXThreadManager() {
    Abort();
    WaitForThreads();
}

void CDVXThreadManager::Stop() { progress.RequestStopAll(CDVXThreadData::kStopAfterCycle); }

void CDVXThreadManager::Abort() { progress.RequestStopAll(CDVXThreadData::kAbort); }

uint32_t CDVXThreadManager::AbandonedThreads() {
    const std::lock_guard<std::mutex> guard(g_abandonedLock);
    return static_cast<uint32_t>(g_abandoned.size());
}

CDVXThreadManager::AbandonedState CDVXThreadManager::PollAbandoned() {
    const std::lock_guard<std::mutex> guard(g_abandonedLock);
    const uint32_t now = platform::Clock::GetTickCount();
    bool busy = false, stuck = false;
    for (Abandoned& a : g_abandoned) {
        if (a.record->exited.load(std::memory_order_acquire)) {
            if (a.thread.joinable()) a.thread.join();
            continue;
        }
        (a.record->IsStuck(now, a.limitMs) ? stuck : busy) = true;
    }
    if (busy) return kAbandonedBusy;
    return stuck ? kAbandonedStuck : kAbandonedDone;
}

bool CDVXThreadManager::WaitForAbandoned() {
    for (;;) {
        const AbandonedState state = PollAbandoned();
        if (state != kAbandonedBusy) return state == kAbandonedStuck;
        platform::Clock::Sleep(kWaitStepMs);
    }
}

uint32_t CDVXThreadManager::StallLimitMs() const {
    return prefs ? prefs->timings.stallLimitMs : CDVXTimings().stallLimitMs;
}

uint32_t CDVXThreadManager::StuckAfterMs() {
    const uint32_t limit = StallLimitMs();
    return progress.IsAnyStalled() ? std::min(limit, kKnownStallMs) : limit;
}

void CDVXThreadManager::CheckFailure() {
    progress.CheckStalls(StallLimitMs());
    progress.CheckFailure();
}

bool CDVXThreadManager::HaveThreadsExited() {
    if (abandoned) return true;
    const uint32_t now = platform::Clock::GetTickCount();
    const uint32_t limit = StuckAfterMs();
    for (const Worker& w : workers) {
        if (!w.record->exited.load(std::memory_order_acquire) && !w.record->IsStuck(now, limit)) {
            return false;
        }
    }
    return true;
}

void CDVXThreadManager::WaitForThreads() {
    while (!HaveThreadsExited()) platform::Clock::Sleep(kWaitStepMs);
    ReleaseThreads();
}

void CDVXThreadManager::Abandon() {
    abandoned = true;
    ReleaseThreads();
}

void CDVXThreadManager::ReleaseThreads() {
    const uint32_t limit = StuckAfterMs();
    for (Worker& w : workers) {
        if (!w.thread.joinable()) continue;
        if (w.record->exited.load(std::memory_order_acquire)) {
            w.thread.join();  // it is returning: no wait
        } else {
            const std::lock_guard<std::mutex> guard(g_abandonedLock);
            g_abandoned.push_back({std::move(w.thread), w.record, limit});
        }
    }
    workers.clear();
}

uint32_t CDVXThreadManager::ByteBudget(uint32_t diskSpaceMb, uint32_t threadCount) {
    uint32_t shareMb = threadCount == 0 ? diskSpaceMb : diskSpaceMb / threadCount;
    if (shareMb <= 1) shareMb = 1;
    if (shareMb > kMaxShareMb) shareMb = kMaxShareMb;
    return shareMb * kBytesPerMb;
}

uint32_t CDVXThreadManager::ChangeThreads(const CDVXPrefs& prefs) {
    return prefs.modifyTests && prefs.keptFiles.empty() ? 2 * Sets(prefs) * kChangeTests : 0;
}

uint32_t CDVXThreadManager::TestThreads(const CDVXPrefs& prefs) {
    if (!prefs.keptFiles.empty()) return static_cast<uint32_t>(prefs.keptFiles.size());
    return 2 * Sets(prefs) * kSetTests + ChangeThreads(prefs);
}

void CDVXThreadManager::Start(const CDVXPrefs* p) {
    Abort();
    WaitForThreads();
    prefs = p;
    abandoned = false;
    progress.ClearThreadData();

    const uint32_t sets = Sets(*prefs);
    ThreadList list;
    for (const KeptFile& kept : prefs->keptFiles) {
        list.emplace_back(std::make_unique<CDVXKeptFileThread>(kept), prefs->directory);
    }
    for (bool buffered : {true, false}) {
        for (uint32_t i = 0; prefs->keptFiles.empty() && i < sets; ++i) {
            list.emplace_back(std::make_unique<CDVXFillZeroThread>(buffered), prefs->directory);
            list.emplace_back(std::make_unique<CDVXRandomThread>(buffered), prefs->directory);
            list.emplace_back(std::make_unique<CDVXAtomThread>(buffered), prefs->directory);
            list.emplace_back(std::make_unique<CDVXTempThread>(buffered), prefs->directory);
            list.emplace_back(std::make_unique<CDVXCopyFileThread>(buffered), prefs->directory);
            if (prefs->modifyTests) {
                AddChangeTests(buffered, prefs->keepFiles, prefs->directory, &list);
            }
        }
    }
    // The byte budget is the tests': the cross-check's files are its own. The
    // count is the one the folder's check and the advanced dialog use
    // (RunFootprint); a test compares it with the threads started.
    const uint32_t budget = ByteBudget(prefs->diskSpaceMb, TestThreads(*prefs));
    if (!prefs->crossCheckDirectory.IsEmpty()) {
        list.emplace_back(std::make_unique<CDVXCrossWriteThread>(prefs->crossCheckName),
                          prefs->directory);
        list.emplace_back(std::make_unique<CDVXCrossReadThread>(), prefs->crossCheckDirectory);
    }
    progress.StartClock();
    workers.reserve(list.size());
    for (auto& [thread, directory] : list) {
        const std::shared_ptr<CDVXThreadData> record = progress.AddThreadData();
        try {
            workers.push_back(Worker{
                thread->Start(directory, budget, prefs->threadPriority, record, prefs->timings),
                record});
            thread.release();  // the worker thread owns the object now and destroys it
        } catch (...) {
            // No thread could be created: the record says so instead of running forever.
            RecordGuard guard(record.get());
            record->RecordInternalError();
            record->exited = true;
        }
    }
}

bool CDVXThreadManager::IsRunning() {
    // An abandoned or stuck thread's record may still say running: it is over for the run.
    if (!abandoned && progress.IsAnyRunningUnstuck(StuckAfterMs())) return true;
    progress.StopClock();
    return false;
}
