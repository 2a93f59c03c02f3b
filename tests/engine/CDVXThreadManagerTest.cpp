#include "engine/CDVXThreadManager.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <thread>
#include <tuple>
#include <utility>

#include "engine/RunFootprint.h"
#include "tests/Fields.h"
#include "tests/TempDir.h"
#include "tests/engine/EngineEnvironment.h"

using D = CDVXThreadData;

// {disk space, threads, MB a thread}: at least one, and 4096 MB would wrap to
// nothing in 32 bits.
TEST(CDVXThreadManagerTest, BudgetsAreWholeMegabyteSharesThatFitIn32Bits) {
    const std::tuple<uint32_t, uint32_t, uint32_t> cases[] = {
        {30, 50, 1}, {32767, 10, 3276}, {40960, 10, 4095}};
    for (const auto& [spaceMb, threads, mb] : cases)
        EXPECT_EQ(CDVXThreadManager::ByteBudget(spaceMb, threads), mb * 1048576u) << spaceMb;
}

// What a run writes at most: a file of its budget per test thread, and one
// more per changing test that keeps files; more than the space asked once
// many files share a small one. {disk space, sets, tests that change files,
// keep them, files, MB a file, raised}.
TEST(CDVXThreadManagerTest, AFootprintCountsEveryFileAtItsBudget) {
    const std::tuple<uint32_t, uint32_t, bool, bool, uint32_t, uint32_t, bool> cases[] = {
        {30, 1, false, false, 10, 3, false},
        {10, 5, false, false, 50, 1, true},
        {30, 1, true, false, 22, 1, false},
        {100, 2, true, true, 68, 2, true},
        {32767, 5, true, false, 110, 297, false}};
    for (const auto& [spaceMb, sets, modify, keep, files, fileMb, raised] : cases) {
        CDVXPrefs prefs;
        prefs.SetDiskSpaceMb(spaceMb), prefs.SetSimultaneousTests(sets);
        prefs.modifyTests = modify, prefs.keepFiles = keep;
        const RunFootprint f = RunFootprint::Of(prefs);
        EXPECT_EQ(std::tuple(f.files, f.fileMb, f.Mb(), f.Raised()),
                  std::tuple(files, fileMb, files * fileMb, raised))
            << spaceMb << " MB, " << sets << " sets";
    }
}

// Ten threads a set, the five kinds in this order, buffered first. The run is
// started again while the first still runs: Start must end it first rather
// than wait for it forever, and the new threads wait 3 s before their first
// write, long enough for a loaded sanitizer build to look first. Each then gets
// through a cycle, and the run stops gracefully and leaves nothing behind.
TEST(CDVXThreadManagerTest, HealthyRestartedRunsOnTheLocalDiskAndOnTmpfs) {
    const char* const order[5] = {"Test d'écriture d'un bloc contenant uniquement zéro",
                                  "Test d'écriture d'un bloc contenant des données aléatoires",
                                  "Test d'écriture par succession de Open/Write/Close",
                                  "Test d'écriture dans le répertoire Temp",
                                  "Test de recopie de fichier"};
    using namespace std::chrono;
    for (const auto& [base, sets] :
         {std::pair{LocalDiskBase(), 1u}, std::pair{std::string("/dev/shm"), 5u}}) {
        if (base.empty()) continue;  // no local disk here
        SCOPED_TRACE(base);
        TempDir dir(base);
        WriteFile(dir.File("VXR1234.TMP"), "not ours"),
            WriteFile(dir.File("vxz0001.tmp"), "nor this");
        const auto before = Snapshot(dir.Path());
        CDVXPrefs prefs;
        prefs.SetDirectory(Chaine(std::string_view(dir.Path())));
        prefs.SetSimultaneousTests(sets);
        prefs.timings = kQuick;
        CDVXThreadManager manager;
        CDVXProgressData& p = manager.GetProgress();
        manager.Start(&prefs);
        ASSERT_TRUE(PollUntil(manager, [&] { return p.Snapshot().TotalRead(true) > 0; }));
        prefs.timings.startDelayMs = 3000;
        const auto restart = steady_clock::now();
        manager.Start(&prefs);
        const auto ms = duration_cast<milliseconds>(steady_clock::now() - restart).count();
        const std::size_t count = p.GetThreadCount();
        ASSERT_TRUE(Fields()
                        .Is("threads", count, 10 * sets)
                        .Is("written", p.Snapshot().TotalWritten(true), 0u)
                        .Is("running", manager.IsRunning(), true)
                        .Is("clock restarted", p.GetElapsedMs() <= ms + 2, true))
            << "a new run, its clock at " << p.GetElapsedMs() << " ms";
        uint64_t last = 0;  // the totals the user-interface thread reads only grow
        ASSERT_TRUE(PollUntil(manager, [&] {
            const RunSnapshot run = p.Snapshot();
            const uint64_t now = run.TotalRead(true) + run.TotalWritten(true);
            EXPECT_GE(now, std::exchange(last, now));
            // Every thread read back: it went through a cycle's writing.
            return std::ranges::all_of(
                run.tests, [](const TestSnapshot& t) { return t.bytesRead[0] || t.bytesRead[1]; });
        }));
        manager.Stop();
        EXPECT_TRUE(Fields()
                        .Is("running", manager.IsRunning(), true)
                        .Is("threads exited", manager.HaveThreadsExited(), false))
            << "threads finish their cycle first";
        ASSERT_TRUE(PollUntil(
            manager, [&] { return !manager.IsRunning() && manager.HaveThreadsExited(); }, 180000));
        // The budget the folder's check counted with.
        const uint32_t budget = RunFootprint::Of(prefs).fileMb * 1048576u;
        const RunSnapshot run = p.Snapshot();
        for (std::size_t i = 0; i < count; ++i) {
            const TestSnapshot& r = run.tests[i];
            const int s = D::Slot(i < count / 2);
            // Whole cycles, but for the Open/Write/Close test that stops at once.
            EXPECT_TRUE(
                Fields()
                    .Is("name", r.testname, Chaine::FromUtf8(order[i % 5]))
                    .Is("directory", r.tstdir, Chaine(std::string_view(dir.Path())))
                    .Is("state", r.state, D::kEnded)
                    .Is("error kind", r.failure.errorKind, D::kNoError)
                    .Is("written in the other slot", r.bytesWritten[1 - s], 0u)
                    .Is("read in the other slot", r.bytesRead[1 - s], 0u)
                    .Is("written", r.bytesWritten[s] > 0, true)
                    .Is("read", r.bytesRead[s], r.bytesWritten[s])
                    .Is("whole cycles", i % 5 == 2 || r.bytesWritten[s] % budget == 0, true))
                << i << " op " << r.failure.operation;
        }
        const uint32_t elapsed = p.GetElapsedMs();
        std::this_thread::sleep_for(milliseconds(20));
        EXPECT_EQ(p.GetElapsedMs(), elapsed) << "the clock stopped with the run";
        EXPECT_EQ(Snapshot(dir.Path()), before);
        EXPECT_TRUE(Snapshot(EngineTempDir()).empty()) << Listing(EngineTempDir());
    }
}
