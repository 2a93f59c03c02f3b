// Runs the engine on a directory for a number of seconds and prints one line
// of JSON: bytes written and read, wall and CPU seconds, the bytes of each
// kind of test, and the bytes the copy test's copy pass carried.
//   engine_run DIRECTORY SECONDS [SETS]
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "engine/CDVXThreadManager.h"

namespace {
double CpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}
}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: engine_run DIRECTORY SECONDS [SETS]\n");
        return 2;
    }
    CDVXPrefs prefs;
    prefs.SetDirectory(Chaine(argv[1]));
    prefs.SetSimultaneousTests(argc > 3 ? static_cast<uint32_t>(std::atoi(argv[3])) : 1);
    prefs.SetThreadPriority(CDVXPrefs::kPriorityNormal);
    const int seconds = std::atoi(argv[2]);

    CDVXThreadManager manager;
    const auto start = std::chrono::steady_clock::now();
    manager.Start(&prefs);
    while (std::chrono::steady_clock::now() - start < std::chrono::seconds(seconds)) {
        manager.CheckFailure();
        if (!manager.IsRunning()) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
    // Abort, not Stop: the bytes of the last partial cycles count for both tools.
    manager.Abort();
    while (manager.IsRunning()) std::this_thread::sleep_for(std::chrono::milliseconds(20));
    const double wall =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const RunSnapshot run = manager.GetProgress().Snapshot();
    // Bytes moved by each kind of test, both access modes and all sets together.
    static const char* const kKinds[5] = {"zero", "random", "openwriteclose", "temp", "copy"};
    unsigned long long byKind[5] = {};
    // The copy pass itself (the share's file copied to the temporary
    // directory) counts in no test's bytes. Each copy is then read back
    // whole, so the copy test's reads are what its copies carried, short
    // at most of the one copy each copy thread was making or reading back
    // at the abort.
    unsigned long long copied = 0;
    for (std::size_t i = 0; i < run.tests.size(); ++i) {
        const TestSnapshot& t = run.tests[i];
        byKind[i % 5] += t.bytesWritten[0] + t.bytesWritten[1] + t.bytesRead[0] + t.bytesRead[1];
        if (i % 5 == 4) copied += t.bytesRead[0] + t.bytesRead[1];
    }
    std::printf(
        "{\"written\": %llu, \"read\": %llu, \"wall\": %.3f, \"cpu\": %.3f, \"failed\": %s, "
        "\"copied\": %llu, \"byTest\": {",
        static_cast<unsigned long long>(run.TotalWritten(true)),
        static_cast<unsigned long long>(run.TotalRead(true)), wall, CpuSeconds(),
        manager.HasFailed() ? "true" : "false", copied);
    for (int k = 0; k < 5; ++k) std::printf("%s\"%s\": %llu", k ? ", " : "", kKinds[k], byKind[k]);
    std::printf("}}\n");
    return manager.HasFailed() ? 1 : 0;
}
