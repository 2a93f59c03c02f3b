#pragma once
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>

#include "cli/supervision/EngineProcess.h"
#include "cli/supervision/RunMessage.h"
#include "engine/CDVXPrefs.h"
#include "engine/ResumeWatch.h"
#include "engine/RunSnapshot.h"
#include "engine/RunVerdict.h"
#include "platform/ChildProcess.h"

// Runs the engine in a child process (see EngineProcess) and follows it from
// here, where nothing touches the share: whatever the share does, this
// process keeps the run's last snapshot, decides when it is over and ends. The
// child reports every poll; it is taken as stuck when it has said nothing
// for the stall limit (its checks of the directory hang), and when, asked to
// stop, its tests move no byte for the stall limit and 5 s. Then, and at the
// third interrupt, the run ends here with what the snapshot says, and the
// child is killed. Main thread.
class RunSupervisor {
public:
    // How long past its time a run may take to end.
    static constexpr uint32_t kEndGraceMs = 5000;

    RunSupervisor(const CDVXPrefs& prefs, const EngineProcess::Asked& asked);

    // What is done with each snapshot the child sends, as it sent it: timed
    // by the child's clock, when it looked (a stopped supervisor reads many
    // at once), with the state it sent along.
    using News = std::function<void(const RunSnapshot& run, const RunMessage::RunState& state)>;
    void OnNews(News see) { m_onNews = std::move(see); }

    // False when the child could not be made.
    bool Start();
    // Waits up to one poll for the child, passes on the interrupts (see
    // platform::StopSignals: the first stops the tests after their cycle,
    // the second aborts them, the third ends the run here at once), stops
    // the tests when their time is up, and relays the child's error output
    // to `err`. False once the run is over.
    bool Step(std::FILE* err);

    // The run as the child last told it, brought to this process's clock,
    // and completed here when the run ended without the child.
    const RunSnapshot& Snapshot() const { return m_run; }
    RunVerdict Verdict() const;
    bool HasStarted() const { return m_started; }
    bool IsStopping() const { return m_state.stopping; }
    bool NetworkPath() const { return m_client.network; }
    const ShareClient& Client() const { return m_client; }
    // Why the child did not start the tests, if it did not; the directory's
    // problem in the user's words.
    RunMessage::Refusal Refusal() const { return m_refusal; }
    const Chaine& RefusalText() const { return m_refusalText; }
    // Why the run ended without the child's result, in French; empty when
    // the child gave it.
    const std::string& Trouble() const { return m_trouble; }
    // The child gave its result, then ended badly.
    bool ChildFailed() const { return m_childFailed; }

private:
    // Waits up to one poll for the child's news and takes it; the time now,
    // and whether the child's pipe is still open.
    uint32_t Listen(std::FILE* err, bool* open);
    void Take(const std::string& body);
    // The child gave its result: it is given a moment to end, well.
    void EndWithChild(std::FILE* err);
    // Passes the interrupts on to the child; false when the third ended the
    // run here.
    bool PassInterrupts(uint32_t now);
    // The child went away without its result.
    void EndWithoutChild();
    // Whether the child still answers, and the run ends in time; false once
    // it ended here.
    bool Watch(uint32_t now);
    // The run ends here: the tests that still run fail, as stalled when
    // they wait on a call (the checks count as one), else as internal errors.
    void EndHere(bool stalled, const std::string& why);
    // Marks when the tests began to stop, by the child's word or a request.
    void NoteStopping();

    const CDVXPrefs& m_prefs;
    EngineProcess::Asked m_asked;
    platform::ChildProcess m_child;
    RunMessage::Splitter m_splitter;
    RunSnapshot m_run;
    uint32_t m_progressNumber = 0;  // of the message m_run last took
    RunMessage::RunState m_state;
    bool m_started = false;
    bool m_finished = false;
    bool m_threadsLeft = false;
    bool m_childFailed = false;
    ShareClient m_client;
    RunMessage::Refusal m_refusal = RunMessage::kStarts;
    Chaine m_refusalText;
    uint32_t m_lastHeardTicks = 0;
    uint32_t m_checkingTicks = 0;
    bool m_stopping = false;
    uint32_t m_stoppingTicks = 0;  // when the tests were first asked to stop
    uint64_t m_moved = 0;          // bytes written and read so far
    uint32_t m_movedTicks = 0;     // when that last changed
    ResumeWatch m_resumeWatch;     // of Listen
    int m_requested = 0;
    std::string m_trouble;
    News m_onNews;
};
