// The bytes per second of one test thread alone, of each kind that writes a
// large file, buffered: the random kind, and the tests that change files,
// which generate and check every stamped block.
//   kind_bench DIRECTORY SECONDS [BUDGET_MB [ROUNDS]]
#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <thread>
#include <vector>

#include "engine/CDVXAppendThread.h"
#include "engine/CDVXOverwriteThread.h"
#include "engine/CDVXPrefs.h"
#include "engine/CDVXRandomThread.h"
#include "engine/CDVXRenameOverThread.h"
#include "engine/CDVXRereadThread.h"
#include "engine/CDVXResizeThread.h"
#include "engine/CDVXRewriteShorterThread.h"
#include "engine/CDVXThreadData.h"

namespace {

struct Kind {
    const char* name;
    std::unique_ptr<CDVXThread> (*make)();
};

template <class T>
std::unique_ptr<CDVXThread> Make() {
    return std::make_unique<T>(true);
}

// Bytes written and read a second by one thread of the kind.
double Rate(const Kind& kind, const Chaine& directory, int seconds, uint32_t budget,
            bool* failed) {
    auto record = std::make_shared<CDVXThreadData>();
    CDVXTimings timings;
    timings.startDelayMs = 0;
    const auto start = std::chrono::steady_clock::now();
    std::thread worker =
        kind.make().release()->Start(directory, budget, CDVXPrefs::kPriorityNormal, record, timings);
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    record->SetStopRequest(CDVXThreadData::kAbort);
    worker.join();
    const double wall =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    *failed = record->state == CDVXThreadData::kFailed;
    const uint64_t bytes = record->bytesWritten[1] + record->bytesRead[1];
    return static_cast<double>(bytes) / wall;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: kind_bench DIRECTORY SECONDS [BUDGET_MB [ROUNDS]]\n");
        return 2;
    }
    const Chaine directory(argv[1]);
    const int seconds = std::atoi(argv[2]);
    const uint32_t budget = (argc > 3 ? static_cast<uint32_t>(std::atoi(argv[3])) : 64) << 20;
    const int rounds = argc > 4 ? std::atoi(argv[4]) : 3;
    const Kind random{"random", Make<CDVXRandomThread>};
    const Kind kinds[] = {
        {"overwrite", Make<CDVXOverwriteThread>}, {"shorter", Make<CDVXRewriteShorterThread>},
        {"append", Make<CDVXAppendThread>},       {"resize", Make<CDVXResizeThread>},
        {"rename", Make<CDVXRenameOverThread>},   {"reread", Make<CDVXRereadThread>},
    };
    // A shared machine's speed drifts: each kind is timed right after the
    // random kind, round after round, and the median ratio counts.
    int status = 0;
    std::printf("%-10s %10s %10s %8s\n", "kind", "MB/s", "random", "÷ random");
    for (const Kind& kind : kinds) {
        std::vector<std::array<double, 3>> runs;  // ratio, the kind's rate, the random kind's
        for (int r = 0; r < rounds; ++r) {
            bool failed = false, randomFailed = false;
            const double base = Rate(random, directory, seconds, budget, &randomFailed);
            const double rate = Rate(kind, directory, seconds, budget, &failed);
            if (failed || randomFailed) status = 1;
            runs.push_back({rate / base, rate, base});
        }
        std::sort(runs.begin(), runs.end());
        const auto& median = runs[runs.size() / 2];
        std::printf("%-10s %10.1f %10.1f %8.2f%s\n", kind.name, median[1] / 1e6, median[2] / 1e6,
                    median[0], status ? "  FAILED" : "");
    }
    return status;
}
