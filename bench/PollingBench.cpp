// What the progress page pays every 200 ms while 50 threads run: one
// CheckFailure(), one IsRunning() and the four totals. And what the command
// line's two processes pay for each poll on top: what changed in the records
// told through a pipe and applied to the copy on the other side.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <string>
#include <vector>

#include <unistd.h>

#include "cli/supervision/RunMessage.h"
#include "engine/CDVXThreadManager.h"
#include "engine/RunController.h"
#include "platform/Clock.h"

namespace {

// A run of five sets on a fresh directory of /dev/shm.
struct FiftyThreads {
    FiftyThreads() {
        char pattern[] = "/dev/shm/dalvex-bench-XXXXXX";
        dir = mkdtemp(pattern);
        setenv("TMPDIR", dir.c_str(), 1);
        prefs.SetDirectory(Chaine(std::string_view(dir)));
        prefs.SetSimultaneousTests(5);
        manager.Start(&prefs);
    }
    ~FiftyThreads() {
        manager.Abort();
        manager.WaitForThreads();
        std::filesystem::remove_all(dir);
    }
    std::string dir;
    CDVXPrefs prefs;
    CDVXThreadManager manager;
};

void BM_PollFiftyThreads(benchmark::State& state) {
    FiftyThreads run;
    CDVXThreadManager& manager = run.manager;
    uint64_t sum = 0;
    for (auto _ : state) {
        manager.CheckFailure();
        sum += manager.IsRunning();
        const RunSnapshot snapshot = manager.GetProgress().Snapshot();
        sum += snapshot.TotalWritten(true) + snapshot.TotalRead(true) + snapshot.Throughput();
    }
    benchmark::DoNotOptimize(sum);
    state.counters["threads"] = static_cast<double>(manager.GetProgress().GetThreadCount());
}
BENCHMARK(BM_PollFiftyThreads)->Unit(benchmark::kMicrosecond)->UseRealTime();

// The snapshots of a run of five sets, one a poll for kWholeEvery polls:
// what the child tells, each message carrying a poll's changes.
const std::vector<RunSnapshot>& Polls() {
    static const std::vector<RunSnapshot> polls = [] {
        FiftyThreads run;
        std::vector<RunSnapshot> taken(RunMessage::Teller::kWholeEvery);
        for (RunSnapshot& snapshot : taken) {
            platform::Clock::Sleep(RunController::kPollMs);
            snapshot = run.manager.GetProgress().Snapshot();
        }
        return taken;
    }();
    return polls;
}

// Those polls over and over, told through a pipe and applied to the copy on
// the other side; once a round, the message from the last to the first
// changes every counter, and one carries everything. Each message takes a
// copy of its snapshot, which the child spares itself (it gives its own).
void BM_TellFiftyRecords(benchmark::State& state) {
    const std::vector<RunSnapshot>& polls = Polls();
    int fds[2];
    if (pipe(fds) != 0) return state.SkipWithError("no pipe");
    RunMessage::Teller teller;
    RunMessage::Splitter splitter;
    RunSnapshot copy;
    RunMessage::RunState runState;
    uint32_t number = 0;
    std::string body;
    std::vector<char> buffer(1 << 16);
    uint64_t bytes = 0, refused = 0;
    std::size_t poll = 0;
    for (auto _ : state) {
        const std::string message =
            teller.Progress({RunVerdict::kTimeUp, false}, polls[poll++ % polls.size()], false);
        bytes += message.size();
        if (write(fds[1], message.data(), message.size()) != static_cast<ssize_t>(message.size())) {
            break;
        }
        for (std::size_t got = 0; got < message.size();) {
            const ssize_t n = read(fds[0], buffer.data(), buffer.size());
            if (n <= 0) break;
            splitter.Feed(buffer.data(), static_cast<std::size_t>(n));
            got += static_cast<std::size_t>(n);
        }
        while (splitter.Next(&body)) {
            refused += !RunMessage::ReadProgress(body, &runState, &copy, &number);
        }
    }
    close(fds[0]), close(fds[1]);
    if (refused != 0) state.SkipWithError("a message was refused");
    state.counters["bytes"] = static_cast<double>(bytes) / static_cast<double>(state.iterations());
    state.counters["records"] = static_cast<double>(copy.tests.size());
}
BENCHMARK(BM_TellFiftyRecords)->Unit(benchmark::kMicrosecond)->UseRealTime();

}  // namespace
