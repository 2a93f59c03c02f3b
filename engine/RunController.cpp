#include "engine/RunController.h"

#include <algorithm>
#include <cstdlib>
#include <mutex>
#include <vector>

#include "platform/Clock.h"
#include "platform/Thread.h"

namespace {

// The controllers that exist, for the process's exit. Never destroyed: the
// exit handler may run after every other destructor.
std::mutex g_liveLock;
std::vector<RunController*>& g_live = *new std::vector<RunController*>;

void EndRunsThenExit() {
    if (RunController::EndRunsAtExit()) platform::Thread::EndProcessUnderThreads(EXIT_FAILURE);
}

}  // namespace

RunController::RunController() {
    const std::lock_guard<std::mutex> guard(g_liveLock);
    g_live.push_back(this);
}

RunController::~RunController() {
    const std::lock_guard<std::mutex> guard(g_liveLock);
    g_live.erase(std::find(g_live.begin(), g_live.end(), this));
}

bool RunController::EndRunsAtExit() {
    std::vector<RunController*> live;
    {
        const std::lock_guard<std::mutex> guard(g_liveLock);
        live = g_live;
    }
    for (RunController* run : live) {
        if (run->m_prefs && run->IsBusy()) run->Abort(kShowResult);
    }
    // Polled as the front ends do, so that a call that stalls fails and its
    // thread stops holding the end; the threads delete their files meanwhile.
    for (bool busy = true; busy;) {
        busy = false;
        for (RunController* run : live) {
            if (!run->m_prefs) continue;
            run->Poll();
            busy = busy || run->IsBusy();
        }
        if (busy) platform::Clock::Sleep(kPollMs);
    }
    for (RunController* run : live) run->WaitForThreads();
    return CDVXThreadManager::WaitForAbandoned();
}

uint32_t RunController::BarPosition(uint32_t elapsedMs, const CDVXPrefs& prefs) {
    // Clamped here, not by the bar: past the longest run the time leaves the
    // bar's signed range.
    return std::min(elapsedMs, prefs.durationMinutes * prefs.timings.minuteMs);
}

void RunController::Start(const CDVXPrefs& prefs, uint64_t stopAfterMs) {
    // Registered after the static objects the threads use (those made
    // later are never destroyed): exit() runs it before their destructors.
    static const int atExit = std::atexit(EndRunsThenExit);
    (void)atExit;
    m_prefs = &prefs;
    m_stopAfterMs = stopAfterMs;
    m_ending.reset();
    m_after = kShowResult;
    m_stopping = false;
    m_stopRequests = 0;
    m_manager.Start(&prefs);
}

void RunController::Stop() {
    m_stopping = true;
    if (!m_ending) m_ending = RunVerdict::kStopped;
    if (m_after != kCancel) m_after = kShowResult;
    m_manager.Stop();
}

void RunController::Abort(After after) {
    m_stopping = true;
    if (m_ending != RunVerdict::kFailure) m_ending = RunVerdict::kAborted;
    if (m_after != kCancel) {
        m_after = after;
        if (after == kCancel) m_cancelTicks = platform::Clock::GetTickCount();
    }
    m_manager.Abort();
}

RunController::Tick RunController::Poll(int stopRequests) {
    if (!m_prefs) return {false, false, false, {}};  // no run was started
    m_manager.CheckFailure();
    if (!m_ending && m_manager.HasFailed()) m_ending = RunVerdict::kFailure;
    // IsRunning first: its first false answer stops the run's clock.
    const bool running = m_manager.IsRunning();
    if (running && stopRequests > m_stopRequests) {
        m_stopRequests = stopRequests;
        if (stopRequests >= 2) {
            Abort(kShowResult);
        } else if (!m_ending) {
            Stop();
        }
    }
    if (m_after == kCancel && platform::Clock::GetTickCount() - m_cancelTicks >= kCancelWaitMs) {
        m_manager.Abandon();
    }
    // Whether every thread returned, asked before the snapshot: once they
    // all have, the snapshot holds their last word (a failed one deleting
    // its file, say).
    const bool exited = m_manager.HaveThreadsExited();
    RunSnapshot snapshot = Snapshot();
    const uint32_t elapsed = snapshot.ElapsedMs();
    const bool timeUp = IsTimeUp(*m_prefs, m_stopAfterMs, elapsed);
    if (running && timeUp && !m_stopping) {
        // After a failure the tests are aborted already; the run just ends.
        m_stopping = true;
        if (!m_ending) m_ending = RunVerdict::kTimeUp;
        m_manager.Stop();
    }
    return {running, exited, timeUp, std::move(snapshot)};
}

bool RunController::IsBusy() {
    const bool running = m_manager.IsRunning();
    return running || !m_manager.HaveThreadsExited();
}

RunVerdict RunController::Verdict() { return Verdict(Snapshot()); }

RunVerdict RunController::Verdict(const RunSnapshot& snapshot) const {
    const bool failed = snapshot.AnyFailed();
    // Threads only end on their own by failing, or once their one check of a
    // kept file is done; the end of the time is the fallback.
    return RunVerdict::Of(m_ending.value_or(failed ? RunVerdict::kFailure : RunVerdict::kTimeUp),
                          failed, snapshot, m_prefs && !m_prefs->keptFiles.empty());
}
