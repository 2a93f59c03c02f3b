// A real share that stops answering while a run is under way: its FUSE
// client stopped (SIGSTOP), or every packet to and from its server dropped.
// The program ends the run soon after the stall limit and names the stalled
// call; the share then answers again, and the mount serves the share tests
// that follow. Alone in the suite: the other tests of the share would stall.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

#include "tests/CliProcess.h"
#include "tests/Eventually.h"
#include "tests/TempDir.h"
#include "tests/shares/MountPath.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using std::chrono::seconds;

namespace {

// A shares.sh action that stops the share answering, and the one that makes
// it answer again.
using Disturbance = std::pair<std::string, std::string>;

class ShareStopsAnswering : public testing::TestWithParam<Disturbance> {};

// Runs a shares.sh action on the SSHFS share; its exit status.
int OnTheShare(const std::string& action) {
    return std::system(
        (std::string(DALVEX_SHARES_SCRIPT) + " " + action + " sshfs " + DALVEX_SHARES_STATE)
            .c_str());
}

// Undoes the disturbance however the test ends: a share left stopped would
// fail every share test after this one.
struct Undo {
    std::string action;
    ~Undo() { EXPECT_EQ(OnTheShare(action), 0) << action; }
};

}  // namespace

TEST_P(ShareStopsAnswering, TheRunEndsSoonAfterTheStallLimit) {
    const auto& [make, undo] = GetParam();
    const std::string state = DALVEX_SHARES_STATE;
    if (fs::exists(state + "/skipped")) GTEST_SKIP() << ReadFile(state + "/skipped");
    const std::string mount = MountPath(state + "/sshfs.path");
    ASSERT_FALSE(mount.empty()) << "the sshfs share is not up";
    const std::string mine = mount + "/stall-" + make;
    fs::create_directory(mine);
    TempDir tmp;
    const std::string result = tmp.File("r.json");
    {
        CliProcess cli({mine, "--stall-after", "5", "--stop-after", "40", "--json", result},
                       tmp.Path());
        // Once a test has a file on the share: the checks before the run
        // make one too, a probe (VXV…) deleted at once.
        const auto underway = [&mine] {
            std::error_code error;
            for (const auto& e : fs::directory_iterator(mine, error)) {
                if (!e.path().filename().string().starts_with("VXV")) return true;
            }
            return false;
        };
        ASSERT_TRUE(Eventually(underway, 10000)) << "no test made a file on the share";
        const Undo undoing{undo};
        ASSERT_EQ(OnTheShare(make), 0) << make;
        const auto stopped = Clock::now();
        const CliResult r = cli.Wait(30000);
        EXPECT_LT(Clock::now() - stopped, seconds(5 + 7)) << "the stall limit is 5 s";
        const json j = CheckRun(r, 1, json::object(), ReadFile(result));
        bool stalled = false;
        for (const json& f : j["failures"]) stalled |= f.value("stalledSeconds", 0) >= 5;
        EXPECT_TRUE(stalled) << j.dump(2);
    }
    // The share answers again, and its mount writes and reads back.
    WriteFile(mine + "/after", make);
    EXPECT_EQ(ReadFile(mine + "/after"), make);
    // A file the run's stuck process still held open may stay a moment, kept
    // hidden by sshfs until that process ends.
    std::error_code error;
    EXPECT_TRUE(Eventually([&] { return fs::remove_all(mine, error) != UINTMAX_MAX; }, 10000))
        << Listing(mine);
}

INSTANTIATE_TEST_SUITE_P(RealShare, ShareStopsAnswering,
                         testing::Values(Disturbance{"freeze", "thaw"}, Disturbance{"cut", "mend"}),
                         [](const auto& info) { return info.param.first; });
