#include "cli/EngineProcess.h"

#include "cli/RunMessage.h"
#include "engine/TestSession.h"
#include "support/FileSystem.h"

namespace {

constexpr int kAbortRequest = 2;

}  // namespace

int EngineProcess::Run(const CDVXPrefs& prefs, uint64_t stopAfterMs, bool allowCache,
                       const platform::ChildProcess::Link& link) {
    // The checks touch the share too: the supervisor times them from here.
    link.Send(RunMessage::Checking());
    const ShareClient client = GetShareClient(prefs.directory);
    const bool refused = client.cachesWrites && !allowCache;
    link.Send(RunMessage::Started(client, refused));
    if (refused) {
        link.Send(RunMessage::Finished(false));
        return 0;
    }

    TestSession session;
    session.prefs = prefs;
    RunController& run = session.run;
    run.Start(session.prefs, stopAfterMs);
    int requests = 0;
    for (;;) {
        requests = link.ReadRequests(requests, kAbortRequest);
        const RunController::Tick tick = run.Poll(requests);
        const bool over = !tick.running && !run.IsBusy();
        const RunMessage::RunState state{run.Verdict().ending, run.IsStopping()};
        // Nobody to tell: the tests stop at once and clean up.
        if (!link.Send(RunMessage::Progress(state, run.Progress()))) requests = kAbortRequest;
        if (over) break;
        platform::Clock::Sleep(RunController::kPollMs);
    }
    run.WaitForThreads();  // at once: the threads returned or are stuck
    const bool threadsLeft = CDVXThreadManager::AbandonedThreads() > 0;
    link.Send(RunMessage::Finished(threadsLeft));
    return threadsLeft ? -1 : 0;
}
