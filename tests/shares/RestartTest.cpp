// Files kept by a run on a real share come back whole after its server
// restarts: read from the other mount, which carries on through the
// restart, while the first is made again, as a client does. Alone in the
// suite: the restart would cut the other share tests short.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "tests/CliProcess.h"
#include "tests/TempDir.h"
#include "tests/shares/MountPath.h"

namespace fs = std::filesystem;

namespace {

class KeptAcrossARestart : public testing::TestWithParam<const char*> {};

}  // namespace

TEST_P(KeptAcrossARestart, ComeBackWholeThroughTheOtherMount) {
    const std::string kind = GetParam(), state = DALVEX_SHARES_STATE;
    if (fs::exists(state + "/skipped")) GTEST_SKIP() << ReadFile(state + "/skipped");
    const std::string one = MountPath(state + "/" + kind + ".path"),
                      two = MountPath(state + "/" + kind + ".path2");
    ASSERT_FALSE(one.empty() || two.empty()) << "the " << kind << " mounts are not up";
    const std::string mine = one + "/kept";
    fs::create_directory(mine);
    TempDir tmp;
    const std::string list = tmp.File("kept.json");
    const auto [r, j] = RunChecked({mine, "--keep", list, "--sets", "1", "--stop-after", "5",
                                    "--stall-after", "20", "--quiet"},
                                   tmp.Path(), 0, {{"networkPath", true}}, {});
    ASSERT_EQ(j["kept"]["files"].size(), 12u) << j.dump(2);
    const std::string restart =
        std::string(DALVEX_SHARES_SCRIPT) + " restart " + kind + " " + state;
    ASSERT_EQ(std::system(restart.c_str()), 0) << restart;
    const auto [rv, v] = RunChecked({"verify", list, "--directory", two + "/kept", "--delete",
                                     "--stall-after", "20", "--quiet"},
                                    tmp.Path(), 0, {{"verified", {{"deleted", true}}}}, {});
    EXPECT_EQ(v["verified"]["files"], j["kept"]["files"]);
    EXPECT_TRUE(fs::is_empty(mine)) << Listing(mine);
    fs::remove_all(mine);
}

INSTANTIATE_TEST_SUITE_P(RealShares, KeptAcrossARestart, testing::Values("smb", "sshfs"),
                         [](const auto& info) { return std::string(info.param); });
