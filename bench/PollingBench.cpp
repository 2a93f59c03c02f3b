// What the progress page pays every 200 ms while 50 threads run: one
// CheckFailure(), one IsRunning() and the four totals.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <string>

#include "engine/CDVXThreadManager.h"

namespace {

void BM_PollFiftyThreads(benchmark::State& state) {
    char pattern[] = "/dev/shm/dalvex-bench-XXXXXX";
    const std::string dir = mkdtemp(pattern);
    setenv("TMPDIR", dir.c_str(), 1);
    CDVXPrefs prefs;
    prefs.SetDirectory(Chaine(std::string_view(dir)));
    prefs.SetSimultaneousTests(5);
    CDVXThreadManager manager;
    manager.Start(&prefs);
    uint64_t sum = 0;
    for (auto _ : state) {
        manager.CheckFailure();
        sum += manager.IsRunning();
        CDVXProgressData& p = manager.GetProgress();
        sum += p.GetTotalWritten(true) + p.GetTotalRead(true) + p.GetTotalWritten(false) +
               p.GetTotalRead(false);
    }
    benchmark::DoNotOptimize(sum);
    manager.Abort();
    while (manager.IsRunning()) {
    }
    state.counters["threads"] = static_cast<double>(manager.GetProgress().GetThreadCount());
    std::filesystem::remove_all(dir);
}
BENCHMARK(BM_PollFiftyThreads)->Unit(benchmark::kMicrosecond)->UseRealTime();

}  // namespace
