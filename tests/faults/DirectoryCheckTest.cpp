// The check of a run's folder writes a probe there: a program that ends while
// the share holds it still deletes it.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <thread>

#include "engine/DirectoryCheck.h"
#include "platform/Clock.h"
#include "tests/FaultMount.h"
#include "tests/TempDir.h"

TEST(DirectoryCheckTest, AnExitWaitsForTheProbeTheShareHolds) {
    FaultMount mount({"stall:create:VXV"});
    if (!mount.mounted) GTEST_SKIP() << "FUSE, root or faultfs missing";
    // The share answers in a second, once the program is ending; from a
    // process of its own, so that the test's child is forked from one thread.
    const pid_t releaser = fork();
    if (releaser == 0) {
        platform::Clock::Sleep(1000);
        mount.Release();
        _exit(0);
    }
    ASSERT_GT(releaser, 0);
    EXPECT_EXIT(
        {
            const Chaine folder = Chaine::FromUtf8(mount.point.Path());
            std::thread([&folder] { DirectoryCheck::ForRun(folder, {}); }).detach();
            while (!DirectoryCheck::WaitForChecks(0)) platform::Clock::Sleep(10);
            std::exit(7);
        },
        testing::ExitedWithCode(7), "");
    waitpid(releaser, nullptr, 0);
    // Without the wait, the probe is made once the share answers, for nobody
    // to delete it.
    platform::Clock::Sleep(200);
    EXPECT_EQ(Listing(mount.source.Path()), "");
}
