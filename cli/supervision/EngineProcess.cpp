#include "cli/supervision/EngineProcess.h"

#include <utility>

#include "cli/supervision/RunMessage.h"
#include "engine/DirectoryCheck.h"
#include "engine/RunFootprint.h"
#include "engine/TestSession.h"
#include "platform/Clock.h"
#include "report/DirectoryProblemText.h"
#include "support/FileSystem.h"

namespace {

constexpr int kAbortRequest = 2;
// A message that waited this long was held by its reader, not by this machine.
constexpr uint32_t kHeldMs = 1000;

}  // namespace

int EngineProcess::Run(const CDVXPrefs& prefs, const Asked& asked,
                       const platform::ChildProcess::Link& link) {
    // The checks touch the share too: the supervisor times them from here.
    link.Send(RunMessage::Checking());
    // The folder as the wizard checks it on Next: a typo is not the network's
    // fault. A check of kept files writes nothing, not even there.
    const DirectoryCheck::Result check =
        prefs.keptFiles.empty() ? DirectoryCheck::ForRun(prefs.directory, RunFootprint::Of(prefs))
                                : DirectoryCheck::OfPath(prefs.directory);
    const bool usable = check.problem == DirectoryCheck::kUsable;
    const ShareClient client = usable ? GetShareClient(prefs.directory) : ShareClient();
    const RunMessage::Refusal refusal = !usable ? RunMessage::kUnusableDirectory
                                        : client.cachesWrites && !asked.allowCache
                                            ? RunMessage::kCachingClient
                                            : RunMessage::kStarts;
    link.Send(RunMessage::Started(client, refusal, DirectoryProblemText(check)));
    if (refusal != RunMessage::kStarts || asked.checkOnly) {
        link.Send(RunMessage::Finished(false));
        return 0;
    }

    TestSession session;
    session.prefs = prefs;
    RunController& run = session.run;
    run.Start(session.prefs, asked.stopAfterMs);
    int requests = 0;
    uint32_t heldMs = 0;
    RunMessage::Teller teller;
    for (;;) {
        requests = link.ReadRequests(requests, kAbortRequest);
        RunController::Tick tick = run.Poll(requests);
        const bool over = !tick.running && tick.threadsExited;
        const RunMessage::RunState state{run.Verdict(tick.snapshot).ending, run.IsStopping(),
                                         heldMs};
        // A supervisor that does not read (stopped, say) holds this loop
        // once the pipe is full: the next message says for how long.
        const uint32_t sending = platform::Clock::GetTickCount();
        // Nobody to tell: the tests stop at once and clean up. The last
        // message is the result: it carries everything.
        if (!link.Send(teller.Progress(state, std::move(tick.snapshot), over))) {
            teller.Lost();
            requests = kAbortRequest;
        }
        heldMs = platform::Clock::GetTickCount() - sending;
        if (heldMs < kHeldMs) heldMs = 0;
        if (over) break;
        platform::Clock::Sleep(RunController::kPollMs);
    }
    run.WaitForThreads();  // at once: the threads returned or are stuck
    const bool threadsLeft = CDVXThreadManager::AbandonedThreads() > 0;
    link.Send(RunMessage::Finished(threadsLeft));
    return threadsLeft ? -1 : 0;
}
