// The check of a run's folder writes a probe there: a program that ends while
// the share holds it still deletes it.
#include <gtest/gtest.h>

#include <cstdlib>
#include <thread>

#include "engine/DirectoryCheck.h"
#include "platform/Clock.h"
#include "tests/FaultMount.h"
#include "tests/TempDir.h"

TEST(DirectoryCheckTest, AnExitWaitsForTheProbeTheShareHolds) {
    FaultMount mount({"stall:create:VXV"});
    if (!mount.mounted) GTEST_SKIP() << "FUSE, root or faultfs missing";
    // The share answers a second after the program starts to end.
    std::thread release([&mount] {
        platform::Clock::Sleep(1000);
        mount.Release();
    });
    EXPECT_EXIT(
        {
            const Chaine folder = Chaine::FromUtf8(mount.point.Path());
            std::thread([&folder] { DirectoryCheck::ForRun(folder, 1); }).detach();
            while (!DirectoryCheck::WaitForChecks(0)) platform::Clock::Sleep(10);
            std::exit(7);
        },
        testing::ExitedWithCode(7), "");
    release.join();
    // Without the wait, the probe is made once the share answers, for nobody
    // to delete it.
    platform::Clock::Sleep(200);
    EXPECT_EQ(Listing(mount.source.Path()), "");
}
