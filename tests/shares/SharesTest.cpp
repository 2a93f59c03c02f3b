// dalvex2-cli on real network shares of this machine: Samba through smbnetfs
// and SSH through sshfs, brought up once for the suite by shares.sh.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "tests/CliProcess.h"
#include "tests/TempDir.h"

namespace fs = std::filesystem;

namespace {

struct ShareRun {
    const char* name;
    const char* subdir;
    std::vector<std::string> args;
    int status;
    nlohmann::json result;
};

const ShareRun kRuns[] = {
    {"HealthyTwoSets", "", {"--sets", "2", "--stop-after", "8"}, 0,
     {{"result", "ok"}, {"ending", "time-up"}, {"settings", {{"simultaneousTests", 2}}}}},
    // A directory of the share that does not exist: every server test fails.
    {"MissingDirectory", "/absent", {"--stop-after", "20"}, 1, {{"result", "failed"}, {"ending", "failure"}}},
};

void PrintTo(const ShareRun& c, std::ostream* os) { *os << c.name; }

class Shares : public testing::TestWithParam<std::tuple<const char*, ShareRun>> {};

}  // namespace

// Every run leaves the share (files that look like the program's own among
// them) and the temporary directory as they were; a healthy run reads back
// all it wrote.
TEST_P(Shares, EndAsExpectedAndLeaveTheShareAsItWas) {
    const auto& [kind, c] = GetParam();
    const std::string state = DALVEX_SHARES_STATE;
    if (fs::exists(state + "/skipped")) GTEST_SKIP() << ReadFile(state + "/skipped");
    const std::string share = ReadFile(state + "/" + kind + ".path");
    ASSERT_FALSE(share.empty()) << "the " << kind << " share is not up";
    const std::string mine = share.substr(0, share.size() - 1) + "/" + c.name;  // side by side
    fs::create_directory(mine);
    WriteFile(mine + "/VXR1234.tmp", "pas à nous");
    WriteFile(mine + "/VXZ00A1.TMP", std::string(70000, 'z'));
    const auto before = Snapshot(mine);
    TempDir tmp;
    WriteFile(tmp.File("VXC0001.TMP"), "local stranger");
    std::vector<std::string> args{mine + c.subdir, "--json", "-", "--quiet"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    const CliResult r = CliProcess::Run(args, tmp.Path());
    EXPECT_EQ(r.status, c.status) << r.out << r.err;
    const auto j = ParseResult(r.out);
    EXPECT_TRUE(Contains(j, c.result)) << j.dump(2);
    EXPECT_EQ(j["networkPath"], true);
    EXPECT_TRUE(c.status || (j["bytesWritten"] > 0 && j["bytesWritten"] == j["bytesRead"] && j["throughput"] > 0))
        << j.dump(2);
    EXPECT_EQ(Snapshot(mine), before);
    EXPECT_EQ(Listing(tmp.Path()), "VXC0001.TMP ");
    fs::remove_all(mine);
}

INSTANTIATE_TEST_SUITE_P(RealShares, Shares, testing::Combine(testing::Values("smb", "sshfs"), testing::ValuesIn(kRuns)),
                         [](const auto& info) {
                             return std::string(std::get<0>(info.param)) + std::get<1>(info.param).name;
                         });
