#include "engine/CDVXThreadManager.h"

#include <memory>

#include "engine/CDVXAtomThread.h"
#include "engine/CDVXCopyFileThread.h"
#include "engine/CDVXFillZeroThread.h"
#include "engine/CDVXRandomThread.h"
#include "engine/CDVXTempThread.h"

CDVXThreadManager::~CDVXThreadManager() {
    Abort();
    JoinThreads();
}

void CDVXThreadManager::JoinThreads() {
    for (std::thread& t : threads) t.join();
    threads.clear();
    exitedThreads.store(0, std::memory_order_relaxed);
}

uint32_t CDVXThreadManager::ByteBudget(uint32_t diskSpaceMb, uint32_t threadCount) {
    uint32_t shareMb = threadCount == 0 ? diskSpaceMb : diskSpaceMb / threadCount;
    if (shareMb <= 1) shareMb = 1;
    if (shareMb > kMaxShareMb) shareMb = kMaxShareMb;
    return shareMb * kBytesPerMb;
}

void CDVXThreadManager::Start(const CDVXPrefs* p) {
    prefs = p;
    Abort();
    JoinThreads();
    progress.ClearThreadData();

    const uint32_t sets = prefs->simultaneousTests == 0 ? 1 : prefs->simultaneousTests;
    std::vector<std::unique_ptr<CDVXThread>> list;
    for (bool buffered : {true, false}) {
        for (uint32_t i = 0; i < sets; ++i) {
            list.push_back(std::make_unique<CDVXFillZeroThread>(buffered));
            list.push_back(std::make_unique<CDVXRandomThread>(buffered));
            list.push_back(std::make_unique<CDVXAtomThread>(buffered));
            list.push_back(std::make_unique<CDVXTempThread>(buffered));
            list.push_back(std::make_unique<CDVXCopyFileThread>(buffered));
        }
    }
    progress.StartClock();
    const uint32_t budget = ByteBudget(prefs->diskSpaceMb, static_cast<uint32_t>(list.size()));
    threads.reserve(list.size());
    for (auto& thread : list) {
        CDVXThreadData* record = progress.AddThreadData();
        try {
            threads.push_back(thread->Start(prefs->directory, budget, prefs->threadPriority, record,
                                            prefs->timings, &exitedThreads));
            thread.release();  // the worker thread owns the object now and destroys it
        } catch (...) {
            // No thread could be created: the record says so instead of running forever.
            RecordGuard guard(record);
            record->RecordInternalError();
        }
    }
}

bool CDVXThreadManager::IsRunning() {
    if (progress.IsAnyRunning()) return true;
    progress.StopClock();
    return false;
}
