#include "engine/CDVXThreadManager.h"

#include <gtest/gtest.h>

#include <memory>
#include <thread>
#include <tuple>

#include "tests/TempDir.h"
#include "tests/engine/EngineEnvironment.h"

using D = CDVXThreadData;

TEST(CDVXThreadManagerTest, BudgetsAreWholeMegabyteSharesThatFitIn32Bits) {
    // {disk space, threads, MB a thread}; 4096 MB would wrap to nothing in 32 bits.
    const std::tuple<uint32_t, uint32_t, uint32_t> cases[] = {
        {30, 10, 3},       {30, 50, 1},       {19, 10, 1},
        {32767, 10, 3276}, {40960, 10, 4095}, {0xFFFFFFFF, 10, 4095}};
    for (const auto& [spaceMb, threads, mb] : cases) {
        EXPECT_EQ(CDVXThreadManager::ByteBudget(spaceMb, threads), mb * 1048576u)
            << spaceMb << " " << threads;
    }
}

// Ten threads a set, the five kinds in this order, buffered first. Each gets
// through a cycle, then the run stops gracefully and leaves nothing behind.
TEST(CDVXThreadManagerTest, HealthyRunsOnTheLocalDiskAndOnTmpfs) {
    const char* const order[5] = {
        "Test d'écriture d'un bloc contenant uniquement zéro",
        "Test d'écriture d'un bloc contenant des données aléatoires",
        "Test d'écriture par succession de Open/Write/Close",
        "Test d'écriture dans le répertoire Temp",
        "Test de recopie de fichier",
    };
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
        manager.Start(&prefs);
        CDVXProgressData& p = manager.GetProgress();
        const std::size_t count = p.GetThreadCount();
        ASSERT_EQ(count, 10 * sets);
        for (std::size_t i = 0; i < count; ++i) {
            EXPECT_EQ(
                std::tie(p.GetThreadData(i)->testname, p.GetThreadData(i)->tstdir),
                std::tuple(Chaine::FromUtf8(order[i % 5]), Chaine(std::string_view(dir.Path()))));
        }
        // The totals the user-interface thread reads only grow.
        uint64_t last = 0;
        ASSERT_TRUE(PollUntil(manager, [&] {
            const uint64_t now = p.GetTotalRead(true) + p.GetTotalWritten(true);
            EXPECT_GE(now, last);
            last = now;
            bool all = true;  // every thread read something back: it got through a cycle's writing
            for (std::size_t i = 0; i < count; ++i) {
                all &= Locked(*p.GetThreadData(i),
                              [](D& r) { return r.bytesRead[0] + r.bytesRead[1] > 0; });
            }
            return all;
        }));
        manager.Stop();
        EXPECT_TRUE(manager.IsRunning()) << "threads finish their cycle first";
        EXPECT_FALSE(manager.HaveThreadsExited());
        ASSERT_TRUE(PollUntil(
            manager, [&] { return !manager.IsRunning() && manager.HaveThreadsExited(); }, 180000));
        const uint32_t budget = CDVXThreadManager::ByteBudget(prefs.diskSpaceMb, count);
        for (std::size_t i = 0; i < count; ++i) {
            const D& r = *p.GetThreadData(i);
            const int slot = D::Slot(i < count / 2);
            // Whole cycles, but for the Open/Write/Close test that stops at once.
            const bool whole = i % 5 == 2 || r.bytesWritten[slot] % budget == 0;
            EXPECT_EQ(
                std::tie(r.state, r.errorKind, r.bytesWritten[1 - slot], r.bytesRead[1 - slot]),
                std::tuple(D::kEnded, D::kNoError, 0u, 0u))
                << i << " op " << r.operation;
            EXPECT_TRUE(r.bytesWritten[slot] > 0 && r.bytesWritten[slot] == r.bytesRead[slot] &&
                        whole)
                << i << ": " << r.bytesWritten[slot] << " written, " << r.bytesRead[slot]
                << " read";
        }
        const uint32_t elapsed = p.GetElapsedMs();
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        EXPECT_EQ(p.GetElapsedMs(), elapsed) << "the clock stopped with the run";
        EXPECT_EQ(Snapshot(dir.Path()), before);
        EXPECT_TRUE(Snapshot(EngineTempDir()).empty()) << Listing(EngineTempDir());
    }
}

TEST(CDVXThreadManagerTest, ANewRunEndsTheLastOneAndStartsAfresh) {
    TempDir dir("/dev/shm");
    CDVXPrefs prefs;
    prefs.SetDirectory(Chaine(std::string_view(dir.Path())));
    prefs.timings = kQuick;
    auto manager = std::make_unique<CDVXThreadManager>();
    manager->Start(&prefs);
    ASSERT_TRUE(PollUntil(*manager, [&] { return manager->GetProgress().GetTotalRead(true) > 0; }));
    // Started again while the first run still runs: Start must end it first
    // rather than wait for it forever. The new threads wait 3 s before their
    // first write, long enough for a loaded sanitizer build to look first.
    prefs.timings = CDVXTimings{};
    prefs.timings.startDelayMs = 3000;
    const auto restart = std::chrono::steady_clock::now();
    manager->Start(&prefs);
    CDVXProgressData& p = manager->GetProgress();
    const auto sinceRestart = std::chrono::steady_clock::now() - restart;
    EXPECT_LE(p.GetElapsedMs(),
              std::chrono::duration_cast<std::chrono::milliseconds>(sinceRestart).count() + 2)
        << "the clock starts again";
    EXPECT_EQ(std::tuple(p.GetThreadCount(), p.GetTotalWritten(true), manager->IsRunning()),
              std::tuple(10u, 0u, true));
    manager.reset();  // aborts and waits: nothing may be left behind
    EXPECT_TRUE(Snapshot(dir.Path()).empty() && Snapshot(EngineTempDir()).empty());
}
