#include "cli/supervision/RunSupervisor.h"

#include <algorithm>

#include "engine/RunController.h"
#include "platform/Clock.h"
#include "platform/ResourceIds.h"
#include "platform/StopSignals.h"
#include "report/TableText.h"

namespace {

using platform::Clock;

// How long a child that gave its result may take to end, its error output
// still passed on (a sanitizer's report comes last).
constexpr uint32_t kExitWaitMs = 2000;
constexpr uint32_t kExitStepMs = 50;
// How late the child may be to stop the tests at their time.
constexpr uint32_t kTimeGraceMs = 1000;

// Orders tick counts, which wrap.
bool Earlier(uint32_t a, uint32_t b) { return static_cast<int32_t>(a - b) < 0; }

// Milliseconds from `then` to `now`; 0 for a `then` read after `now`.
uint32_t Since(uint32_t now, uint32_t then) { return Earlier(now, then) ? 0 : now - then; }

}  // namespace

RunSupervisor::RunSupervisor(const CDVXPrefs& prefs, const EngineProcess::Asked& asked)
    : m_prefs(prefs), m_asked(asked) {}

bool RunSupervisor::Start() {
    const CDVXPrefs& prefs = m_prefs;
    const EngineProcess::Asked asked = m_asked;
    const bool made = m_child.Start([&prefs, asked](const platform::ChildProcess::Link& link) {
        return EngineProcess::Run(prefs, asked, link);
    });
    m_lastHeardTicks = m_checkingTicks = m_movedTicks = Clock::GetTickCount();
    m_resumeWatch.Resumed(m_lastHeardTicks, Clock::GetSleptMs());
    return made;
}

void RunSupervisor::Take(const std::string& body) {
    switch (RunMessage::KindOf(body)) {
        case RunMessage::kChecking: m_checkingTicks = Clock::GetTickCount(); break;
        case RunMessage::kStarted:
            m_started = RunMessage::ReadStarted(body, &m_client, &m_refusal, &m_refusalText);
            break;
        case RunMessage::kProgress:
            if (!RunMessage::ReadProgress(body, &m_state, &m_run, &m_progressNumber)) break;
            if (m_state.stopping) NoteStopping();
            if (m_onNews) m_onNews(m_run, m_state);
            break;
        case RunMessage::kFinished:
            m_finished = RunMessage::ReadFinished(body, &m_threadsLeft);
            break;
    }
}

void RunSupervisor::NoteStopping() {
    if (m_stopping) return;
    m_stopping = true;
    m_stoppingTicks = Clock::GetTickCount();
}

bool RunSupervisor::Step(std::FILE* err) {
    bool open = true;
    const uint32_t now = Listen(err, &open);
    if (m_finished) {
        EndWithChild(err);
        return false;
    }
    if (!PassInterrupts(now)) return false;
    if (!open) {
        EndWithoutChild();
        return false;
    }
    return Watch(now);
}

uint32_t RunSupervisor::Listen(std::FILE* err, bool* open) {
    std::string bytes;
    *open = m_child.Wait(RunController::kPollMs, platform::StopSignals::WakeHandle(), &bytes, err);
    platform::StopSignals::Drain();
    m_splitter.Feed(bytes.data(), bytes.size());
    for (std::string body; m_splitter.Next(&body);) Take(body);
    const uint32_t now = Clock::GetTickCount();
    // The run as it stands now for all this process knows: a child that
    // says nothing moves no counter, but its time and its calls' waits go on.
    m_run.takenTicks = now;
    if (!bytes.empty()) m_lastHeardTicks = now;
    // Both processes were stopped (Ctrl+Z) or the system slept: the child
    // said nothing for that reason alone.
    if (m_resumeWatch.Resumed(now, Clock::GetSleptMs())) m_lastHeardTicks = m_stoppingTicks = now;
    return now;
}

void RunSupervisor::EndWithChild(std::FILE* err) {
    // A child with stuck threads cannot end before the share answers.
    std::string how, bytes;
    bool exited = m_child.HasExited(&how);
    for (uint32_t waited = 0; !m_threadsLeft && !exited && waited < kExitWaitMs;
         waited += kExitStepMs) {
        m_child.Wait(kExitStepMs, -1, &bytes, err);
        exited = m_child.HasExited(&how);
    }
    // Its result given, the child must still end well: a sanitizer's
    // finding at its end, say, makes the run's exit status 2.
    if (exited && m_child.ExitCode() != 0) {
        m_childFailed = true;
        m_trouble = TableText::Format(res::kChildEndedBadly, how.c_str());
    }
    m_child.Kill();  // a stuck one ends when the system lets it
}

bool RunSupervisor::PassInterrupts(uint32_t now) {
    const int interrupts = platform::StopSignals::Count();
    if (interrupts >= 3) {
        // Whatever the tests do, the run is over for this process.
        m_state.ending = RunVerdict::kAborted;
        if (m_run.startTicks != 0 && m_run.stopTicks == 0) m_run.stopTicks = now;
        m_child.Kill();
        return false;
    }
    if (interrupts > m_requested) {
        m_requested = interrupts;
        m_child.Request(static_cast<uint8_t>(interrupts));
        NoteStopping();
    }
    return true;
}

void RunSupervisor::EndWithoutChild() {
    std::string how;
    for (uint32_t waited = 0; waited < kExitWaitMs && !m_child.HasExited(&how);
         waited += kExitStepMs) {
        Clock::Sleep(kExitStepMs);
    }
    const std::string unknown = TableText::Get(res::kUnknownCause);
    EndHere(false,
            TableText::Format(res::kChildVanished, how.empty() ? unknown.c_str() : how.c_str()));
}

bool RunSupervisor::Watch(uint32_t now) {
    const uint32_t limit = m_prefs.timings.stallLimitMs;
    if (Since(now, m_lastHeardTicks) >= limit) {
        EndHere(true,
                m_started
                    ? TableText::Format(res::kChildSilent, Since(now, m_lastHeardTicks) / 1000)
                    : TableText::Format(res::kDirectorySilent, Since(now, m_checkingTicks) / 1000));
        return false;
    }
    if (m_started && m_run.startTicks != 0 && !m_stopping) {
        // The child ends the run at its time; this is in case it does not.
        const uint32_t elapsed = m_run.ElapsedMs();
        if (elapsed >= kTimeGraceMs &&
            RunController::IsTimeUp(m_prefs, m_asked.stopAfterMs, elapsed - kTimeGraceMs)) {
            m_requested = 1;
            m_child.Request(1);
            NoteStopping();
        }
    }
    // A cycle may take long to finish after a stop: only a run that moves no
    // byte for that long has stopped answering.
    const uint64_t moved = m_run.TotalWritten(true) + m_run.TotalRead(true);
    if (moved != m_moved) {
        m_moved = moved;
        m_movedTicks = now;
    }
    if (m_stopping &&
        Since(now, std::max(m_stoppingTicks, m_movedTicks, Earlier)) >= limit + kEndGraceMs) {
        EndHere(true, TableText::Format(res::kTestsDidNotStop, Since(now, m_stoppingTicks) / 1000));
        return false;
    }
    return true;
}

void RunSupervisor::EndHere(bool stalled, const std::string& why) {
    m_trouble = why;
    if (m_run.tests.empty()) {
        // The run never began: its checks stand for it.
        TestSnapshot check;
        check.testname = Chaine(Chaine::ResourceId(res::kCheckTestName));
        check.tstdir = m_prefs.directory;
        check.pending = stalled;
        check.call = {TestFailure::kGetFileAttributes, 0, m_prefs.directory, m_checkingTicks};
        m_run.tests.push_back(std::move(check));
    }
    m_run.EndHere(stalled, Clock::GetTickCount());
    m_state.ending = RunVerdict::kFailure;
    m_child.Kill();
}

RunVerdict RunSupervisor::Verdict() const {
    // A run that ended in failure here failed, even with no test to say so.
    const bool failed = m_run.AnyFailed() || m_state.ending == RunVerdict::kFailure;
    return RunVerdict::Of(m_state.ending, failed, m_run, !m_prefs.keptFiles.empty());
}
