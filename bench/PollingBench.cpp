// What the progress page pays every 200 ms while 50 threads run: one
// CheckFailure(), one IsRunning() and the four totals. And what the command
// line's two processes pay for each poll on top: the records told through a
// pipe and copied on the other side.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <string>

#include <unistd.h>

#include "cli/supervision/RunMessage.h"
#include "engine/CDVXThreadManager.h"

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

void BM_TellFiftyRecords(benchmark::State& state) {
    FiftyThreads run;
    int fds[2];
    if (pipe(fds) != 0) return state.SkipWithError("no pipe");
    RunMessage::Splitter splitter;
    RunSnapshot copy;
    RunMessage::RunState runState;
    std::string body;
    std::vector<char> buffer(1 << 16);
    std::size_t bytes = 0;
    for (auto _ : state) {
        const std::string message = RunMessage::Progress({RunVerdict::kTimeUp, false},
                                                         run.manager.GetProgress().Snapshot());
        bytes = message.size();
        if (write(fds[1], message.data(), message.size()) != static_cast<ssize_t>(bytes)) break;
        for (std::size_t got = 0; got < bytes;) {
            const ssize_t n = read(fds[0], buffer.data(), buffer.size());
            if (n <= 0) break;
            splitter.Feed(buffer.data(), static_cast<std::size_t>(n));
            got += static_cast<std::size_t>(n);
        }
        while (splitter.Next(&body)) RunMessage::ReadProgress(body, &runState, &copy);
    }
    close(fds[0]), close(fds[1]);
    state.counters["bytes"] = static_cast<double>(bytes);
    state.counters["records"] = static_cast<double>(copy.tests.size());
}
BENCHMARK(BM_TellFiftyRecords)->Unit(benchmark::kMicrosecond)->UseRealTime();

}  // namespace
