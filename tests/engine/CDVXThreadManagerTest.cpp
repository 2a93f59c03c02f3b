#include "engine/CDVXThreadManager.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "tests/Printers.h"
#include "tests/TempDir.h"
#include "tests/engine/EngineEnvironment.h"

namespace {

using namespace std::chrono_literals;

const char* const kOrder[5] = {
    "Test d'\xE9"
    "criture d'un bloc contenant uniquement z\xE9ro",
    "Test d'\xE9"
    "criture d'un bloc contenant des donn\xE9"
    "es al\xE9"
    "atoires",
    "Test d'\xE9"
    "criture par succession de Open/Write/Close",
    "Test d'\xE9"
    "criture dans le r\xE9pertoire Temp",
    "Test de recopie de fichier",
};

CDVXPrefs Prefs(const std::string& dir, uint32_t spaceMb = 30, uint32_t sets = 1) {
    CDVXPrefs prefs;
    prefs.SetDirectory(Chaine(std::string_view(dir)));
    prefs.SetDiskSpaceMb(spaceMb);
    prefs.SetSimultaneousTests(sets);
    return prefs;
}

uint64_t TotalRead(CDVXThreadManager& m) { return m.GetProgress().GetTotalRead(true); }

// Every thread has read something back: each got through a cycle's writing.
bool EveryThreadHasRead(CDVXProgressData& p) {
    for (std::size_t i = 0; i < p.GetThreadCount(); ++i) {
        const CDVXThreadData* r = p.GetThreadData(i);
        RecordGuard g(p.GetThreadData(i));
        if (r->bytesRead[0] + r->bytesRead[1] == 0) return false;
    }
    return true;
}

// Every record ended, none failed, written == read; the block tests in whole
// cycles (the Open/Write/Close test stops writing as soon as it is asked to).
void ExpectCleanEnd(CDVXThreadManager& m, uint32_t budget) {
    CDVXProgressData& p = m.GetProgress();
    for (std::size_t i = 0; i < p.GetThreadCount(); ++i) {
        CDVXThreadData* r = p.GetThreadData(i);
        RecordGuard guard(r);
        const int slot = i < p.GetThreadCount() / 2 ? 1 : 0;
        EXPECT_EQ(r->state, CDVXThreadData::kEnded) << i;
        EXPECT_EQ(r->errorKind, 0) << i << " op " << r->operation << " err " << r->winerr;
        EXPECT_EQ(r->bytesWritten[1 - slot] + r->bytesRead[1 - slot], 0u) << i;
        EXPECT_EQ(r->bytesWritten[slot], r->bytesRead[slot]) << i;
        EXPECT_GT(r->bytesWritten[slot], 0u) << i;
        if (i % 5 != 2) {
            EXPECT_EQ(r->bytesWritten[slot] % budget, 0u) << i;
        }
    }
}

}  // namespace

TEST(CDVXThreadManagerTest, BudgetsAreWholeMegabyteShares) {
    EXPECT_EQ(CDVXThreadManager::ByteBudget(30, 10), 3145728u);
    EXPECT_EQ(CDVXThreadManager::ByteBudget(30, 50), 1048576u);
    EXPECT_EQ(CDVXThreadManager::ByteBudget(10, 10), 1048576u);
    EXPECT_EQ(CDVXThreadManager::ByteBudget(19, 10), 1048576u);
    EXPECT_EQ(CDVXThreadManager::ByteBudget(32767, 10), 3435134976u);
    // 4096 MB a thread would wrap to nothing in 32 bits: the share stops at 4095.
    EXPECT_EQ(CDVXThreadManager::ByteBudget(40950, 10), 4095u * 1048576u);
    EXPECT_EQ(CDVXThreadManager::ByteBudget(40960, 10), 4095u * 1048576u);
    EXPECT_EQ(CDVXThreadManager::ByteBudget(0xFFFFFFFFu, 10), 4095u * 1048576u);
}

TEST(CDVXThreadManagerTest, ADefaultRunOnTheLocalDiskAndOnTmpfs) {
    for (const std::string& base : {kDiskBase, std::string("/dev/shm")}) {
        TempDir dir(base);
        WriteFile(dir.File("VXR1234.TMP"), "not ours");
        WriteFile(dir.File("vxz0001.tmp"), "not ours either");
        const auto before = Snapshot(dir.Path());
        const auto tempBefore = Snapshot(EngineTempDir());
        CDVXPrefs prefs = Prefs(dir.Path());
        CDVXThreadManager manager;
        manager.Start(&prefs);
        CDVXProgressData& p = manager.GetProgress();
        ASSERT_EQ(p.GetThreadCount(), 10u);
        for (std::size_t i = 0; i < 10; ++i) {
            EXPECT_EQ(p.GetThreadData(i)->testname, kOrder[i % 5]) << i;
            EXPECT_EQ(p.GetThreadData(i)->tstdir, dir.Path().c_str());
        }
        // Let every thread finish at least one cycle (the Open/Write/Close one
        // moves 51 bytes a cycle), then stop gracefully.
        ASSERT_TRUE(PollUntil(manager, [&] { return EveryThreadHasRead(p); }));
        manager.Stop();
        EXPECT_TRUE(manager.IsRunning()) << "threads finish their cycle first";
        ASSERT_TRUE(PollUntilStopped(manager));
        EXPECT_FALSE(manager.HasFailed());
        ExpectCleanEnd(manager, 3145728);
        const uint32_t elapsed = p.GetElapsedMs();
        std::this_thread::sleep_for(20ms);
        EXPECT_EQ(p.GetElapsedMs(), elapsed) << "the clock stopped with the run";
        EXPECT_EQ(Snapshot(dir.Path()), before);
        EXPECT_EQ(Snapshot(EngineTempDir()), tempBefore);
    }
}

TEST(CDVXThreadManagerTest, FiveSetsRunFiftyThreadsOfOneMegabyte) {
    TempDir dir("/dev/shm");
    CDVXPrefs prefs = Prefs(dir.Path(), 30, 5);
    CDVXThreadManager manager;
    manager.Start(&prefs);
    CDVXProgressData& p = manager.GetProgress();
    ASSERT_EQ(p.GetThreadCount(), 50u);
    for (std::size_t i = 0; i < 50; ++i) EXPECT_EQ(p.GetThreadData(i)->testname, kOrder[i % 5]);
    // The UI thread polls totals while the workers write.
    uint64_t last = 0;
    ASSERT_TRUE(PollUntil(manager, [&] {
        const uint64_t now = TotalRead(manager) + p.GetTotalWritten(true);
        EXPECT_GE(now, last);
        last = now;
        return EveryThreadHasRead(p);
    }));
    manager.Stop();
    ASSERT_TRUE(PollUntilStopped(manager));
    ExpectCleanEnd(manager, 1048576);
    EXPECT_TRUE(std::filesystem::is_empty(dir.Path())) << Listing(dir.Path());
    EXPECT_TRUE(std::filesystem::is_empty(EngineTempDir())) << Listing(EngineTempDir());
}

TEST(CDVXThreadManagerTest, AnAbortEndsEveryThreadWithoutAFailure) {
    TempDir dir(kDiskBase);
    CDVXPrefs prefs = Prefs(dir.Path(), 2000);  // 200 MB a thread: cycles far from done
    CDVXThreadManager manager;
    manager.Start(&prefs);
    ASSERT_TRUE(
        PollUntil(manager, [&] { return manager.GetProgress().GetTotalWritten(true) > 0; }));
    const auto aborted = std::chrono::steady_clock::now();
    manager.Abort();
    ASSERT_TRUE(PollUntilStopped(manager, 30000));
    EXPECT_LT(std::chrono::steady_clock::now() - aborted, 20s) << "an abort waits for no cycle";
    EXPECT_FALSE(manager.HasFailed());
    EXPECT_TRUE(std::filesystem::is_empty(dir.Path())) << Listing(dir.Path());
    EXPECT_TRUE(std::filesystem::is_empty(EngineTempDir())) << Listing(EngineTempDir());
}

TEST(CDVXThreadManagerTest, AFullDiskFailsOneThreadAndAbortsTheOthers) {
    TmpfsMount small("8m");
    if (!small.Mounted()) GTEST_SKIP() << "mounting a tmpfs needs root";
    CDVXPrefs prefs = Prefs(small.Path());
    CDVXThreadManager manager;
    manager.Start(&prefs);
    ASSERT_TRUE(PollUntilStopped(manager));
    ASSERT_TRUE(manager.HasFailed());
    CDVXProgressData& p = manager.GetProgress();
    int diskFull = 0;
    for (std::size_t i = 0; i < p.GetThreadCount(); ++i) {
        CDVXThreadData* r = p.GetThreadData(i);
        RecordGuard guard(r);
        EXPECT_EQ(r->stopRequest, CDVXThreadData::kAbort) << "CheckFailure aborted everyone";
        if (r->state != CDVXThreadData::kFailed) continue;
        EXPECT_EQ(r->errorKind, 1) << i;
        EXPECT_EQ(r->winerr, 112u) << i;
        if (r->operation == CDVXThreadData::kWriteFile) {
            ++diskFull;
            const uint32_t block = i % 5 == 0 ? 65536 : i % 5 == 4 ? 9651 : i % 5 == 2 ? 1 : 58997;
            EXPECT_EQ(r->position % block, 0u) << i;
            EXPECT_LT(r->position, 3145728u) << i;
        }
    }
    EXPECT_GE(diskFull, 1);
    // A failed thread may still be deleting its file when its record says failed.
    manager.WaitForThreads();
    EXPECT_TRUE(std::filesystem::is_empty(small.Path())) << Listing(small.Path());
    EXPECT_TRUE(std::filesystem::is_empty(EngineTempDir())) << Listing(EngineTempDir());
}

namespace {

// Runs until the run ends by itself, as it must for a directory that fails.
void ExpectEveryServerThreadFails(const std::string& dir, int32_t op, uint32_t code) {
    CDVXPrefs prefs = Prefs(dir);
    CDVXThreadManager manager;
    manager.Start(&prefs);
    ASSERT_TRUE(PollUntil(manager, [&] { return manager.HasFailed(); }));
    ASSERT_TRUE(PollUntilStopped(manager));
    EXPECT_TRUE(manager.HasFailed());
    CDVXProgressData& p = manager.GetProgress();
    int failed = 0;
    for (std::size_t i = 0; i < p.GetThreadCount(); ++i) {
        CDVXThreadData* r = p.GetThreadData(i);
        RecordGuard guard(r);
        if (r->state != CDVXThreadData::kFailed) continue;
        ++failed;
        EXPECT_NE(i % 5, 3u) << "the Temp test works in the temporary directory";
        EXPECT_EQ(r->errorKind, 1);
        EXPECT_EQ(r->operation, op) << i;
        EXPECT_EQ(r->winerr, code) << i;
        EXPECT_EQ(r->position, 0u);
    }
    EXPECT_GE(failed, 1);
    manager.WaitForThreads();  // the failed threads may still be cleaning up
    EXPECT_TRUE(std::filesystem::is_empty(EngineTempDir())) << Listing(EngineTempDir());
}

}  // namespace

TEST(CDVXThreadManagerTest, AMissingDirectoryFailsWithPathNotFound) {
    TempDir dir(kDiskBase);
    ExpectEveryServerThreadFails(dir.File("missing"), CDVXThreadData::kGetTempFileName, 3);
}

TEST(CDVXThreadManagerTest, AFileInsteadOfADirectoryFails) {
    TempDir dir(kDiskBase);
    WriteFile(dir.File("plain"), "a file");
    ExpectEveryServerThreadFails(dir.File("plain"), CDVXThreadData::kGetTempFileName, 3);
    EXPECT_EQ(ReadFile(dir.File("plain")), "a file");
}

TEST(CDVXThreadManagerTest, AReadOnlyDirectoryFails) {
    TmpfsMount ro("1m", "ro");
    if (!ro.Mounted()) GTEST_SKIP() << "mounting a tmpfs needs root";
    ExpectEveryServerThreadFails(ro.Path(), CDVXThreadData::kGetTempFileName, 19);
}

TEST(CDVXThreadManagerTest, ANewRunEndsTheLastOneAndStartsAfresh) {
    TempDir dir("/dev/shm");
    CDVXPrefs prefs = Prefs(dir.Path(), 10);
    CDVXThreadManager manager;
    manager.Start(&prefs);
    ASSERT_TRUE(PollUntil(manager, [&] { return TotalRead(manager) > 0; }));
    // Started again while the first run still runs: Start must end it first
    // rather than wait for it forever.
    manager.Start(&prefs);
    EXPECT_EQ(manager.GetProgress().GetThreadCount(), 10u);
    EXPECT_EQ(manager.GetProgress().GetTotalWritten(true), 0u);
    EXPECT_TRUE(manager.IsRunning());
    // The destructor aborts and waits: nothing may be left behind.
}
